// The cell renderers: the backup row's encryption icon and device name, the check cell's box,
// frame, thumbnail and clipped text, and the check state that lives in the renderer.
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/renderer.h>

#include <vector>

#include "common/image_util.h"
#include "widgets_support.h"
#include "window/base/pv_pdf_item_grid_cell_renderer.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"

namespace {

using widgets_test::Near;
using widgets_test::PixelOf;

bool IsDark(const wxImage& image, int x, int y) {
    const wxColour c = PixelOf(image, x, y);
    return c.Red() + c.Green() + c.Blue() < 3 * 128;
}

// Columns of rows [top, bottom) in [left, right) that hold a dark pixel; -1 when none.
int FirstDarkColumn(const wxImage& image, int left, int right, int top, int bottom) {
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) {
            if (IsDark(image, x, y)) return x;
        }
    }
    return -1;
}

class RendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(300, 240));
        grid_ = new RkGrid();
        ASSERT_TRUE(grid_->Create(frame_, wxID_ANY, wxPoint(0, 0), wxSize(300, 240)));
        grid_->CreateGrid(2, 2);
        grid_->SetDefaultCellBackgroundColour(*wxWHITE);
        grid_->SetDefaultCellTextColour(*wxBLACK);
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    // Draws the renderer into a white canvas of the given size, for the cell at rect.
    wxImage Draw(wxGridCellRenderer& renderer, const wxSize& canvas, const wxRect& rect,
                 bool selected = false) {
        wxBitmap bitmap(canvas.x, canvas.y, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            wxGridCellAttr* attr = grid_->GetOrCreateCellAttr(0, 0);
            renderer.Draw(*grid_, *attr, dc, rect, 0, 0, selected);
            attr->DecRef();
        }
        return bitmap.ConvertToImage();
    }

    int assertions_ = 0;
    wxFrame* frame_ = nullptr;
    RkGrid* grid_ = nullptr;
};

TEST(CheckRenderer, CheckStateToggleAndClone) {
    PvPhotoCheckCellRender renderer;
    EXPECT_FALSE(renderer.IsChecked());
    renderer.Toggle();
    EXPECT_TRUE(renderer.IsChecked());
    renderer.Toggle();
    EXPECT_FALSE(renderer.IsChecked());
    for (int toggles = 0; toggles < 4; ++toggles) {
        for (int i = 0; i < toggles; ++i) renderer.Toggle();
        renderer.SetChecked(false);
        EXPECT_FALSE(renderer.IsChecked());
    }
    renderer.SetChecked(true);
    EXPECT_TRUE(renderer.IsChecked());

    wxBitmap thumb = widgets_test::Solid(10, 10, *wxRED);
    renderer.SetBitmap(&thumb);
    renderer.SetText("IMG_0001.JPG");
    renderer.SetCentred();
    const wxObjectDataPtr<wxGridCellRenderer> clone(renderer.Clone());
    PvPhotoCheckCellRender* copy = dynamic_cast<PvPhotoCheckCellRender*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_FALSE(copy->IsChecked());
}

TEST_F(RendererTest, PictureCellShowsFrameThumbnailBoxAndName) {
    const wxSize box = wxRendererNative::Get().GetCheckBoxSize(grid_->GetGridWindow());
    ASSERT_GT(box.x, 0);
    wxBitmap thumb = widgets_test::Solid(20, 20, wxColour(255, 0, 255));
    PvPhotoCheckCellRender* renderer = new PvPhotoCheckCellRender();
    renderer->SetBitmap(&thumb);
    renderer->SetText("IMG_0001.JPG");
    const wxRect cell(0, 0, 140, 150);

    const wxImage plain = Draw(*renderer, wxSize(150, 160), cell);
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(plain, 1, 60)));  // no frame while unchecked

    renderer->SetChecked(true);
    const wxImage checked = Draw(*renderer, wxSize(150, 160), cell);
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(checked, 1, 60)));    // left edge of the frame
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(checked, 70, 1)));    // top edge
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(checked, 138, 60)));  // right edge
    EXPECT_TRUE(Near(*wxBLUE, PixelOf(checked, 70, 148)));  // bottom edge
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(checked, 0, 60)));   // 1 pixel inside the cell
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(checked, 70, 60)));  // inside: not filled
    EXPECT_TRUE(Near(wxColour(255, 0, 255), PixelOf(checked, 6, 6)));
    EXPECT_TRUE(Near(wxColour(255, 0, 255), PixelOf(checked, 25, 25)));
    EXPECT_FALSE(Near(wxColour(255, 0, 255), PixelOf(checked, 26, 26)));

    // The box at (2, 120) differs between the two states; the name starts 4 pixels after it.
    int boxDifferences = 0;
    for (int y = 120; y < 120 + box.y; ++y) {
        for (int x = 2; x < 2 + box.x; ++x) {
            if (PixelOf(plain, x, y) != PixelOf(checked, x, y)) ++boxDifferences;
        }
    }
    EXPECT_GT(boxDifferences, 0);
    const int textX = FirstDarkColumn(checked, 2 + box.x + 1, 140, 120, 120 + box.y);
    EXPECT_GE(textX, 2 + box.x + 4);
    EXPECT_LE(textX, 2 + box.x + 4 + 4);
    renderer->DecRef();
}

TEST_F(RendererTest, TableCellCentresTheBoxAndDrawsNoFrame) {
    const wxSize box = wxRendererNative::Get().GetCheckBoxSize(grid_->GetGridWindow());
    PvPhotoCheckCellRender* renderer = new PvPhotoCheckCellRender();
    renderer->SetCentred();
    PvPhotoCheckCellRender* unchecked = new PvPhotoCheckCellRender();
    unchecked->SetCentred();
    renderer->SetChecked(true);
    const wxRect cell(0, 0, 100, 40);
    const wxImage on = Draw(*renderer, wxSize(100, 40), cell);
    const wxImage off = Draw(*unchecked, wxSize(100, 40), cell);
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(on, 1, 20)));
    EXPECT_TRUE(Near(*wxWHITE, PixelOf(on, 50, 1)));
    // The box occupies rows from (40 - height) / 2.
    const int top = (40 - box.y) / 2;
    int differences = 0, outside = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (PixelOf(on, x, y) == PixelOf(off, x, y)) continue;
            const bool inBox = x >= 2 && x < 2 + box.x && y >= top && y < top + box.y;
            (inBox ? differences : outside)++;
        }
    }
    EXPECT_GT(differences, 0);
    EXPECT_EQ(0, outside);
    renderer->DecRef();
    unchecked->DecRef();
}

TEST_F(RendererTest, TextIsCutAtTheCellEdgeAndLongFileNamesShortenedInTheMiddle) {
    PvPhotoCheckCellRender* renderer = new PvPhotoCheckCellRender();
    renderer->SetCentred();
    renderer->SetText("A very long first value that runs far past the cell");
    const wxImage image = Draw(*renderer, wxSize(200, 30), wxRect(0, 0, 60, 30));
    EXPECT_NE(-1, FirstDarkColumn(image, 30, 60, 0, 30));
    EXPECT_EQ(-1, FirstDarkColumn(image, 60, 200, 0, 30));
    renderer->DecRef();

    // A picture's file name that does not fit under its thumbnail is shortened in the middle:
    // its start and its extension stay, and it ends inside the cell. One that fits stays whole.
    PvPhotoCheckCellRender* picture = new PvPhotoCheckCellRender();
    const wxString name = wxS("Holiday at the lake with the whole family 2013-07-14.JPG");
    picture->SetText(name);
    {
        wxClientDC dc(grid_->GetGridWindow());
        dc.SetFont(grid_->GetDefaultCellFont());
        const wxString shown = picture->ShownText(*grid_, dc, 112);
        EXPECT_TRUE(shown.StartsWith(wxS("Holi"))) << shown;
        EXPECT_TRUE(shown.EndsWith(wxS(".JPG"))) << shown;
        EXPECT_NE(wxString::npos, shown.find(wxS("..."))) << shown;
        const int checkWidth = wxRendererNative::Get().GetCheckBoxSize(grid_->GetGridWindow()).x;
        EXPECT_LE(picture->GetCheckX() + checkWidth + 4 + dc.GetTextExtent(shown).x, 112);
        picture->SetText(wxS("IMG_0001.JPG"));
        EXPECT_EQ(wxS("IMG_0001.JPG"), picture->ShownText(*grid_, dc, 200));
    }
    const wxImage pictureImage = Draw(*picture, wxSize(200, 140), wxRect(0, 0, 112, 140));
    EXPECT_EQ(-1, FirstDarkColumn(pictureImage, 112, 200, 0, 140));
    picture->DecRef();

    PvPdfItemGridCellRenderer* row = new PvPdfItemGridCellRenderer();
    row->SetState(2);
    row->SetText("An iPhone with a name much longer than its cell");
    const wxImage rowImage = Draw(*row, wxSize(200, 30), wxRect(0, 0, 80, 30));
    EXPECT_NE(-1, FirstDarkColumn(rowImage, 40, 80, 0, 30));
    EXPECT_EQ(-1, FirstDarkColumn(rowImage, 80, 200, 0, 30));
    row->DecRef();
}

TEST_F(RendererTest, BackupRowShowsTheIconOfItsStateAndTheNameAfterTheDeleteIconWidth) {
    const wxBitmap lock = ImageUtil::GetThemeBitmap("image/base/lock.png", wxBITMAP_TYPE_PNG);
    const wxBitmap del = ImageUtil::GetThemeBitmap("image/base/delete.png", wxBITMAP_TYPE_PNG);
    const int iconWidth = del.IsOk() ? del.GetWidth() : 0;
    const int iconHeight = del.IsOk() ? del.GetHeight() : 0;
    const wxRect cell(0, 0, 200, 36);
    const int iconTop = (36 - iconHeight) / 2;

    struct Case {
        int state;
        const wxBitmap* icon;
    };
    const std::vector<Case> cases = {{0, &lock}, {1, &del}, {2, nullptr}, {-1, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        PvPdfItemGridCellRenderer* renderer = new PvPdfItemGridCellRenderer();
        renderer->SetState(c.state);
        renderer->SetText("Anna's iPhone");
        const wxImage image = Draw(*renderer, wxSize(200, 36), cell);
        if (c.icon != nullptr && c.icon->IsOk()) {
            // The icon's own pixels, 4 pixels from the left, centred on the delete icon's height.
            const wxImage expected = c.icon->ConvertToImage();
            int matching = 0, opaque = 0;
            for (int y = 0; y < c.icon->GetHeight(); ++y) {
                for (int x = 0; x < c.icon->GetWidth(); ++x) {
                    if (expected.HasAlpha() && expected.GetAlpha(x, y) < 255) continue;
                    ++opaque;
                    if (Near(PixelOf(expected, x, y), PixelOf(image, 4 + x, iconTop + y), 2)) {
                        ++matching;
                    }
                }
            }
            EXPECT_GT(opaque, 0);
            EXPECT_EQ(opaque, matching);
        } else {
            // No icon: the space before the name stays the background.
            EXPECT_EQ(-1, FirstDarkColumn(image, 0, iconWidth + 8, 0, 36));
        }
        // The name starts at the delete icon's width + 8, whatever the state.
        const int textX = FirstDarkColumn(image, iconWidth + 4 + 1, 200, 0, 36);
        EXPECT_GE(textX, iconWidth + 8);
        EXPECT_LE(textX, iconWidth + 8 + 4);
        renderer->DecRef();
    }
}

TEST_F(RendererTest, BestSizeIsTheNativeBoxForTheGrid) {
    PvPhotoCheckCellRender* renderer = new PvPhotoCheckCellRender();
    wxGridCellAttr* attr = grid_->GetOrCreateCellAttr(0, 0);
    wxBitmap bitmap(10, 10);
    wxMemoryDC dc(bitmap);
    const wxSize size = renderer->GetBestSize(*grid_, *attr, dc, 0, 0);
    EXPECT_EQ(wxRendererNative::Get().GetCheckBoxSize(grid_->GetGridWindow()), size);
    EXPECT_EQ(size, renderer->GetBestSize(*grid_, *attr, dc, 1, 1));
    attr->DecRef();
    renderer->DecRef();
}

}  // namespace
