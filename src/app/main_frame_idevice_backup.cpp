#include "app/main_frame_idevice_backup.h"

#include <wx/custombgwin.h>
#include <wx/dcmemory.h>
#include <wx/panel.h>
#include <wx/region.h>

#include <algorithm>

#include "common/app_info.h"
#include "common/app_util.h"
#include "common/custom_event.h"
#include "common/face_layout.h"
#include "common/image_util.h"
#include "domain/domain_ib.h"
#include "domain/language_file.h"
#include "domain/language_locale.h"
#include "window/base/pv_toolbar.h"
#include "window/base/title_window.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"

namespace {

// Used when the theme lacks a background: the window tree is still built, on a plain grey.
constexpr int kFallbackWidth = 800;
constexpr int kFallbackHeight = 600;

// The panel that carries every child; its background shows through their transparent parts.
class BackgroundPanel : public wxCustomBackgroundWindow<wxPanel> {
  public:
    BackgroundPanel(wxWindow* parent, const wxSize& size, const wxBitmap& background) {
        Create(parent, wxID_ANY, wxPoint(0, 0), size, wxBORDER_NONE);
        SetBackgroundBitmap(background);
    }
};

wxBitmap LoadBackground(const char* name) {
    wxBitmap bitmap = ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    if (bitmap.IsOk()) return bitmap;
    bitmap.Create(kFallbackWidth, kFallbackHeight);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(0xf0, 0xf0, 0xf0)));
    dc.Clear();
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

// A new bitmap of the rectangle of source, cut to the part that lies inside source; at least
// 1 x 1, so that a layout key the theme lacks still gives the child a valid background.
wxBitmap* NewCrop(const wxBitmap& source, int x, int y, int width, int height) {
    const wxRect inside =
        wxRect(x, y, width, height).Intersect(wxRect(0, 0, source.GetWidth(), source.GetHeight()));
    if (inside.IsEmpty()) return new wxBitmap(ImageUtil::CropBitmap(source, 0, 0, 1, 1));
    return ImageUtil::NewCroppedBitmap(source, inside.x, inside.y, inside.width, inside.height);
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(MainFrameIDeviceBackup, MainFrame);

wxBEGIN_EVENT_TABLE(MainFrameIDeviceBackup, MainFrame)
    EVT_COMMAND(wxID_ANY, EVT_LANGUAGE_CHANGED, MainFrameIDeviceBackup::OnLanguageChanged)
wxEND_EVENT_TABLE()

MainFrameIDeviceBackup::MainFrameIDeviceBackup() {
    DomainIB::CreateService();
    locale = nullptr;
}

MainFrameIDeviceBackup::~MainFrameIDeviceBackup() {
    // The children paint with the backgrounds kept here: they go first.
    DestroyChildren();
    delete titleBackground;
    delete kindBackground;
    delete locale;
    DomainIB::FreeService();
}

bool MainFrameIDeviceBackup::Init(wxWindowID id, const wxString& /*title*/) {
    const int language = LanguageFile::Read();
    SetLanguage(language);

    const wxBitmap background = LoadBackground("image/base/bg.png");
    const int width = background.GetWidth();
    const int height = background.GetHeight();
    if (!MainFrame::Create(id, AppInfo::GetProductName(), wxSize(width, height))) return false;

    panel = new BackgroundPanel(this, wxSize(width, height), background);

    FaceRect r = GetFaceRect(wxS("/face/titlewindow"));
    titleBackground = NewCrop(background, r.x, r.y, width - r.x, r.height);
    titleWindow = new TitleWindow();
    titleWindow->Create(titleBackground, panel, ID_TITLE_WINDOW, wxPoint(r.x, r.y));
    titleWindow->SetLanguage(language);

    r = GetFaceRect(wxS("/face/toolwindow"));
    toolbar = new PvToolbar();
    toolbar->Create(NewCrop(background, r.x, r.y, r.width, r.height), panel, ID_TOOL_WINDOW,
                    wxPoint(r.x, r.y));

    CreateScreens(background);

    Centre(wxBOTH);
    SetRoundShape(width, height);
    Fit();
    return true;
}

void MainFrameIDeviceBackup::CreateScreens(const wxBitmap& background) {
    FaceRect r = GetFaceRect(wxS("/face/listwindow"));
    listWindow = new PvRecoveryListWindow();
    // The list screen takes its background over.
    listWindow->Create(NewCrop(background, r.x, r.y, r.width, r.height), panel, ID_LIST_WINDOW,
                       wxPoint(r.x, r.y), wxSize(r.width, r.height), wxBORDER_SUNKEN,
                       wxDefaultValidator);

    const wxBitmap background2 = LoadBackground("image/base/bg2.png");
    r = GetFaceRect(wxS("/face/kindwindow"));
    kindBackground = NewCrop(background2, r.x, r.y, r.width, r.height);
    kindWindow = new PvRecoveryKindWindow();
    kindWindow->Create(kindBackground, panel, ID_KIND_WINDOW, wxPoint(r.x, r.y),
                       wxSize(r.width, r.height), wxBORDER_SUNKEN, wxDefaultValidator);
    kindWindow->Show(false);

    // The list screen tells the kind screen which backup to show; the kind screen tells the list
    // screen when the user goes back.
    static_cast<TqmSubject*>(listWindow)->Attach(static_cast<TqmObserver*>(kindWindow));
    static_cast<TqmSubject*>(kindWindow)->Attach(static_cast<TqmObserver*>(listWindow));
}

void MainFrameIDeviceBackup::SetRoundShape(int width, int height) {
    if (width <= 0 || height <= 0) return;
    wxBitmap bitmap(width, height);
    wxMemoryDC dc(bitmap);
    // Everything outside the rounded rectangle stays black and is cut away.
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetPen(*wxWHITE_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRoundedRectangle(0, 0, width, height, static_cast<double>(5.4f));
    dc.SelectObject(wxNullBitmap);
    SetShape(wxRegion(bitmap, *wxBLACK, 0));
}

void MainFrameIDeviceBackup::SetLanguage(int language) {
    if (locale != nullptr) {
        delete locale;
        locale = nullptr;
    }
    locale = LanguageLocale::Install(language, AppUtil::GetAppRoot() + wxS("/Language"));
}

void MainFrameIDeviceBackup::SaveLanguage(int language) {
    LanguageFile::Write(language);
}

void MainFrameIDeviceBackup::OnLanguageChanged(wxCommandEvent& event) {
    const int language = event.GetInt();
    SaveLanguage(language);
    SetLanguage(language);
    if (toolbar != nullptr) toolbar->UpdateLanguage();
    if (listWindow != nullptr) listWindow->UpdateLanguage();
    if (kindWindow != nullptr) kindWindow->UpdateLanguage();
}
