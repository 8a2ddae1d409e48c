// The word buttons: faces composed from caps and a tiled centre around the label, the button's
// size following the label, the looks and their fallbacks, the background piece cut from the
// parent's image, and the toolbar variant with its label under the icon.
#include <wx/dcmemory.h>
#include <wx/settings.h>

#include <functional>
#include <vector>

#include "widgets_support.h"
#include "window/base/pv_word_button.h"

namespace {

using widgets_test::Near;
using widgets_test::PixelOf;
using widgets_test::SendMouse;
using widgets_test::Solid;

const wxColour kLeft(200, 0, 0);
const wxColour kCentre(0, 200, 0);
const wxColour kRight(0, 0, 200);

// A theme-like image 30 x 16: left cap 10 wide, centre tile 8, right cap 12, each its own colour;
// shade darkens every colour (to tell the looks apart).
wxBitmap CapImage(int shade = 0) {
    wxImage image(30, 16);
    auto paint = [&](int x, int w, const wxColour& c) {
        image.SetRGB(wxRect(x, 0, w, 16), std::max(c.Red() - shade, 0),
                     std::max(c.Green() - shade, 0), std::max(c.Blue() - shade, 0));
    };
    paint(0, 10, kLeft);
    paint(10, 8, kCentre);
    paint(18, 12, kRight);
    return wxBitmap(image);
}

// Opens the protected faces and painting steps.
template <class Base>
class Probe : public Base {
  public:
    using Base::background_;
    using Base::current_bitmap_;
    using Base::disabled_bitmap_;
    using Base::normal_bitmap_;
    using Base::pressed_bitmap_;

    // The background a paint puts on the button, painted onto a bitmap of the button's size.
    wxImage PaintLook() {
        return PaintWith([this](wxDC& dc) { this->DrawBackground(dc); });
    }
    // Everything a paint puts on the button now.
    wxImage PaintNow() {
        return PaintWith([this](wxDC& dc) { this->PaintButton(dc); });
    }

  private:
    wxImage PaintWith(const std::function<void(wxDC&)>& paint) {
        const wxSize size = this->GetSize();
        wxBitmap target(size.x, size.y, 24);
        {
            wxMemoryDC dc(target);
            dc.SetBackground(*wxBLACK_BRUSH);
            dc.Clear();
            paint(dc);
        }
        return target.ConvertToImage();
    }
};
typedef Probe<PvWordButton> ProbeWordButton;
typedef Probe<PvBottomWordButton> ProbeBottomButton;

class WordButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(320, 200));
        font_ = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    ProbeWordButton* MakeButton(const wxPoint& at, bool current = true, bool pressed = true) {
        ProbeWordButton* button = new ProbeWordButton();
        EXPECT_TRUE(button->Create(frame_, 77, at));
        wxBitmap normal = CapImage();
        wxBitmap cur = current ? CapImage(60) : wxBitmap();
        wxBitmap pre = pressed ? CapImage(120) : wxBitmap();
        button->SetBitmaps(normal, 10, 8, cur, pre);
        return button;
    }
    int LabelWidth(wxWindow* button, const wxString& label) {
        return button->GetTextExtent(label).GetWidth();
    }

    int assertions_ = 0;
    wxFrame* frame_ = nullptr;
    wxFont font_;
};

TEST_F(WordButtonTest, FaceIsCapsAroundTheTiledLabelAndTheButtonTakesItsSize) {
    ProbeWordButton* button = MakeButton(wxPoint(20, 20));
    button->SetLabel("Start Scan", font_);
    const int tw = LabelWidth(button, "Start Scan");
    ASSERT_GT(tw, 0);
    EXPECT_EQ(wxSize(10 + tw + 12, 16), button->GetSize());
    EXPECT_EQ(wxPoint(20, 20), button->GetPosition());
    EXPECT_EQ(10, button->GetTextX());
    EXPECT_EQ("Start Scan", button->GetLabel());

    const wxImage face = button->normal_bitmap_[3].ConvertToImage();
    ASSERT_EQ(10 + tw + 12, face.GetWidth());
    EXPECT_TRUE(Near(kLeft, PixelOf(face, 9, 8)));
    EXPECT_TRUE(Near(kCentre, PixelOf(face, 10, 8)));
    EXPECT_TRUE(Near(kCentre, PixelOf(face, 10 + tw - 1, 8)));  // the tile repeats under the label
    EXPECT_TRUE(Near(kRight, PixelOf(face, 10 + tw, 8)));
    EXPECT_TRUE(Near(kRight, PixelOf(face, 10 + tw + 11, 8)));

    // The other looks are composed at the same size.
    EXPECT_EQ(face.GetSize(), button->current_bitmap_[3].GetSize());
    EXPECT_EQ(face.GetSize(), button->pressed_bitmap_[3].GetSize());
    EXPECT_EQ(face.GetSize(), button->disabled_bitmap_.GetSize());
}

TEST_F(WordButtonTest, ALongerLabelWidensTheButtonAndItsPieceIsCutAgain) {
    ProbeWordButton* button = MakeButton(wxPoint(20, 30));
    button->SetBackgroundBitmap(widgets_test::Positions(320, 200), BACKGROUND_CUT);
    button->SetLabel("Back", font_);
    const int shortWidth = button->GetSize().x;
    wxImage look = button->PaintLook();
    EXPECT_EQ(shortWidth, button->background_[1].GetWidth());
    EXPECT_TRUE(Near(wxColour(20, 30, 0x80), PixelOf(look, 0, 0), 1));

    button->SetLabel("Zurueck zur Liste", font_);
    EXPECT_GT(button->GetSize().x, shortWidth);
    look = button->PaintLook();
    EXPECT_EQ(button->GetSize().x, button->background_[1].GetWidth());
    const int x = button->GetSize().x - 1;
    EXPECT_TRUE(Near(wxColour(20 + x, 30 + 5, 0x80), PixelOf(look, x, 5), 1));

    // Moved: the piece comes from the new place.
    button->Move(50, 60);
    look = button->PaintLook();
    EXPECT_TRUE(Near(wxColour(50, 60, 0x80), PixelOf(look, 0, 0), 1));
}

TEST_F(WordButtonTest, APiecePartlyOutsideTheSourceIsClippedToIt) {
    ProbeWordButton* button = MakeButton(wxPoint(100, 50));
    button->SetBackgroundBitmap(widgets_test::Positions(110, 58), BACKGROUND_CUT);
    button->SetLabel("Recover", font_);
    const wxImage look = button->PaintLook();
    EXPECT_EQ(wxSize(10, 8), button->background_[1].GetSize());
    EXPECT_TRUE(Near(wxColour(109, 57, 0x80), PixelOf(look, 9, 7), 1));
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(look, 10, 8), 1));  // outside the source: left alone
}

TEST_F(WordButtonTest, ColourAndTiledBackgrounds) {
    ProbeWordButton* button = MakeButton(wxPoint(10, 7));
    button->SetLabel("Back", font_);
    button->SetBackgroundBitmap(Solid(10, 10, *wxRED), BACKGROUND_CUT);
    button->SetBackgroundColour(wxColour(0, 90, 90));
    EXPECT_TRUE(Near(wxColour(0, 90, 90), PixelOf(button->PaintLook(), 3, 3)));

    // Tiled: a 4 x 200 source repeated across; the band at the button's y.
    button->SetBackgroundBitmap(widgets_test::Positions(4, 200), BACKGROUND_TILED);
    const wxImage look = button->PaintLook();
    EXPECT_TRUE(Near(wxColour(1, 7, 0x80), PixelOf(look, 5, 0), 1));
    EXPECT_TRUE(Near(wxColour(3, 9, 0x80), PixelOf(look, 7, 2), 1));
}

TEST_F(WordButtonTest, MissingLooksFallBackToTheNormalFace) {
    ProbeWordButton* button = MakeButton(wxPoint(20, 20), false, false);
    button->SetLabel("Back", font_);
    EXPECT_FALSE(button->current_bitmap_[3].IsOk());
    EXPECT_FALSE(button->pressed_bitmap_[3].IsOk());
    button->SetBackgroundColour(*wxBLACK);
    const wxPoint capPixel(4, 8);  // inside the left cap
    SendMouse(button, wxEVT_ENTER_WINDOW);
    EXPECT_EQ(BUTTON_HOVER, button->GetState());
    EXPECT_TRUE(Near(kLeft, PixelOf(button->PaintNow(), capPixel.x, capPixel.y)));
    SendMouse(button, wxEVT_LEFT_DOWN);
    EXPECT_TRUE(Near(kLeft, PixelOf(button->PaintNow(), capPixel.x, capPixel.y)));
}

TEST_F(WordButtonTest, APaintShowsTheFaceOfEachLook) {
    ProbeWordButton* button = MakeButton(wxPoint(20, 20));
    button->SetLabel("Back", font_);
    button->SetBackgroundColour(*wxBLACK);
    const wxPoint capPixel(4, 8);
    struct Look {
        wxEventType event;
        wxColour cap;
    };
    const std::vector<Look> looks = {
        {wxEVT_ENTER_WINDOW, wxColour(140, 0, 0)},  // current image
        {wxEVT_LEFT_DOWN, wxColour(80, 0, 0)},      // pressed image
        {wxEVT_LEFT_UP, kLeft},                     // released: normal
        {wxEVT_LEAVE_WINDOW, kLeft},
    };
    for (const Look& look : looks) {
        SendMouse(button, look.event);

        EXPECT_TRUE(Near(look.cap, PixelOf(button->PaintNow(), capPixel.x, capPixel.y)));
    }
    // Disabled: the greyed normal face, lighter and less saturated than the normal one.
    button->Disable();
    const wxColour grey = PixelOf(button->PaintNow(), capPixel.x, capPixel.y);
    EXPECT_FALSE(Near(kLeft, grey, 30));
    EXPECT_LT(std::abs(grey.Red() - grey.Green()), 150);
}

TEST_F(WordButtonTest, ClicksFollowTheSameRulesAsTheImageButton) {
    ProbeWordButton* button = MakeButton(wxPoint(20, 20));
    button->SetLabel("Recover", font_);
    int clicks = 0;
    frame_->Bind(wxEVT_COMMAND_BUTTON_CLICKED, [&](wxCommandEvent& event) {
        EXPECT_EQ(77, event.GetId());
        EXPECT_EQ(button, event.GetEventObject());
        ++clicks;
    });
    const std::vector<std::pair<std::vector<wxEventType>, int>> cases = {
        {{wxEVT_LEFT_DOWN, wxEVT_LEFT_UP}, 1},
        {{wxEVT_LEFT_DOWN, wxEVT_LEAVE_WINDOW, wxEVT_LEFT_UP}, 0},
        {{wxEVT_ENTER_WINDOW, wxEVT_LEFT_UP}, 0},
        {{wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP}, 2},
    };
    for (const auto& c : cases) {
        clicks = 0;
        SendMouse(button, wxEVT_LEAVE_WINDOW);
        for (wxEventType type : c.first) SendMouse(button, type);
        EXPECT_EQ(c.second, clicks);
    }
    // A real click of the window system.
    clicks = 0;
    ASSERT_TRUE(gui_test::Click(button));
    EXPECT_TRUE(gui_test::PumpUntil([&] { return clicks == 1; }));
}

TEST_F(WordButtonTest, FailedPreconditionsLeaveAButtonWithoutFaceAndDoNotEndTheProgram) {
    ProbeWordButton* early = new ProbeWordButton();
    ASSERT_TRUE(early->Create(frame_, wxID_ANY, wxPoint(5, 5)));
    early->SetLabel("Back", font_);  // before SetBitmaps
    EXPECT_FALSE(early->normal_bitmap_[3].IsOk());
    wxBitmap invalid, none;
    early->SetBitmaps(invalid, 10, 8, none, none);
    EXPECT_FALSE(early->normal_bitmap_[0].IsOk());

    ProbeWordButton* empty = MakeButton(wxPoint(5, 40));
    empty->SetLabel("", font_);
    EXPECT_FALSE(empty->normal_bitmap_[3].IsOk());
    // Both paint their background only.
    early->SetBackgroundColour(*wxBLUE);
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(early->PaintNow(), 2, 2)));
    empty->SetBackgroundColour(*wxBLUE);
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(empty->PaintNow(), 2, 2)));
}

TEST_F(WordButtonTest, MaskedImagesBecomeAlphaAndTheFaceKeepsItsTransparentCorners) {
    wxImage image(30, 16);
    image.SetRGB(wxRect(0, 0, 30, 16), 10, 120, 10);
    image.SetRGB(wxRect(0, 0, 2, 2), 255, 0, 255);
    image.SetMaskColour(255, 0, 255);
    wxBitmap normal(image), none;
    ProbeWordButton* button = new ProbeWordButton();
    ASSERT_TRUE(button->Create(frame_, wxID_ANY, wxPoint(30, 100)));
    button->SetBitmaps(normal, 10, 8, none, none);
    EXPECT_TRUE(normal.HasAlpha());  // the caller's image is replaced by its prepared copy
    button->SetLabel("Back", font_);
    const wxImage face = button->normal_bitmap_[3].ConvertToImage();
    ASSERT_TRUE(face.HasAlpha());
    EXPECT_EQ(0, face.GetAlpha(0, 0));
    EXPECT_EQ(255, face.GetAlpha(5, 5));
}

TEST_F(WordButtonTest, ToolbarButtonCentresIconAndLabel) {
    struct Case {
        const char* label;
        int iconWidth;
    };
    const std::vector<Case> cases = {{"Home", 48}, {"A much longer help label", 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ProbeBottomButton* button = new ProbeBottomButton();
        ASSERT_TRUE(button->Create(frame_, wxID_ANY, wxPoint(10, 10)));
        wxBitmap icon = Solid(c.iconWidth, 20, kRight, true);
        wxBitmap current = Solid(c.iconWidth, 20, kLeft, true), pressed;
        button->SetBitmaps(icon, 0, 0, current, pressed);
        button->SetLabelGap(3);
        button->SetLabel(c.label, font_);
        const wxSize text = button->GetTextExtent(c.label);
        const int width = std::max(text.GetWidth(), c.iconWidth);
        EXPECT_EQ(wxSize(width, 20 + 3 + text.GetHeight() + 4), button->GetSize());
        EXPECT_EQ(20 + 3, button->GetTextY());
        EXPECT_EQ(text.GetWidth() > c.iconWidth ? 0 : (c.iconWidth - text.GetWidth()) / 2,
                  button->GetTextX());
        // The icon sits centred at the top; the rest of the face is transparent.
        const wxImage face = button->normal_bitmap_[3].ConvertToImage();
        const int iconX = (width - c.iconWidth) / 2;
        ASSERT_TRUE(face.HasAlpha());
        EXPECT_EQ(255, face.GetAlpha(iconX + c.iconWidth / 2, 10));
        EXPECT_TRUE(Near(kRight, PixelOf(face, iconX + c.iconWidth / 2, 10)));
        EXPECT_EQ(0, face.GetAlpha(iconX + c.iconWidth / 2, 20 + 3 + 1));
        if (iconX > 0) {
            EXPECT_EQ(0, face.GetAlpha(iconX - 1, 10));
        }
        EXPECT_TRUE(Near(kLeft, PixelOf(button->current_bitmap_[3].ConvertToImage(),
                                        iconX + c.iconWidth / 2, 10)));
        EXPECT_FALSE(button->pressed_bitmap_[3].IsOk());
        button->Destroy();
    }
}

TEST(WordButtonClass, IsKnownByName) {
    wxClassInfo* info = wxClassInfo::FindClass("PvWordButton");
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxControl)));
    PvBottomWordButton bottom;
    EXPECT_EQ(info, bottom.GetClassInfo());
}

}  // namespace
