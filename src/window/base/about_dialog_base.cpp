#include "window/base/about_dialog_base.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/region.h>
#include <wx/settings.h>
#include <wx/toplevel.h>

#include "common/app_info.h"
#include "common/image_util.h"
#include "window/base/msw/pv_hyperlink_ctrl.h"
#include "window/base/msw/pv_static_bitmap.h"
#include "window/base/msw/pv_static_text.h"
#include "window/base/program_pages.h"
#include "window/base/pv_bitmap_button.h"
#include "window/base/pv_window_move.h"

namespace {

constexpr int kIconSize = 80;
constexpr int kIconY = 36;
constexpr int kNameY = 120;
constexpr int kLinkY = 190;
constexpr int kCornerRadius = 8;
constexpr int kTitleButtonY = 2;
constexpr int kTitleFontPoints = 10;

wxBitmap* LoadPng(const char* name) {
    return ImageUtil::LoadThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
}

// Width of a theme picture without keeping it; 1 when it cannot be loaded.
int ThemeWidth(const char* name) {
    const wxBitmap bitmap = ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    return bitmap.IsOk() ? bitmap.GetWidth() : 1;
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(AboutDialogBase, wxDialog);

wxBEGIN_EVENT_TABLE(AboutDialogBase, wxDialog)
    EVT_BUTTON(ID_DIALOG_CLOSE, AboutDialogBase::OnCloseClicked)
    EVT_BUTTON(wxID_CLOSE, AboutDialogBase::OnCloseClicked)
    EVT_BUTTON(wxID_OK, AboutDialogBase::OnCloseClicked)
    EVT_BUTTON(ID_DIALOG_MINIMIZE, AboutDialogBase::OnMinimizeClicked)
    EVT_LEFT_DOWN(AboutDialogBase::OnLeftDownEvent)
    EVT_LEFT_UP(AboutDialogBase::OnLeftUpEvent)
    EVT_MOTION(AboutDialogBase::OnMotionEvent)
    EVT_MOUSE_CAPTURE_LOST(AboutDialogBase::OnCaptureLost)
wxEND_EVENT_TABLE()

AboutDialogBase::AboutDialogBase() : dragOffset(0, 0) {}

AboutDialogBase::~AboutDialogBase() {
    // The transparent children paint with the background: they go first.
    DestroyChildren();
    delete icon;
    delete background;
}

wxString AboutDialogBase::NameAndVersion() {
    return AppInfo::GetProductName() + wxS(" ") + AppInfo::GetVersion();
}

bool AboutDialogBase::Create(wxBitmap* background, wxWindow* parent, wxWindowID id,
                             const wxString& title, const wxPoint& pos, const wxSize& size,
                             long style) {
    if (!wxDialog::Create(parent, id, title, pos, size, style, wxDialogNameStr)) return false;
    if (background != nullptr) {
        this->background = background;
        Bind(wxEVT_PAINT, &AboutDialogBase::OnPaintEvent, this);
    }
    const wxBitmap picture =
        ImageUtil::GetThemeBitmap(wxS("application/application.png"), wxBITMAP_TYPE_PNG);
    if (picture.IsOk()) {
        wxImage image = picture.ConvertToImage();
        image.Rescale(kIconSize, kIconSize, wxIMAGE_QUALITY_BILINEAR);
        icon = new wxBitmap(image);
    }
    CreateTitleButtons();
    CreateContent();
    CreateOkButton();
    SetRoundShape(size.GetWidth(), size.GetHeight());
    Centre(wxBOTH);
    return true;
}

void AboutDialogBase::SetRoundShape(int width, int height) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (width <= 0 || height <= 0) return;
    wxBitmap bitmap(width, height);
    wxMemoryDC dc(bitmap);
    // Everything outside the rounded rectangle stays black and is cut away.
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetPen(*wxWHITE_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRoundedRectangle(0, 0, width, height, kCornerRadius);
    dc.SelectObject(wxNullBitmap);
    SetShape(wxRegion(bitmap, *wxBLACK, 0));
}

void AboutDialogBase::OnPaint(wxPaintEvent& /*event*/) {
    wxBufferedPaintDC dc(this, wxBUFFER_CLIENT_AREA);
    DrawBackground(dc);
    DrawTitle(dc);
}

void AboutDialogBase::DrawBackground(wxDC& dc) {
    if (background != nullptr && background->IsOk()) dc.DrawBitmap(*background, 0, 0, false);
}

void AboutDialogBase::DrawTitle(wxDC& dc) {
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(kTitleFontPoints);
    font.SetWeight(wxFONTWEIGHT_BOLD);
    dc.SetFont(font);
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText(GetTitle(), 20, 6);
}

PvBitmapButton* AboutDialogBase::MakeTitleButton(wxWindowID id, int x, const char* normal,
                                                 const char* pressed, const char* hover) {
    wxBitmap* normalBitmap = LoadPng(normal);
    const wxSize size = normalBitmap != nullptr ? normalBitmap->GetSize() : wxSize(1, 1);
    PvBitmapButton* button = new PvBitmapButton(this, id, wxPoint(x, kTitleButtonY), size,
                                                wxBORDER_NONE, wxDefaultValidator);
    button->SetNormalBitmap(normalBitmap)
        ->SetPressedBitmap(LoadPng(pressed))
        ->SetHoverBitmap(LoadPng(hover));
    if (background != nullptr && background->IsOk()) {
        const wxRect piece =
            wxRect(wxPoint(x, kTitleButtonY), size).Intersect(wxRect(background->GetSize()));
        if (!piece.IsEmpty()) {
            button->SetBackgroundBitmap(
                ImageUtil::CropBitmap(*background, piece.x, piece.y, piece.width, piece.height));
        }
    }
    return button;
}

void AboutDialogBase::CreateTitleButtons() {
    const int width = GetSize().GetWidth();
    int x = width - ThemeWidth("image/titlebar/close_normal.png") - 4;
    closeButton =
        MakeTitleButton(ID_DIALOG_CLOSE, x, "image/titlebar/close_normal.png",
                        "image/titlebar/close_pressed.png", "image/titlebar/close_hover.png");
    x -= ThemeWidth("image/titlebar/minimize_normal.png") + 1;
    minimizeButton =
        MakeTitleButton(ID_DIALOG_MINIMIZE, x, "image/titlebar/minimize_normal.png",
                        "image/titlebar/minimize_pressed.png", "image/titlebar/minimize_hover.png");
}

void AboutDialogBase::CreateOkButton() {
    const wxSize size = GetSize();
    okButton = new wxButton(this, wxID_OK, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                            wxDefaultValidator, wxButtonNameStr);
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetWeight(wxFONTWEIGHT_BOLD);
    font.SetPointSize(kTitleFontPoints);
    okButton->SetFont(font);
    const wxString label = _("Ok");
    const wxSize extent = okButton->GetTextExtent(label);
    okButton->SetLabel(label);
    okButton->SetSize(extent.GetWidth() + 16, extent.GetHeight() + 8);
    const wxSize button = okButton->GetSize();
    okButton->Move(size.GetWidth() - button.GetWidth() - 20,
                   size.GetHeight() - button.GetHeight() - 40);
}

void AboutDialogBase::CreateContent() {
    const int width = GetSize().GetWidth();

    iconControl = new PvStaticBitmap();
    const wxBitmap shown = icon != nullptr ? *icon : wxBitmap(kIconSize, kIconSize);
    iconControl->Create(this, wxID_ANY, shown, wxPoint((width - shown.GetWidth()) / 2, kIconY),
                        wxDefaultSize, 0, wxStaticBitmapNameStr);
    iconControl->SetBackgroundBitmap(background);

    // Without settings there is no address to show or open, and no link is made.
    const ProgramPages* pages = ProgramPages::Get();
    const wxString home = pages != nullptr ? pages->HomeUrl() : wxString();
    if (!home.empty()) {
        link = new PvHyperLinkCtrl();
        link->Create(this, wxID_ANY, home, home, wxDefaultPosition, wxDefaultSize,
                     wxHL_DEFAULT_STYLE, wxHyperlinkCtrlNameStr);
        link->SetBackgroundBitmap(background);
        wxFont linkFont = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
        linkFont.SetUnderlined(true);
        link->SetFont(linkFont);
        link->SetSize(link->GetBestSize());
        link->Move((width - link->GetSize().GetWidth()) / 2, kLinkY);
    }

    nameText = new PvStaticText();
    const wxString name = NameAndVersion();
    nameText->Create(this, wxID_ANY, name, wxDefaultPosition, wxDefaultSize, 0,
                     wxStaticTextNameStr);
    nameText->SetBackgroundBitmap(background);
    nameText->Move((width - nameText->GetTextExtent(name).GetWidth()) / 2, kNameY);
    nameText->SetForegroundColour(*wxBLACK);
}

void AboutDialogBase::OnCloseClicked(wxCommandEvent& /*event*/) {
    if (IsModal()) EndModal(0);
}

void AboutDialogBase::OnMinimizeClicked(wxCommandEvent& /*event*/) {
    wxTopLevelWindow* top =
        wxDynamicCast(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr, wxTopLevelWindow);
    if (top != nullptr) top->Iconize(true);
}

void AboutDialogBase::OnLeftDown(wxMouseEvent& event) {
    PvWindowMove::OnLeftDown(this, this, event, dragOffset);
}

void AboutDialogBase::OnMotion(wxMouseEvent& event) {
    PvWindowMove::OnMotion(this, this, event, dragOffset);
}

void AboutDialogBase::OnLeftUp(wxMouseEvent& /*event*/) {
    PvWindowMove::OnLeftUp(this, this);
}

void AboutDialogBase::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {}
