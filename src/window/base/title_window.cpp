#include "window/base/title_window.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/toplevel.h>

#include "common/custom_event.h"
#include "common/image_util.h"
#include "domain/language_locale.h"
#include "window/base/about_dialog_base.h"
#include "window/base/program_pages.h"
#include "window/base/pv_bitmap_button.h"

namespace {

// Each language is named in its own language and script, untranslated.
struct LanguageLabel {
    int number;
    const char* label;  // UTF-8
};
const LanguageLabel kLanguageLabels[] = {
    {46, "中文简体"}, {47, "中文繁体"},  {89, "Deutsch"}, {58, "English"},
    {80, "Français"}, {110, "Italiano"}, {112, "日本語"},
};

wxBitmap* LoadPng(const char* name) {
    return ImageUtil::LoadThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
}

wxWindow* TopWindow() {
    return wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(TitleWindow, wxControl);

// clang-format off
wxBEGIN_EVENT_TABLE(TitleWindow, wxControl)
    EVT_PAINT(TitleWindow::OnPaintEvent)
    EVT_BUTTON(ID_TITLE_CLOSE, TitleWindow::OnCloseClicked)
    EVT_BUTTON(ID_TITLE_MINIMIZE, TitleWindow::OnMinimizeClicked)
    EVT_BUTTON(ID_SETTING, TitleWindow::OnSettingClicked)
    EVT_MENU(ID_MENU_HELP, TitleWindow::OnMenuItem)
    EVT_MENU(ID_MENU_SUPPORT, TitleWindow::OnMenuItem)
    EVT_MENU(ID_MENU_CHECK_UPDATE, TitleWindow::OnMenuItem)
    EVT_MENU(wxID_ABOUT, TitleWindow::OnMenuItem)
    EVT_MENU(58, TitleWindow::OnLanguageMenu)
    EVT_MENU(112, TitleWindow::OnLanguageMenu)
    EVT_MENU(80, TitleWindow::OnLanguageMenu)
    EVT_MENU(110, TitleWindow::OnLanguageMenu)
    EVT_MENU(89, TitleWindow::OnLanguageMenu)
    EVT_MENU(46, TitleWindow::OnLanguageMenu)
    EVT_MENU(47, TitleWindow::OnLanguageMenu)
    EVT_LEFT_DOWN(TitleWindow::OnLeftDown)
    EVT_LEFT_UP(TitleWindow::OnLeftUp)
    EVT_MOTION(TitleWindow::OnMotion)
    EVT_LEFT_DCLICK(TitleWindow::OnLeftDClick)
    EVT_MOUSE_CAPTURE_LOST(TitleWindow::OnCaptureLost)
wxEND_EVENT_TABLE()
// clang-format on

TitleWindow::TitleWindow() : dragOffset(0, 0) {}

bool TitleWindow::Create(wxBitmap* background, wxWindow* parent, wxWindowID id,
                         const wxPoint& pos) {
    if (!wxControl::Create(parent, id, pos, wxDefaultSize, wxBORDER_NONE, wxDefaultValidator,
                           wxControlNameStr))
        return false;
    const int height = background != nullptr && background->IsOk() ? background->GetHeight() : 0;
    // As wide as the display; the parent clips what lies beyond the frame.
    SetSize(wxGetDisplaySize().GetWidth(), height);
    this->background = background;

    int x = parent->GetSize().GetWidth();
    closeButton =
        MakeButton(ID_TITLE_CLOSE, &x, "image/titlebar/close_normal.png",
                   "image/titlebar/close_pressed.png", "image/titlebar/close_hover.png", 0);
    minimizeButton =
        MakeButton(ID_TITLE_MINIMIZE, &x, "image/titlebar/minimize_normal.png",
                   "image/titlebar/minimize_pressed.png", "image/titlebar/minimize_hover.png", 1);
    settingButton =
        MakeButton(ID_SETTING, &x, "image/titlebar/setting-normal.png",
                   "image/titlebar/setting-pressed.png", "image/titlebar/setting-current.png", 1);
    return true;
}

PvBitmapButton* TitleWindow::MakeButton(wxWindowID id, int* x, const char* normal,
                                        const char* pressed, const char* hover, int gap) {
    wxBitmap* normalBitmap = LoadPng(normal);
    wxBitmap* pressedBitmap = LoadPng(pressed);
    wxBitmap* hoverBitmap = LoadPng(hover);
    const wxSize size = normalBitmap != nullptr ? normalBitmap->GetSize() : wxSize(1, 1);
    *x -= size.GetWidth() + gap;
    PvBitmapButton* button =
        new PvBitmapButton(this, id, wxPoint(*x, 0), size, wxBORDER_NONE, wxDefaultValidator);
    button->SetNormalBitmap(normalBitmap)
        ->SetPressedBitmap(pressedBitmap)
        ->SetHoverBitmap(hoverBitmap);
    if (background != nullptr && background->IsOk()) {
        // The piece of the bar under the button, as far as the bar's background reaches.
        const wxRect piece =
            wxRect(wxPoint(*x, 0), size)
                .Intersect(wxRect(0, 0, background->GetWidth(), background->GetHeight()));
        if (!piece.IsEmpty()) {
            button->SetBackgroundBitmap(
                ImageUtil::CropBitmap(*background, piece.x, piece.y, piece.width, piece.height));
        }
    }
    return button;
}

void TitleWindow::MoveCloseButton(int dx, int dy) {
    if (closeButton != nullptr) closeButton->Move(closeButton->GetPosition() + wxPoint(dx, dy));
}

void TitleWindow::MoveMinimizeButton(int dx, int dy) {
    if (minimizeButton != nullptr)
        minimizeButton->Move(minimizeButton->GetPosition() + wxPoint(dx, dy));
}

void TitleWindow::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    if (background != nullptr && background->IsOk()) dc.DrawBitmap(*background, 0, 0, false);
}

void TitleWindow::OnLeftDown(wxMouseEvent& event) {
    wxWindow* top = TopWindow();
    if (top == nullptr) return;
    if (!HasCapture()) CaptureMouse();
    dragOffset = ClientToScreen(event.GetPosition()) - top->GetPosition();
}

void TitleWindow::OnMotion(wxMouseEvent& event) {
    wxWindow* top = TopWindow();
    if (top == nullptr) return;
    if (event.Dragging() && event.LeftIsDown() && HasCapture())
        top->Move(ClientToScreen(event.GetPosition()) - dragOffset);
}

void TitleWindow::OnLeftUp(wxMouseEvent& /*event*/) {
    if (HasCapture()) ReleaseMouse();
}

void TitleWindow::OnLeftDClick(wxMouseEvent& /*event*/) {}

void TitleWindow::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {}

void TitleWindow::OnCloseClicked(wxCommandEvent& /*event*/) {
    wxWindow* top = TopWindow();
    if (top == nullptr) return;
    wxCloseEvent* close = new wxCloseEvent(wxEVT_CLOSE_WINDOW, 0);
    close->SetEventObject(top);
    close->SetCanVeto(true);
    top->GetEventHandler()->QueueEvent(close);
}

void TitleWindow::OnMinimizeClicked(wxCommandEvent& /*event*/) {
    wxTopLevelWindow* top = wxDynamicCast(TopWindow(), wxTopLevelWindow);
    if (top != nullptr) top->Iconize(true);
}

wxMenu* TitleWindow::NewSettingsMenu() const {
    wxMenu* menu = new wxMenu();
    menu->Append(ID_MENU_HELP, _("Help"), wxEmptyString);
    wxMenu* languages = new wxMenu();
    for (const LanguageLabel& entry : kLanguageLabels) {
        wxMenuItem* item = languages->AppendCheckItem(entry.number, wxString::FromUTF8(entry.label),
                                                      wxEmptyString);
        if (entry.number == currentLanguage) item->Check(true);
    }
    menu->AppendSubMenu(languages, _("Language"), wxEmptyString);
    menu->AppendSeparator();
    menu->Append(ID_MENU_SUPPORT, _("Support"), wxEmptyString);
    menu->AppendSeparator();
    menu->Append(ID_MENU_CHECK_UPDATE, _("Check for Update"), wxEmptyString);
    menu->AppendSeparator();
    menu->Append(wxID_ABOUT, _("About"), wxEmptyString);
    return menu;
}

void TitleWindow::OnSettingClicked(wxCommandEvent& /*event*/) {
    wxMenu* menu = NewSettingsMenu();
    PopupMenu(menu);
    delete menu;
}

bool TitleWindow::CreateAboutDialog(AboutDialog& dialog, wxWindow* parent) {
    wxBitmap* background = LoadPng("image/dialog/dialog_bg.png");
    const wxSize size = background != nullptr ? background->GetSize() : wxSize(400, 300);
    const bool created = dialog.Create(background, parent, wxID_ANY, _("About"), wxDefaultPosition,
                                       size, wxBORDER_NONE | wxFRAME_SHAPED);
    if (!created) {
        delete background;
        return false;
    }
    dialog.Centre(wxBOTH);
    return true;
}

void TitleWindow::OnMenuItem(wxCommandEvent& event) {
    const ProgramPages* pages = ProgramPages::Get();
    switch (event.GetId()) {
        case ID_MENU_HELP:
            if (pages != nullptr) pages->Open(pages->HelpUrl());
            break;
        case ID_MENU_SUPPORT:
            if (pages != nullptr) pages->Open(pages->SupportUrl());
            break;
        case ID_MENU_CHECK_UPDATE:
            if (pages != nullptr) pages->CheckUpdate();
            break;
        case wxID_ABOUT: {
            AboutDialog dialog;
            if (CreateAboutDialog(dialog, TopWindow())) dialog.ShowModal();
            break;
        }
        default:
            break;
    }
}

void TitleWindow::OnLanguageMenu(wxCommandEvent& event) {
    wxWindow* top = TopWindow();
    currentLanguage = event.GetId();
    if (top == nullptr) return;
    wxCommandEvent* changed = new wxCommandEvent(EVT_LANGUAGE_CHANGED, top->GetId());
    changed->SetInt(currentLanguage);
    top->GetEventHandler()->QueueEvent(changed);
}
