// The kind tree's icon list (eleven images, index = kind, at the asked size) and dragging a
// borderless window by its surface.
#include <wx/dcclient.h>
#include <wx/imaglist.h>
#include <wx/uiaction.h>

#include <vector>

#include "common/image_util.h"
#include "widgets_support.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/pv_window_move.h"

namespace {

using widgets_test::Near;
using widgets_test::PixelOf;

class TreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(200, 300));
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    wxFrame* frame_ = nullptr;
    int assertions_ = 0;
};

TEST_F(TreeTest, ElevenIconsInKindOrderAtTheAskedSize) {
    PvTreeCtrl* tree = new PvTreeCtrl(frame_, 2, wxPoint(0, 0), wxSize(200, 300),
                                      wxTR_HAS_BUTTONS | wxTR_HIDE_ROOT | wxBORDER_NONE);
    wxImageList* images = tree->GetImageList();
    ASSERT_NE(nullptr, images);
    ASSERT_EQ(11, images->GetImageCount());
    int width = 0, height = 0;
    images->GetSize(0, width, height);
    EXPECT_EQ(16, width);
    EXPECT_EQ(16, height);

    // Index 6 is the calendar icon: the list holds its pixels unchanged at 16 pixels.
    const wxBitmap calendarFile =
        ImageUtil::GetThemeBitmap("image/content/calendar.png", wxBITMAP_TYPE_PNG);
    const wxImage calendar = calendarFile.IsOk() ? calendarFile.ConvertToImage() : wxImage();
    if (calendar.IsOk() && calendar.GetWidth() == 16) {
        const wxImage listed = images->GetBitmap(6).ConvertToImage();
        int same = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (Near(PixelOf(calendar, x, y), PixelOf(listed, x, y), 2)) ++same;
            }
        }
        EXPECT_GT(same, 16 * 16 * 9 / 10);
    }

    const std::vector<std::pair<int, int>> sizes = {{24, 24}, {0, 24}, {10, 10}, {0, 10}};
    for (const auto& s : sizes) {
        tree->LoadImageList(s.first);
        images = tree->GetImageList();
        ASSERT_NE(nullptr, images);
        EXPECT_EQ(11, images->GetImageCount());
        for (int i = 0; i < images->GetImageCount(); ++i) {
            images->GetSize(i, width, height);
            EXPECT_EQ(s.second, width);
            EXPECT_EQ(s.second, height);
        }
    }
    tree->LoadImageList(-1);
    EXPECT_EQ(nullptr, tree->GetImageList());

    // Items take the image of their kind.
    tree->LoadImageList(16);
    const wxTreeItemId root = tree->AddRoot("root");
    const wxTreeItemId notes = tree->AppendItem(root, "Notes (3)", 4);
    EXPECT_EQ(4, tree->GetItemImage(notes));
    EXPECT_EQ("Notes (3)", tree->GetItemText(notes));
}

TEST_F(TreeTest, ALongItemTextShrinksTheFontUntilItFitsAndAShortOneGrowsItBack) {
    PvTreeCtrl* tree =
        new PvTreeCtrl(frame_, 2, wxPoint(0, 0), wxSize(192, 300),
                       wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxBORDER_NONE);
    tree->SetIndent(2);
    const wxTreeItemId root = tree->AddRoot("root");
    const wxTreeItemId calls = tree->AppendItem(root, "Call History (0)", 0);
    tree->AppendItem(root, "Contacts (0)", 1);
    gui_test::PumpFor(0.1);
    const int base = tree->GetFont().GetPointSize();
    auto itemEnd = [&] {
        wxRect rect;
        EXPECT_TRUE(tree->GetBoundingRect(calls, rect, true));
        wxClientDC dc(tree);
        dc.SetFont(tree->GetFont());
        return rect.x + dc.GetTextExtent(tree->GetItemText(calls)).x;
    };
    EXPECT_LE(itemEnd(), tree->GetClientSize().x);

    tree->SetItemText(calls, wxString::FromUTF8("Historique des appels (12000)"));
    gui_test::PumpFor(0.1);
    EXPECT_LT(tree->GetFont().GetPointSize(), base);
    EXPECT_LE(itemEnd(), tree->GetClientSize().x);

    tree->SetItemText(calls, wxS("Call History (12)"));
    gui_test::PumpFor(0.1);
    EXPECT_EQ(base, tree->GetFont().GetPointSize());
}

TEST_F(TreeTest, ATreeMadeByNameHasNoImagesUntilAsked) {
    wxClassInfo* info = wxClassInfo::FindClass("PvTreeCtrl");
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxTreeCtrl)));
    PvTreeCtrl* tree = dynamic_cast<PvTreeCtrl*>(info->CreateObject());
    ASSERT_NE(nullptr, tree);
    ASSERT_TRUE(tree->Create(frame_, wxID_ANY));
    EXPECT_EQ(nullptr, tree->GetImageList());
    tree->LoadImageList(0);  // no size given before: nothing is built
    EXPECT_EQ(nullptr, tree->GetImageList());
    tree->LoadImageList(16);
    ASSERT_NE(nullptr, tree->GetImageList());
    EXPECT_EQ(11, tree->GetImageList()->GetImageCount());
}

// A mouse event of the dragged window, at a point given in screen coordinates.
wxMouseEvent DragEvent(wxWindow* window, wxEventType type, const wxPoint& screen, bool leftDown) {
    wxMouseEvent event(type);
    event.SetEventObject(window);
    event.SetPosition(window->ScreenToClient(screen));
    event.m_leftDown = leftDown;
    return event;
}

class WindowMoveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(200, 120));
        frame_->Move(300, 200);
        gui_test::PumpUntil([this] { return frame_->GetPosition() == wxPoint(300, 200); });
        ASSERT_EQ(wxPoint(300, 200), frame_->GetPosition());
    }
    void TearDown() override {
        if (frame_ && frame_->HasCapture()) frame_->ReleaseMouse();
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    wxFrame* frame_ = nullptr;
    int assertions_ = 0;
};

TEST_F(WindowMoveTest, TheGrabbedPointStaysUnderThePointer) {
    wxPoint offset;
    wxMouseEvent down = DragEvent(frame_, wxEVT_LEFT_DOWN, frame_->ClientToScreen({50, 10}), true);
    PvWindowMove::OnLeftDown(frame_, frame_, down, offset);
    EXPECT_TRUE(frame_->HasCapture());
    EXPECT_EQ(wxPoint(50, 10), offset);  // borderless: the client area starts at the corner

    wxMouseEvent drag = DragEvent(frame_, wxEVT_MOTION, {400, 260}, true);
    ASSERT_TRUE(drag.Dragging());
    PvWindowMove::OnMotion(frame_, frame_, drag, offset);
    EXPECT_EQ(wxPoint(350, 250), frame_->GetPosition());

    PvWindowMove::OnLeftUp(frame_, frame_);
    EXPECT_FALSE(frame_->HasCapture());
    // After the release motion moves nothing.
    const wxPoint rest = frame_->GetPosition();
    wxMouseEvent late = DragEvent(frame_, wxEVT_MOTION, {10, 10}, true);
    PvWindowMove::OnMotion(frame_, frame_, late, offset);
    EXPECT_EQ(rest, frame_->GetPosition());
}

TEST_F(WindowMoveTest, ARealDragOfTheWindowSystemMovesTheWindow) {
    wxPoint offset;
    frame_->Bind(wxEVT_LEFT_DOWN, [&](wxMouseEvent& event) {
        PvWindowMove::OnLeftDown(frame_, frame_, event, offset);
    });
    frame_->Bind(wxEVT_MOTION, [&](wxMouseEvent& event) {
        PvWindowMove::OnMotion(frame_, frame_, event, offset);
    });
    frame_->Bind(wxEVT_LEFT_UP, [&](wxMouseEvent&) { PvWindowMove::OnLeftUp(frame_, frame_); });
    wxUIActionSimulator sim;
    sim.MouseMove(340, 230);
    gui_test::PumpFor(0.05);
    sim.MouseDown();
    gui_test::PumpUntil([&] { return frame_->HasCapture(); });
    for (int step = 1; step <= 4; ++step) {
        sim.MouseMove(340 + 15 * step, 230 + 10 * step);
        gui_test::PumpFor(0.03);
    }
    EXPECT_TRUE(gui_test::PumpUntil([&] { return frame_->GetPosition() == wxPoint(360, 240); }));
    sim.MouseUp();
    EXPECT_TRUE(gui_test::PumpUntil([&] { return !frame_->HasCapture(); }));
    EXPECT_EQ(wxPoint(40, 30), offset);
    EXPECT_EQ(wxPoint(360, 240), frame_->GetPosition());
}

TEST_F(WindowMoveTest, MotionWithoutButtonOrWithoutDragMovesNothing) {
    wxPoint offset;
    wxMouseEvent down = DragEvent(frame_, wxEVT_LEFT_DOWN, {350, 210}, true);
    PvWindowMove::OnLeftDown(frame_, frame_, down, offset);
    ASSERT_TRUE(frame_->HasCapture());

    wxMouseEvent buttonUp = DragEvent(frame_, wxEVT_MOTION, {420, 300}, false);
    PvWindowMove::OnMotion(frame_, frame_, buttonUp, offset);
    EXPECT_EQ(wxPoint(300, 200), frame_->GetPosition());

    wxMouseEvent notMotion = DragEvent(frame_, wxEVT_LEFT_DOWN, {420, 300}, true);
    PvWindowMove::OnMotion(frame_, frame_, notMotion, offset);
    EXPECT_EQ(wxPoint(300, 200), frame_->GetPosition());

    // A second press while dragging keeps one capture.
    PvWindowMove::OnLeftDown(frame_, frame_, down, offset);
    PvWindowMove::OnLeftUp(frame_, frame_);
    EXPECT_FALSE(frame_->HasCapture());
}

TEST_F(WindowMoveTest, ReleaseWithoutPressDoesNothing) {
    EXPECT_FALSE(frame_->HasCapture());
    PvWindowMove::OnLeftUp(frame_, frame_);
    EXPECT_FALSE(frame_->HasCapture());
    EXPECT_EQ(wxPoint(300, 200), frame_->GetPosition());
    wxPoint offset(5, 5), outline;
    wxMouseEvent up = DragEvent(frame_, wxEVT_LEFT_UP, {500, 500}, false);
    PvWindowMove::OnOutlineLeftUp(frame_, frame_, up, offset, outline);
    EXPECT_EQ(wxPoint(300, 200), frame_->GetPosition());
}

TEST_F(WindowMoveTest, OutlineDragMovesTheWindowOnlyOnRelease) {
    wxPoint offset, outline;
    wxMouseEvent down = DragEvent(frame_, wxEVT_LEFT_DOWN, frame_->ClientToScreen({20, 20}), true);
    PvWindowMove::OnOutlineLeftDown(frame_, frame_, down, offset, outline);
    EXPECT_EQ(wxPoint(300, 200), outline);
    wxMouseEvent drag = DragEvent(frame_, wxEVT_MOTION, {500, 400}, true);
    PvWindowMove::OnOutlineMotion(frame_, frame_, drag, offset, outline);
    EXPECT_EQ(wxPoint(500, 400) - offset, outline);
    EXPECT_EQ(wxPoint(300, 200), frame_->GetPosition());
    wxMouseEvent up = DragEvent(frame_, wxEVT_LEFT_UP, {510, 410}, false);
    PvWindowMove::OnOutlineLeftUp(frame_, frame_, up, offset, outline);
    EXPECT_FALSE(frame_->HasCapture());
    EXPECT_EQ(wxPoint(510, 410) - offset, frame_->GetPosition());
}

TEST(WindowMoveOutline, DottedOutlineMarksEverySecondPixelOfTheEdges) {
    wxBitmap bitmap(20, 20, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetPen(*wxBLACK_PEN);
    PvWindowMove::DrawOutline(dc, wxRect(2, 3, 10, 8));
    dc.SelectObject(wxNullBitmap);
    const wxImage image = bitmap.ConvertToImage();
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(image, 2, 3)));
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(image, 4, 3)));
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(image, 3, 3)));
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(image, 12, 11)));  // right + bottom corner inclusive
    EXPECT_TRUE(Near(*wxBLACK, PixelOf(image, 2, 5)));
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(image, 6, 6)));  // inside untouched
}

}  // namespace
