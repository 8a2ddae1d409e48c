#include "gui_support.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "common/app_util.h"

namespace gui_test {

namespace {

std::string IdFromSeed(std::uint32_t seed) {
    // 40 hex digits, like the device folders a real backup writes.
    static const char kHex[] = "0123456789abcdef";
    std::string id;
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (int i = 0; i < 40; ++i) {
        x = x * 1103515245u + 12345u;
        id += kHex[(x >> 16) & 15];
    }
    return id;
}

}  // namespace

wxString AppRoot() {
    const wxString root = AppUtil::GetAppRoot();
    if (!root.empty()) return root;
    return wxString::FromUTF8(BV_ROOT_DIR);
}

wxString OutputDir() {
    return AppRoot();
}

bool PumpUntil(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds));
    for (;;) {
        if (wxTheApp != nullptr) {
            wxEventLoopBase* loop = wxEventLoopBase::GetActive();
            if (loop != nullptr && !loop->IsYielding()) loop->YieldFor(wxEVT_CATEGORY_ALL);
            wxTheApp->ProcessPendingEvents();
            if (HaveGui()) wxTheApp->ProcessIdle();
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return done();
        wxMilliSleep(2);
    }
}

void PumpFor(double seconds) {
    PumpUntil([] { return false; }, seconds);
}

// ---------------------------------------------------------------------------------------------

GeneratedBackup::GeneratedBackup(const gen::SampleOptions& options, const std::string& deviceId) {
    env_.reset(new testing_support::ScopedEnv("APPDATA", temp_.Path().c_str()));
    std::filesystem::create_directories(BackupRoot());
    folder_ = AddBackup(options, deviceId);
    deviceId_ = std::filesystem::path(folder_.substr(0, folder_.size() - 1)).filename().string();
}

GeneratedBackup::~GeneratedBackup() = default;

gen::SampleOptions SmallOptions(std::uint32_t seed) {
    gen::SampleOptions o;
    o.seed = seed;
    o.filler = 200;
    o.calls = 12;
    o.contacts = 10;
    o.chats = 3;
    o.messages = 30;
    o.attachments = 3;
    o.notes = 5;
    o.history = 8;
    o.bookmarks = 5;
    o.calendarItems = 6;
    o.photos = 10;
    o.memos = 2;
    return o;
}

std::string GeneratedBackup::AddBackup(const gen::SampleOptions& options,
                                       const std::string& deviceId) {
    const std::string id = deviceId.empty() ? IdFromSeed(options.seed) : deviceId;
    const std::string folder = BackupRoot() + "/" + id + "/";
    gen::WriteSampleBackup(folder, options);
    return folder;
}

std::string GeneratedBackup::BackupRoot() const {
    return temp_.Path() + "/Apple Computer/MobileSync/Backup";
}

std::string GeneratedBackup::OutputFolder(const std::string& name) const {
    const std::string path = temp_.Path() + "/" + name;
    std::filesystem::create_directories(path);
    return path;
}

// ---------------------------------------------------------------------------------------------

namespace {

bool SimulateAt(wxWindow* window, const wxPoint& clientPoint, bool twice) {
    if (window == nullptr || !window->IsShownOnScreen()) return false;
    wxTopLevelWindow* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(window));
    if (top != nullptr) top->Raise();
    PumpFor(0.02);
    wxUIActionSimulator sim;
    const wxPoint screen = window->ClientToScreen(clientPoint);
    sim.MouseMove(screen);
    PumpFor(0.02);
    if (twice) {
        sim.MouseDblClick();
    } else {
        sim.MouseClick();
    }
    PumpFor(0.05);
    return true;
}

}  // namespace

bool Click(wxWindow* window) {
    if (window == nullptr) return false;
    const wxSize size = window->GetClientSize();
    return SimulateAt(window, wxPoint(size.x / 2, size.y / 2), false);
}

bool ClickAt(wxWindow* window, const wxPoint& clientPoint) {
    return SimulateAt(window, clientPoint, false);
}

bool DoubleClickAt(wxWindow* window, const wxPoint& clientPoint) {
    return SimulateAt(window, clientPoint, true);
}

void SendCommand(wxWindow* window, wxEventType type, int id) {
    wxCommandEvent event(type, id);
    event.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(event);
}

namespace {

// Asks every shown window of the tree to paint again (a skinned frame may ignore a refresh of
// itself, its children do not).
void RefreshTree(wxWindow* window) {
    window->Refresh();
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsShown()) RefreshTree(child);
    }
}

}  // namespace

bool SaveScreenshot(wxWindow* window, const wxString& path) {
    if (window == nullptr || !window->IsShownOnScreen()) return false;
    RefreshTree(window);
    window->Update();
    PumpFor(0.12);
    const wxRect rect(wxPoint(0, 0), window->GetSize());
    if (rect.width <= 0 || rect.height <= 0) return false;
    // The window's own surface, children included (the screen's root window may hand back
    // what it showed before the last repaint).
    wxBitmap bitmap(rect.width, rect.height, 24);
    {
        wxWindowDC source(window);
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rect.width, rect.height, &source, 0, 0);
    }
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return bitmap.ConvertToImage().SaveFile(path, wxBITMAP_TYPE_PNG);
}

wxWindow* FindChild(wxWindow* parent, const std::function<bool(wxWindow*)>& match) {
    if (parent == nullptr) return nullptr;
    for (wxWindow* child : parent->GetChildren()) {
        if (match(child)) return child;
        if (wxWindow* found = FindChild(child, match)) return found;
    }
    return nullptr;
}

void DestroyAndWait(wxWindow* window) {
    if (window == nullptr) return;
    wxWindowID id = window->GetId();
    window->Destroy();
    PumpUntil([id] { return wxWindow::FindWindowById(id) == nullptr; }, 2);
    PumpFor(0.05);
}

}  // namespace gui_test
