// The shipped theme: every picture the windows load is in Themes/default.zip with a size that
// fits its use, and Themes/face.xml defines every layout entry the windows read, with
// rectangles that lie inside the window and do not cover each other.
#include <wx/bitmap.h>
#include <wx/image.h>

#include <string>
#include <vector>

#include "common/face_layout.h"
#include "common/image_util.h"
#include "gui_support.h"

namespace {

wxImage Load(const char* name) {
    wxBitmap bitmap = ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    if (!bitmap.IsOk()) return wxImage();
    return bitmap.ConvertToImage();
}

bool Has(const char* key) {
    return FaceLayout.find(wxString::FromUTF8(key)) != FaceLayout.end();
}

wxRect Rect(const char* key) {
    const FaceRect r = GetFaceRect(wxString::FromUTF8(key));
    return wxRect(r.x, r.y, r.width, r.height);
}

TEST(AppTheme, EveryPictureTheWindowsLoadIsInTheArchive) {
    REQUIRE_GUI();
    struct Expected {
        const char* name;
        int width;  // 0: any
        int height;
    };
    const std::vector<Expected> pictures = {
        {"image/base/bg.png", 900, 620},
        {"image/base/bg2.png", 900, 620},
        {"application/application.png", 0, 0},
        {"image/dialog/dialog_bg.png", 0, 0},
        {"image/titlebar/close_normal.png", 0, 30},
        {"image/titlebar/close_hover.png", 0, 30},
        {"image/titlebar/close_pressed.png", 0, 30},
        {"image/titlebar/minimize_normal.png", 0, 30},
        {"image/titlebar/minimize_hover.png", 0, 30},
        {"image/titlebar/minimize_pressed.png", 0, 30},
        {"image/titlebar/setting-normal.png", 0, 30},
        {"image/titlebar/setting-current.png", 0, 30},
        {"image/titlebar/setting-pressed.png", 0, 30},
        {"image/toolbar/home-normal.png", 0, 0},
        {"image/toolbar/home-current.png", 0, 0},
        {"image/toolbar/home-pressed.png", 0, 0},
        {"image/toolbar/help-normal.png", 0, 0},
        {"image/toolbar/help-current.png", 0, 0},
        {"image/toolbar/help-pressed.png", 0, 0},
        {"image/base/big-normal.png", 0, 0},
        {"image/base/big-current.png", 0, 0},
        {"image/base/big-pressed.png", 0, 0},
        {"image/base/lock.png", 0, 0},
        {"image/base/delete.png", 0, 0},
        {"image/content/unload_picture.png", 0, 0},
        {"image/content/message/incoming_top.png", 0, 0},
        {"image/content/message/incoming_center.png", 0, 0},
        {"image/content/message/incoming_bottom.png", 0, 0},
        {"image/content/message/outgoing_top.png", 0, 0},
        {"image/content/message/outgoing_center.png", 0, 0},
        {"image/content/message/outgoing_bottom.png", 0, 0},
        // the kind tree's icons, in the order of the kinds, at the tree's icon size
        {"image/content/call-history.png", 16, 16},
        {"image/content/contacts.png", 16, 16},
        {"image/content/messages.png", 16, 16},
        {"image/content/message_attachment.png", 16, 16},
        {"image/content/notes.png", 16, 16},
        {"image/content/safari.png", 16, 16},
        {"image/content/calendar.png", 16, 16},
        {"image/content/reminders.png", 16, 16},
        {"image/content/voice-memos.png", 16, 16},
        {"image/content/camera-roll.png", 16, 16},
        {"image/content/photos.png", 16, 16},
    };
    for (const Expected& e : pictures) {
        SCOPED_TRACE(e.name);
        const wxImage image = Load(e.name);
        ASSERT_TRUE(image.IsOk());
        if (e.width != 0) {
            EXPECT_EQ(e.width, image.GetWidth());
        }
        if (e.height != 0) {
            EXPECT_EQ(e.height, image.GetHeight());
        }
    }
}

TEST(AppTheme, PicturesThatAreCutOrJoinedFitTogether) {
    REQUIRE_GUI();
    // Word buttons: left cap + centre tile lie inside the picture, the right cap is not empty,
    // and the three looks have one size.
    const FaceRect crop = GetFaceRect("/face/base-button/big-button-crop");
    const wxImage big = Load("image/base/big-normal.png");
    ASSERT_TRUE(big.IsOk());
    EXPECT_GT(crop.x, 0);
    EXPECT_GT(crop.width, 0);
    EXPECT_LT(crop.x + crop.width, big.GetWidth());
    for (const char* look : {"image/base/big-current.png", "image/base/big-pressed.png"}) {
        EXPECT_EQ(big.GetSize(), Load(look).GetSize()) << look;
    }
    // The centre tile repeats: every column of it is the same.
    for (int x = crop.x + 1; x < crop.x + crop.width; ++x) {
        for (int y = 0; y < big.GetHeight(); ++y) {
            ASSERT_EQ(big.GetRed(crop.x, y), big.GetRed(x, y)) << x << "," << y;
            ASSERT_EQ(big.GetAlpha(crop.x, y), big.GetAlpha(x, y)) << x << "," << y;
        }
    }
    // Message bubbles: top, centre and bottom of one side have one width.
    for (const char* side : {"incoming", "outgoing"}) {
        const std::string base = std::string("image/content/message/") + side;
        const int width = Load((base + "_top.png").c_str()).GetWidth();
        EXPECT_EQ(width, Load((base + "_center.png").c_str()).GetWidth()) << side;
        EXPECT_EQ(width, Load((base + "_bottom.png").c_str()).GetWidth()) << side;
    }
    // The backup list's padlocks say what they mean: a backup that can be read (lock.png) shows
    // an open padlock, its shackle's right leg lifted clear of the body; an encrypted one
    // (delete.png) a closed padlock, both legs down in the body.
    const wxImage open = Load("image/base/lock.png");
    const wxImage closed = Load("image/base/delete.png");
    ASSERT_TRUE(open.IsOk() && open.HasAlpha());
    ASSERT_TRUE(closed.IsOk() && closed.HasAlpha());
    EXPECT_GT(open.GetAlpha(5, 8), 192) << "left leg of the open padlock";
    EXPECT_LT(open.GetAlpha(14, 8), 64) << "right leg of the open padlock";
    EXPECT_GT(closed.GetAlpha(5, 8), 192) << "left leg of the closed padlock";
    EXPECT_GT(closed.GetAlpha(14, 8), 192) << "right leg of the closed padlock";
    // The About box: its title buttons (placed 2 pixels down) fit under its title band.
    const wxImage dialog = Load("image/dialog/dialog_bg.png");
    const wxImage close = Load("image/titlebar/close_normal.png");
    EXPECT_GE(dialog.GetWidth(), 3 * close.GetWidth());
    EXPECT_GE(dialog.GetHeight(), 190 + 60);  // the link at y 190, the Ok button below it
}

TEST(AppTheme, LayoutDefinesEveryEntryTheWindowsRead) {
    for (const char* key : {
             "/face/titlewindow",
             "/face/toolwindow",
             "/face/listwindow",
             "/face/kindwindow",
             "/face/toolwindow/home-button",
             "/face/toolwindow/home-button/font",
             "/face/toolwindow/home-button/colour",
             "/face/toolwindow/titlefont",
             "/face/toolwindow/textcolour",
             "/face/base-button/big-button-crop",
             "/face/base-button/big-button-crop/font",
             "/face/base-button/big-button-crop/colour",
             "/face/base-button/big-button-crop/offsety",
             "/face/listwindow/description1",
             "/face/listwindow/description2",
             "/face/listwindow/description1/font",
             "/face/listwindow/description2/font",
             "/face/listwindow/grid",
             "/face/listwindow/scan-button",
             "/face/listwindow/grid-label",
             "/face/kindwindow/grid-label",
             "/face/kindwindow/gauge",
             "/face/kindwindow/treectrl",
             "/face/kindwindow/grid",
             "/face/kindwindow/treectrl/colour",
             "/face/kindwindow/back-button",
             "/face/kindwindow/recover-button",
         }) {
        EXPECT_TRUE(Has(key)) << key;
    }
    for (const char* font :
         {"/face/toolwindow/home-button/font", "/face/toolwindow/titlefont",
          "/face/base-button/big-button-crop/font", "/face/listwindow/description1/font",
          "/face/listwindow/description2/font", "/face/listwindow/grid-label",
          "/face/kindwindow/grid-label"}) {
        const int points = GetFaceRect(font).height;
        EXPECT_GE(points, 7) << font;
        EXPECT_LE(points, 16) << font;
    }
}

TEST(AppTheme, LayoutRectanglesLieInsideTheWindowAndApart) {
    const wxRect window(0, 0, 900, 620);
    const wxRect title = Rect("/face/titlewindow");
    const wxRect tool = Rect("/face/toolwindow");
    const wxRect list = Rect("/face/listwindow");
    const wxRect kind = Rect("/face/kindwindow");
    for (const wxRect& r : {tool, list, kind}) EXPECT_TRUE(window.Contains(r));
    // Title bar, toolbar and the screens stack without gaps or overlap.
    EXPECT_EQ(title.y + title.height, tool.y);
    EXPECT_EQ(tool.y + tool.height, list.y);
    EXPECT_EQ(list, kind);
    EXPECT_EQ(window.GetBottom(), list.GetBottom());

    const wxRect screen(0, 0, list.width, list.height);
    const wxRect listGrid = Rect("/face/listwindow/grid");
    EXPECT_TRUE(screen.Contains(listGrid));
    // The three columns of the backup list fit the grid.
    EXPECT_GE(listGrid.width, 290 + 170 + 138);
    const FaceRect scan = GetFaceRect("/face/listwindow/scan-button");
    EXPECT_GT(scan.y, listGrid.GetBottom());
    EXPECT_LT(scan.y + 34, screen.height);
    const FaceRect d2 = GetFaceRect("/face/listwindow/description2");
    EXPECT_LT(d2.y + 16, listGrid.y);

    const wxRect tree = Rect("/face/kindwindow/treectrl");
    const wxRect grid = Rect("/face/kindwindow/grid");
    const wxRect gauge = Rect("/face/kindwindow/gauge");
    for (const wxRect& r : {tree, grid, gauge}) EXPECT_TRUE(screen.Contains(r));
    EXPECT_FALSE(tree.Intersects(grid));
    // The message view takes the grid's right part beside a 280-pixel list.
    EXPECT_GE(grid.width - 280, 340);
    // The check box sits under the grid, above the row of the gauge and buttons.
    EXPECT_LT(grid.GetBottom() + 26, gauge.y);
    const FaceRect back = GetFaceRect("/face/kindwindow/back-button");
    const FaceRect recover = GetFaceRect("/face/kindwindow/recover-button");
    EXPECT_EQ(back.y, recover.y);
    EXPECT_LT(back.y + 34, screen.height);
}

}  // namespace
