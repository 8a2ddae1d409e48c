#include "gui_support.h"

#include <gdk/gdk.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/renderer.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/main_app.h"
#include "common/app_util.h"
#include "domain/domain_option.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/pv_word_button.h"

namespace gui_test {

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

ScopedDomainOption::ScopedDomainOption() : kept_(g_domainOption) {}

ScopedDomainOption::ScopedDomainOption(const std::string& text) : ScopedDomainOption() {
    const std::string path = dir_ / "option.cfg";
    std::ofstream(path, std::ios::binary) << text;
    g_domainOption = new DomainOption(wxString::FromUTF8(path));
    g_domainOption->Load();
}

ScopedDomainOption::~ScopedDomainOption() {
    if (g_domainOption != kept_) delete g_domainOption;
    g_domainOption = kept_;
}

void MovePointer(const wxPoint& screen) {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display != nullptr ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
    if (pointer == nullptr) return;
    gdk_device_warp(pointer, gdk_display_get_default_screen(display), screen.x, screen.y);
    gdk_display_flush(display);
}

// ---------------------------------------------------------------------------------------------

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

wxImage WindowImage(wxWindow* window) {
    if (window == nullptr || !window->IsShownOnScreen()) return wxImage();
    RefreshTree(window);
    window->Update();
    PumpFor(0.12);
    const wxRect rect(wxPoint(0, 0), window->GetSize());
    if (rect.width <= 0 || rect.height <= 0) return wxImage();
    // The window's own surface, children included (the screen's root window may hand back
    // what it showed before the last repaint).
    wxBitmap bitmap(rect.width, rect.height, 24);
    {
        wxWindowDC source(window);
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rect.width, rect.height, &source, 0, 0);
    }
    return bitmap.ConvertToImage();
}

bool SaveScreenshot(wxWindow* window, const wxString& path) {
    const wxImage image = WindowImage(window);
    if (!image.IsOk()) return false;
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return image.SaveFile(path, wxBITMAP_TYPE_PNG);
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    if (file_ == nullptr) return;
    saved_ = dup(STDERR_FILENO);
    if (saved_ < 0 || dup2(fileno(file_), STDERR_FILENO) < 0) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

StderrCapture::~StderrCapture() {
    Stop();
}

std::string StderrCapture::Stop() {
    if (file_ == nullptr) return std::string();
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
    std::fclose(file_);
    file_ = nullptr;
    std::fwrite(text.data(), 1, text.size(), stderr);
    return text;
}

std::vector<std::string> ToolkitWarnings(const std::string& text) {
    static const std::regex kWarning(
        "(-(WARNING|CRITICAL) \\*\\*)|(\\*\\*\\* BUG \\*\\*\\*)|(Invalid rectangle)");
    std::vector<std::string> found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, kWarning)) found.push_back(line);
    }
    return found;
}

namespace {

std::string Describe(wxWindow* window) {
    std::string name = window->GetClassInfo() != nullptr
                           ? wxString(window->GetClassInfo()->GetClassName()).ToStdString()
                           : std::string("window");
    const wxString label = window->GetLabel();
    if (!label.empty()) name += " \"" + label.ToStdString(wxConvUTF8) + "\"";
    return name;
}

std::string Text(const wxString& text) {
    return "\"" + text.ToStdString(wxConvUTF8) + "\"";
}

// Texts that are cut lose their meaning at once: dates, times, durations, counts, sizes.
bool MustShowWhole(const wxString& value) {
    static const std::regex kFigures("[0-9][0-9 :./()TZ+-]*( ?[A-Za-z]{1,2})?");
    return std::regex_match(value.ToStdString(wxConvUTF8), kFigures);
}

// The native controls that size themselves to their label.
bool IsNativeLabel(wxWindow* window) {
    return dynamic_cast<wxCheckBox*>(window) != nullptr ||
           dynamic_cast<wxButton*>(window) != nullptr ||
           dynamic_cast<wxStaticText*>(window) != nullptr ||
           dynamic_cast<wxGenericHyperlinkCtrl*>(window) != nullptr;
}

bool IsLabelled(wxWindow* window) {
    return IsNativeLabel(window) || dynamic_cast<PvWordButton*>(window) != nullptr ||
           dynamic_cast<wxGauge*>(window) != nullptr;
}

void CheckGrid(wxGrid* grid, std::vector<std::string>& problems) {
    wxClientDC dc(grid->GetGridWindow());
    if (grid->GetColLabelSize() > 0) {
        dc.SetFont(grid->GetLabelFont());
        for (int col = 0; col < grid->GetNumberCols(); ++col) {
            const int width = grid->GetColSize(col);
            if (width <= 0) continue;
            const wxString label = grid->GetColLabelValue(col);
            // The header draws its label with a few pixels of padding on either side.
            const int needed = dc.GetTextExtent(label).GetWidth() + 8;
            if (needed > width) {
                problems.push_back("column label " + Text(label) + " needs " +
                                   std::to_string(needed) + " of " + std::to_string(width));
            }
        }
    }
    const int checkWidth = wxRendererNative::Get().GetCheckBoxSize(grid->GetGridWindow()).x;
    for (int row = 0; row < grid->GetNumberRows(); ++row) {
        for (int col = 0; col < grid->GetNumberCols(); ++col) {
            const int width = grid->GetColSize(col);
            if (width <= 0) continue;
            dc.SetFont(grid->GetCellFont(row, col));
            wxGridCellRenderer* renderer = grid->GetCellRenderer(row, col);
            auto* check = dynamic_cast<PvPhotoCheckCellRender*>(renderer);
            wxString shown;
            int start = 2;
            if (check != nullptr) {
                shown = check->ShownText(*grid, dc, width);
                start = check->GetCheckX() + checkWidth + 4;
                if (shown != check->GetText() && MustShowWhole(check->GetText())) {
                    problems.push_back("cell " + Text(check->GetText()) + " is shortened");
                }
                // A free text beside a table row's box may run past the cell's edge; a
                // shortened picture name must end inside the cell.
                if (shown == check->GetText() && !MustShowWhole(shown)) shown.clear();
            } else {
                shown = grid->GetCellValue(row, col);
                if (!MustShowWhole(shown)) shown.clear();
            }
            if (renderer != nullptr) renderer->DecRef();
            if (shown.empty()) continue;
            const int needed = start + dc.GetTextExtent(shown).GetWidth() + 2;
            if (needed > width) {
                problems.push_back("cell " + Text(shown) + " (row " + std::to_string(row) +
                                   ") needs " + std::to_string(needed) + " of " +
                                   std::to_string(width));
            }
        }
    }
}

void CheckTree(wxTreeCtrl* tree, std::vector<std::string>& problems) {
    const int width = tree->GetClientSize().x;
    wxTreeItemIdValue cookie;
    const wxTreeItemId root = tree->GetRootItem();
    if (!root.IsOk()) return;
    for (wxTreeItemId item = tree->GetFirstChild(root, cookie); item.IsOk();
         item = tree->GetNextChild(root, cookie)) {
        wxRect rect;
        if (!tree->GetBoundingRect(item, rect, true)) continue;
        if (rect.GetRight() >= width) {
            problems.push_back("tree item " + Text(tree->GetItemText(item)) + " ends at " +
                               std::to_string(rect.GetRight() + 1) + " of " +
                               std::to_string(width));
        }
    }
}

void CheckWindow(wxWindow* window, std::vector<std::string>& problems) {
    if (!window->IsShown()) return;
    const wxSize size = window->GetSize();
    if (auto* button = dynamic_cast<wxButton*>(window)) {
        // A native button may be given a size of its own (its label's extent and a margin),
        // smaller than the toolkit's wish: its label must still fit inside.
        wxClientDC dc(button);
        dc.SetFont(button->GetFont());
        const wxSize text = dc.GetTextExtent(button->GetLabel());
        if (text.x + 8 > size.x || text.y > size.y) {
            problems.push_back(Describe(window) + " label needs " + std::to_string(text.x + 8) +
                               " x " + std::to_string(text.y) + ", has " + std::to_string(size.x) +
                               " x " + std::to_string(size.y));
        }
    } else if (IsNativeLabel(window)) {
        const wxSize best = window->GetBestSize();
        if (best.x > size.x || best.y > size.y) {
            problems.push_back(Describe(window) + " needs " + std::to_string(best.x) + " x " +
                               std::to_string(best.y) + ", has " + std::to_string(size.x) + " x " +
                               std::to_string(size.y));
        }
    } else if (auto* button = dynamic_cast<PvWordButton*>(window)) {
        wxClientDC dc(button);
        dc.SetFont(button->GetFont());
        const int end = button->GetTextX() + dc.GetTextExtent(button->GetLabel()).GetWidth();
        if (end > size.x) {
            problems.push_back(Describe(window) + " label ends at " + std::to_string(end) + " of " +
                               std::to_string(size.x));
        }
    } else if (auto* grid = dynamic_cast<wxGrid*>(window)) {
        CheckGrid(grid, problems);
    } else if (auto* tree = dynamic_cast<wxTreeCtrl*>(window)) {
        CheckTree(tree, problems);
    }
    // Controls with text lie inside their parent and apart from each other.
    std::vector<wxWindow*> labelled;
    for (wxWindow* child : window->GetChildren()) {
        if (!child->IsShown() || child->IsTopLevel()) continue;
        if (IsLabelled(child)) {
            if (!wxRect(window->GetClientSize()).Contains(child->GetRect())) {
                problems.push_back(Describe(child) + " reaches past " + Describe(window));
            }
            for (wxWindow* other : labelled) {
                if (other->GetRect().Intersects(child->GetRect()))
                    problems.push_back(Describe(child) + " overlaps " + Describe(other));
            }
            labelled.push_back(child);
        }
        CheckWindow(child, problems);
    }
}

}  // namespace

std::vector<std::string> TextFitProblems(wxWindow* root) {
    std::vector<std::string> problems;
    if (root != nullptr) CheckWindow(root, problems);
    return problems;
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
    PumpUntil([id] { return wxWindow::FindWindowById(id) == nullptr; });
    PumpFor(0.05);
}

}  // namespace gui_test
