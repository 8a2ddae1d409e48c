// The image button: its look follows the mouse and enabling, a completed press sends one click to
// the parent, and each look paints the right image over the right background.
#include <wx/dcmemory.h>

#include <functional>
#include <memory>
#include <vector>

#include "widgets_support.h"
#include "window/base/pv_bitmap_button.h"

namespace {

using widgets_test::Near;
using widgets_test::PixelOf;
using widgets_test::SendMouse;
using widgets_test::Solid;

const wxColour kNormal(200, 0, 0);
const wxColour kPressed(0, 200, 0);
const wxColour kHover(0, 0, 200);
const wxColour kDisabled(120, 120, 120);
const wxColour kBack(250, 250, 0);

// Opens the protected painting steps so that a test paints a look onto its own bitmap.
class ProbeButton : public PvBitmapButton {
  public:
    using PvBitmapButton::PvBitmapButton;
    wxImage Paint(int state) {
        return PaintWith([this, state](wxDC& dc) {
            DrawBackground(dc);
            DrawState(dc, state);
        });
    }
    // What a paint of the button shows now.
    wxImage PaintNow() {
        return PaintWith([this](wxDC& dc) { PaintButton(dc); });
    }

  private:
    wxImage PaintWith(const std::function<void(wxDC&)>& paint) {
        const wxSize size = GetSize();
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

// Images of 20 x 12 with a transparent left column (mask), so the background shows there.
wxBitmap* Image(const wxColour& colour) {
    wxImage image(20, 12);
    image.SetRGB(wxRect(0, 0, 20, 12), colour.Red(), colour.Green(), colour.Blue());
    image.SetRGB(wxRect(0, 0, 1, 12), 255, 0, 255);
    image.SetMaskColour(255, 0, 255);
    return new wxBitmap(image);
}

class BitmapButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame();
        button_ = new ProbeButton(frame_, 4711, wxPoint(30, 20), wxSize(20, 12), wxBORDER_NONE);
        frame_->Bind(wxEVT_COMMAND_BUTTON_CLICKED, [this](wxCommandEvent& event) {
            clicks_.push_back(event.GetId());
            EXPECT_EQ(button_, event.GetEventObject());
        });
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    void GiveImages(bool hover, bool pressed, bool disabled) {
        button_->SetNormalBitmap(Image(kNormal));
        if (pressed) button_->SetPressedBitmap(Image(kPressed));
        if (hover) button_->SetHoverBitmap(Image(kHover));
        if (disabled) button_->SetDisabledBitmap(Image(kDisabled));
    }

    int assertions_ = 0;
    wxFrame* frame_ = nullptr;
    ProbeButton* button_ = nullptr;
    std::vector<int> clicks_;
};

struct MouseCase {
    const char* name;
    std::vector<wxEventType> events;
    int state;
    int clicks;
};

TEST_F(BitmapButtonTest, MouseSequencesGiveLooksAndClicks) {
    const std::vector<MouseCase> cases = {
        {"enter, press, release",
         {wxEVT_ENTER_WINDOW, wxEVT_LEFT_DOWN, wxEVT_LEFT_UP},
         BUTTON_RELEASED,
         1},
        {"press, leave, release outside",
         {wxEVT_ENTER_WINDOW, wxEVT_LEFT_DOWN, wxEVT_LEAVE_WINDOW, wxEVT_LEFT_UP},
         BUTTON_OUTSIDE,
         0},
        {"press, leave, come back, release",
         {wxEVT_LEFT_DOWN, wxEVT_LEAVE_WINDOW, wxEVT_ENTER_WINDOW, wxEVT_LEFT_UP},
         BUTTON_HOVER,
         0},
        {"release without press", {wxEVT_ENTER_WINDOW, wxEVT_LEFT_UP}, BUTTON_HOVER, 0},
        {"double click sends two clicks",
         {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP},
         BUTTON_RELEASED,
         2},
        {"second release after a click",
         {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_UP},
         BUTTON_RELEASED,
         1},
        {"motion inside changes nothing after a click",
         {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION},
         BUTTON_RELEASED,
         1},
        {"leave and enter again",
         {wxEVT_ENTER_WINDOW, wxEVT_LEAVE_WINDOW, wxEVT_ENTER_WINDOW},
         BUTTON_HOVER,
         0},
    };
    GiveImages(true, true, false);
    for (const MouseCase& c : cases) {
        SCOPED_TRACE(c.name);
        button_->Enable(true);
        clicks_.clear();
        for (wxEventType type : c.events) SendMouse(button_, type);
        EXPECT_EQ(c.state, button_->GetState());
        EXPECT_EQ(static_cast<size_t>(c.clicks), clicks_.size());
        for (int id : clicks_) EXPECT_EQ(4711, id);
    }
}

TEST_F(BitmapButtonTest, EnablingSetsTheLookAndLeavingADisabledButtonKeepsIt) {
    GiveImages(true, true, false);
    SendMouse(button_, wxEVT_ENTER_WINDOW);
    button_->Disable();
    EXPECT_FALSE(button_->IsEnabled());
    EXPECT_EQ(BUTTON_DISABLED, button_->GetState());
    SendMouse(button_, wxEVT_LEAVE_WINDOW);
    EXPECT_EQ(BUTTON_DISABLED, button_->GetState());
    // Enabling gives the normal look even with the mouse over the button.
    button_->Enable(true);
    EXPECT_TRUE(button_->IsEnabled());
    EXPECT_EQ(BUTTON_NORMAL, button_->GetState());
}

TEST_F(BitmapButtonTest, ARealClickOfTheWindowSystemReachesTheParent) {
    GiveImages(true, true, false);
    gui_test::PumpUntil([this] { return button_->IsShownOnScreen(); });
    ASSERT_TRUE(gui_test::Click(button_));
    EXPECT_TRUE(gui_test::PumpUntil([this] { return clicks_.size() == 1; }));
    EXPECT_EQ(4711, clicks_.empty() ? 0 : clicks_[0]);
}

struct LookCase {
    const char* name;
    bool hover, pressed, disabled;  // which optional images are given
    int state;
    wxColour centre;  // expected at the middle of the button
};

TEST_F(BitmapButtonTest, EachLookPaintsItsImageOrTheFallback) {
    const std::vector<LookCase> cases = {
        {"normal", true, true, true, BUTTON_NORMAL, kNormal},
        {"released looks normal", true, true, true, BUTTON_RELEASED, kNormal},
        {"outside looks normal", true, true, true, BUTTON_OUTSIDE, kNormal},
        {"hover", true, true, true, BUTTON_HOVER, kHover},
        {"pressed", true, true, true, BUTTON_PRESSED, kPressed},
        {"pressed alt", true, true, true, BUTTON_PRESSED_ALT, kPressed},
        {"disabled", true, true, true, BUTTON_DISABLED, kDisabled},
        {"unknown state looks normal", true, true, true, 99, kNormal},
        {"pressed without image", false, false, false, BUTTON_PRESSED, kNormal},
        {"disabled without image", false, false, false, BUTTON_DISABLED, kNormal},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeButton* button = new ProbeButton(frame_, wxID_ANY, wxPoint(0, 0), wxSize(20, 12));
        button->SetBackgroundColour(kBack);
        button->SetNormalBitmap(Image(kNormal));
        if (c.hover) button->SetHoverBitmap(Image(kHover));
        if (c.pressed) button->SetPressedBitmap(Image(kPressed));
        if (c.disabled) button->SetDisabledBitmap(Image(kDisabled));
        const wxImage look = button->Paint(c.state);
        EXPECT_TRUE(Near(c.centre, PixelOf(look, 10, 6)));
        // The masked column shows the background.
        EXPECT_TRUE(Near(kBack, PixelOf(look, 0, 6)));
        button->Destroy();
    }
}

TEST_F(BitmapButtonTest, HoverWithoutImageShowsARedFrameOverTheBackground) {
    GiveImages(false, true, false);
    button_->SetBackgroundColour(kBack);
    const wxImage look = button_->Paint(BUTTON_HOVER);
    // The four edges of the button are red (corners may be blended by the renderer).
    EXPECT_TRUE(Near(*wxRED, PixelOf(look, 10, 0)));
    EXPECT_TRUE(Near(*wxRED, PixelOf(look, 10, 11)));
    EXPECT_TRUE(Near(*wxRED, PixelOf(look, 0, 6)));
    EXPECT_TRUE(Near(*wxRED, PixelOf(look, 19, 6)));
    EXPECT_TRUE(Near(kBack, PixelOf(look, 10, 6)));  // no button image
}

TEST_F(BitmapButtonTest, BackgroundSwitchesBetweenPieceAndColour) {
    GiveImages(true, true, false);
    const wxColour piece(10, 140, 220);
    button_->SetBackgroundBitmap(Solid(20, 12, piece));
    EXPECT_TRUE(Near(piece, PixelOf(button_->Paint(BUTTON_NORMAL), 0, 5)));
    button_->SetBackgroundColour(kBack);
    EXPECT_TRUE(Near(kBack, PixelOf(button_->Paint(BUTTON_NORMAL), 0, 5)));
    button_->SetBackgroundBitmap(Solid(20, 12, piece));
    EXPECT_TRUE(Near(piece, PixelOf(button_->Paint(BUTTON_NORMAL), 0, 5)));
}

TEST_F(BitmapButtonTest, NoNormalImageShowsOnlyTheBackground) {
    button_->SetBackgroundColour(kBack);
    EXPECT_TRUE(Near(kBack, PixelOf(button_->Paint(BUTTON_NORMAL), 10, 6)));
    EXPECT_TRUE(Near(kBack, PixelOf(button_->Paint(BUTTON_PRESSED), 10, 6)));
}

TEST_F(BitmapButtonTest, APaintFollowsTheMouseAndAForcedStateOverridesIt) {
    GiveImages(true, true, false);
    button_->SetBackgroundColour(kBack);
    EXPECT_TRUE(Near(kNormal, PixelOf(button_->PaintNow(), 10, 6)));
    SendMouse(button_, wxEVT_ENTER_WINDOW);
    EXPECT_TRUE(Near(kHover, PixelOf(button_->PaintNow(), 10, 6)));
    button_->SetForcedState(true, BUTTON_PRESSED);
    SendMouse(button_, wxEVT_LEAVE_WINDOW);
    EXPECT_EQ(BUTTON_OUTSIDE, button_->GetState());
    EXPECT_TRUE(Near(kPressed, PixelOf(button_->PaintNow(), 10, 6)));
    button_->SetForcedState(false, 0);
    EXPECT_TRUE(Near(kNormal, PixelOf(button_->PaintNow(), 10, 6)));
}

TEST(BitmapButtonClass, IsKnownByNameAndCreatedByIt) {
    wxClassInfo* info = wxClassInfo::FindClass("PvBitmapButton");
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxControl)));
    std::unique_ptr<wxObject> made(info->CreateObject());
    ASSERT_NE(nullptr, made);
    PvBitmapButton* button = dynamic_cast<PvBitmapButton*>(made.get());
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(BUTTON_NORMAL, button->GetState());
}

}  // namespace
