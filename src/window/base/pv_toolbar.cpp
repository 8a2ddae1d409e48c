#include "window/base/pv_toolbar.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "common/app_info.h"
#include "common/face_layout.h"
#include "common/image_util.h"
#include "window/base/program_pages.h"
#include "window/base/pv_word_button.h"

namespace {

constexpr int kIconSize = 48;
constexpr int kIconX = 20;
constexpr int kTitleX = 100;
constexpr int kTitleY = 8;
constexpr int kNameGap = 16;
constexpr int kNamePointSize = 20;
constexpr int kRightMargin = 2;

wxBitmap LoadPng(const char* name) {
    return ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
}

wxColour FaceColour(const char* key) {
    const FaceRect r = GetFaceRect(wxString::FromUTF8(key));
    return wxColour(static_cast<unsigned char>(r.x & 0xff), static_cast<unsigned char>(r.y & 0xff),
                    static_cast<unsigned char>(r.width & 0xff), 255);
}

// The default GUI font at the point size of a layout key; the key's absence (0) keeps the
// font's own size.
wxFont FaceFont(const char* key) {
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    const int points = GetFaceRect(wxString::FromUTF8(key)).height;
    if (points > 0) font.SetPointSize(points);
    return font;
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(PvToolbar, wxControl);

wxBEGIN_EVENT_TABLE(PvToolbar, wxControl)
    EVT_PAINT(PvToolbar::OnPaint)
    EVT_BUTTON(ID_TOOL_HELP, PvToolbar::OnHelpClicked)
    EVT_BUTTON(ID_TOOL_HOME, PvToolbar::OnHomeClicked)
wxEND_EVENT_TABLE()

PvToolbar::PvToolbar() = default;

PvToolbar::~PvToolbar() {
    delete background;
    delete icon;
}

bool PvToolbar::Create(wxBitmap* background, wxWindow* parent, wxWindowID id, const wxPoint& pos) {
    this->background = background;
    const wxSize size =
        background != nullptr && background->IsOk() ? background->GetSize() : wxDefaultSize;
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE, wxDefaultValidator,
                           wxControlNameStr))
        return false;

    const wxBitmap picture = LoadPng("application/application.png");
    if (picture.IsOk()) {
        wxImage image = picture.ConvertToImage();
        image.Rescale(kIconSize, kIconSize, wxIMAGE_QUALITY_BILINEAR);
        icon = new wxBitmap(image);
    }
    height = background != nullptr && background->IsOk() ? background->GetHeight() : 0;

    const FaceRect r = GetFaceRect(wxS("/face/toolwindow/home-button"));
    homeButton =
        MakeButton(ID_TOOL_HOME, wxPoint(r.x, r.y), r.height, "image/toolbar/home-normal.png",
                   "image/toolbar/home-current.png", "image/toolbar/home-pressed.png");
    helpButton = MakeButton(ID_TOOL_HELP, wxPoint(r.x + homeButton->GetSize().GetWidth(), r.y),
                            r.height, "image/toolbar/help-normal.png",
                            "image/toolbar/help-current.png", "image/toolbar/help-pressed.png");
    // A label that changes the width of either button may make the row overlap or overflow.
    homeButton->Bind(wxEVT_SIZE, &PvToolbar::OnButtonSize, this);
    helpButton->Bind(wxEVT_SIZE, &PvToolbar::OnButtonSize, this);
    SetTexts();
    return true;
}

PvBottomWordButton* PvToolbar::MakeButton(wxWindowID id, const wxPoint& pos, int gap,
                                          const char* normal, const char* current,
                                          const char* pressed) {
    PvBottomWordButton* button = new PvBottomWordButton();
    button->Create(this, id, pos);
    wxBitmap normalBitmap = LoadPng(normal);
    wxBitmap currentBitmap = LoadPng(current);
    wxBitmap pressedBitmap = LoadPng(pressed);
    button->SetBitmaps(normalBitmap, 0, 0, currentBitmap, pressedBitmap);
    if (background != nullptr && background->IsOk())
        button->SetBackgroundBitmap(*background, BACKGROUND_CUT);
    button->SetLabelGap(gap);
    return button;
}

void PvToolbar::SetTexts() {
    if (homeButton == nullptr || helpButton == nullptr) return;
    const wxFont font = FaceFont("/face/toolwindow/home-button/font");
    const wxColour colour = FaceColour("/face/toolwindow/home-button/colour");
    homeButton->SetLabel(_("Home"), font);
    homeButton->SetForegroundColour(colour);
    helpButton->SetLabel(_("Help"), font);
    helpButton->SetForegroundColour(colour);
    // The size events of a resize may come later or not at all (a label that keeps the
    // button's width): the row is checked here as well.
    LayRow();
}

void PvToolbar::UpdateLanguage() {
    SetTexts();
    Refresh();
    Update();
}

void PvToolbar::OnButtonSize(wxSizeEvent& /*event*/) {
    LayRow();
}

void PvToolbar::LayRow() {
    if (homeButton == nullptr || helpButton == nullptr) return;
    const wxRect home = homeButton->GetRect();
    const wxRect help = helpButton->GetRect();
    const int width = GetSize().GetWidth();
    // Once re-laid, the row stays right-aligned, so that a label that narrows again leaves no
    // gap between the buttons.
    if (!rowReLaid && !home.Intersects(help) && width >= help.GetRight() + 1 + kRightMargin) return;
    rowReLaid = true;
    // Right-aligned, kRightMargin from the edge, the buttons edge to edge.
    int x = width - help.GetWidth() - kRightMargin;
    if (help.GetX() != x) helpButton->Move(x, help.GetY());
    x -= home.GetWidth();
    if (home.GetX() != x || home.GetY() != help.GetY()) homeButton->Move(x, help.GetY());
}

void PvToolbar::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    if (background != nullptr && background->IsOk()) dc.DrawBitmap(*background, 0, 0, false);
    if (icon != nullptr && icon->IsOk())
        dc.DrawBitmap(*icon, kIconX, (height - icon->GetHeight()) / 2, false);

    const wxString brand = AppInfo::GetBrand();
    const wxString name = ProductOwnName();
    wxFont font = FaceFont("/face/toolwindow/titlefont");
    font.SetWeight(wxFONTWEIGHT_NORMAL);
    dc.SetFont(font);
    dc.SetTextForeground(FaceColour("/face/toolwindow/textcolour"));
    dc.DrawText(brand, kTitleX, kTitleY);
    const int brandHeight = dc.GetTextExtent(brand).GetHeight();
    font.SetPointSize(kNamePointSize);
    dc.SetFont(font);
    dc.DrawText(name, kTitleX, brandHeight + kNameGap);
}

wxString PvToolbar::ProductOwnName() {
    const wxString brand = AppInfo::GetBrand();
    const wxString name = AppInfo::GetProductName();
    if (name.find(brand) == wxString::npos) return name;
    if (name.length() <= brand.length() + 1) return wxString();
    return name.substr(brand.length() + 1);
}

void PvToolbar::OnHomeClicked(wxCommandEvent& /*event*/) {
    if (const ProgramPages* pages = ProgramPages::Get()) pages->Open(pages->HomeUrl());
}

void PvToolbar::OnHelpClicked(wxCommandEvent& /*event*/) {
    if (const ProgramPages* pages = ProgramPages::Get()) pages->Open(pages->HelpUrl());
}
