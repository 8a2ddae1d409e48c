// The transparent text, bitmap and hyperlink: each paints, at every erase, the piece of its
// parent's background image that lies under it (cut once per position and size, clipped to the
// image), and the native GTK label and image get those erase events before they draw.
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>

#include <functional>
#include <vector>

#include "widgets_support.h"
#include "window/base/msw/pv_hyperlink_ctrl.h"
#include "window/base/msw/pv_static_bitmap.h"
#include "window/base/msw/pv_static_text.h"

namespace {

using widgets_test::Near;
using widgets_test::PixelOf;

// Sends one erase event with a memory context to control and returns what it painted (black where
// it painted nothing).
wxImage Erase(wxWindow* control, const wxSize& canvas = wxSize(40, 20)) {
    wxBitmap bitmap(canvas.x, canvas.y, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        wxEraseEvent erase(control->GetId(), &dc);
        erase.SetEventObject(control);
        control->GetEventHandler()->ProcessEvent(erase);
    }
    return bitmap.ConvertToImage();
}

class TransparentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(240, 140));
        background_ = widgets_test::Positions(200, 100);
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }

    // The three controls, made the way their creator makes them.
    std::vector<wxWindow*> MakeAll() {
        PvStaticText* text = new PvStaticText();
        text->Create(frame_, wxID_ANY, "Backup Viewer 2.1.5", wxPoint(30, 20), wxSize(40, 20));
        text->SetBackgroundBitmap(&background_);
        PvStaticBitmap* icon = new PvStaticBitmap();
        icon->Create(frame_, wxID_ANY, widgets_test::Solid(16, 16, *wxRED), wxPoint(30, 20),
                     wxSize(40, 20));
        icon->SetBackgroundBitmap(&background_);
        PvHyperLinkCtrl* link = new PvHyperLinkCtrl();
        link->Create(frame_, wxID_ANY, "http://127.0.0.1/", "http://127.0.0.1/", wxPoint(30, 20),
                     wxSize(40, 20));
        link->SetBackgroundBitmap(&background_);
        return {text, icon, link};
    }

    wxFrame* frame_ = nullptr;
    wxBitmap background_;
    int assertions_ = 0;
};

TEST_F(TransparentTest, EachControlPaintsThePieceUnderItAndCutsAgainWhenMoved) {
    for (wxWindow* control : MakeAll()) {
        SCOPED_TRACE(control->GetClassInfo()->GetClassName());
        EXPECT_TRUE(control->HasTransparentBackground());
        control->SetSize(30, 20, 40, 20);
        wxImage piece = Erase(control);
        EXPECT_TRUE(Near(wxColour(30, 20, 0x80), PixelOf(piece, 0, 0), 1));
        EXPECT_TRUE(Near(wxColour(69, 39, 0x80), PixelOf(piece, 39, 19), 1));
        // Painted again without moving: the same piece.
        piece = Erase(control);
        EXPECT_TRUE(Near(wxColour(30, 20, 0x80), PixelOf(piece, 0, 0), 1));

        control->Move(100, 50);
        piece = Erase(control);
        EXPECT_TRUE(Near(wxColour(100, 50, 0x80), PixelOf(piece, 0, 0), 1));

        // Reaching past the image's right and bottom edges: the piece is clipped to the image
        // and the rest of the control is left alone.
        control->SetSize(180, 90, 40, 20);
        piece = Erase(control);
        EXPECT_TRUE(Near(wxColour(199, 99, 0x80), PixelOf(piece, 19, 9), 1));
        EXPECT_TRUE(Near(*wxBLACK, PixelOf(piece, 20, 5), 1));
        EXPECT_TRUE(Near(*wxBLACK, PixelOf(piece, 5, 10), 1));

        // Wholly outside the image: nothing is painted.
        control->SetSize(210, 110, 20, 10);
        piece = Erase(control);
        EXPECT_TRUE(Near(*wxBLACK, PixelOf(piece, 0, 0), 1));
    }
}

TEST_F(TransparentTest, WithoutABackgroundImageNothingIsPainted) {
    PvStaticText* text = new PvStaticText();
    text->Create(frame_, wxID_ANY, "x", wxPoint(5, 5), wxSize(20, 10));
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(Erase(text), 3, 3), 1));
    PvStaticBitmap* icon = new PvStaticBitmap();
    icon->Create(frame_, wxID_ANY, widgets_test::Solid(8, 8, *wxRED), wxPoint(5, 5));
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(Erase(icon), 3, 3), 1));
}

TEST_F(TransparentTest, TextIsWhiteUntilAColourIsSet) {
    PvStaticText* text = new PvStaticText();
    text->Create(frame_, wxID_ANY, "Backup Viewer", wxPoint(5, 5));
    EXPECT_EQ(*wxWHITE, text->GetForegroundColour());
    text->SetForegroundColour(*wxBLACK);
    EXPECT_EQ(*wxBLACK, text->GetForegroundColour());
    // Apart from the background, the library control's own behaviour.
    text->SetLabel("Other");
    EXPECT_EQ("Other", text->GetLabel());
}

TEST_F(TransparentTest, TheShownControlsGetEraseEventsBeforeTheyDraw) {
    std::vector<wxWindow*> controls = MakeAll();
    std::vector<int> erased(controls.size(), 0);
    for (size_t i = 0; i < controls.size(); ++i) {
        controls[i]->SetSize(10 + 50 * static_cast<int>(i), 20, 45, 24);
        controls[i]->Bind(wxEVT_ERASE_BACKGROUND, [&erased, i](wxEraseEvent& event) {
            if (event.GetDC() != nullptr) ++erased[i];
            event.Skip();  // the control's own handler paints
        });
    }
    frame_->Refresh();
    frame_->Update();
    EXPECT_TRUE(
        gui_test::PumpUntil([&] { return erased[0] > 0 && erased[1] > 0 && erased[2] > 0; }));
    // Setting the image once more connects nothing twice.
    static_cast<PvStaticText*>(controls[0])->SetBackgroundBitmap(&background_);
    const int before = erased[0];
    controls[0]->Refresh();
    gui_test::PumpUntil([&] { return erased[0] > before; });
    EXPECT_EQ(before + 1, erased[0]);
}

TEST_F(TransparentTest, TheShownTextShowsThePieceOfTheImageNotTheParentsColour) {
    frame_->SetBackgroundColour(*wxBLUE);
    PvStaticText* text = new PvStaticText();
    text->Create(frame_, wxID_ANY, "Backup Viewer", wxPoint(30, 20), wxSize(120, 30));
    text->SetBackgroundBitmap(&background_);
    text->SetForegroundColour(*wxBLACK);
    frame_->Refresh();
    gui_test::PumpFor(0.3);
    wxBitmap shot(240, 140, 24);
    {
        wxClientDC source(frame_);
        wxMemoryDC target(shot);
        target.Blit(0, 0, 240, 140, &source, 0, 0);
    }
    const wxImage image = shot.ConvertToImage();
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(image, 10, 10), 2));
    // Below the text line, inside the control: the image's own pixels.
    EXPECT_TRUE(Near(wxColour(145, 47, 0x80), PixelOf(image, 145, 47), 2));
    EXPECT_TRUE(Near(wxColour(35, 47, 0x80), PixelOf(image, 35, 47), 2));
}

}  // namespace
