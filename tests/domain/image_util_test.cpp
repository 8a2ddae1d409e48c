// Theme images out of Themes/default.zip, cropping and mask to alpha.
#include "common/image_util.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include <memory>

#include "common/app_util.h"
#include "domain_test_env.h"

namespace {

const char kFallback[] = "image/content/unload_picture.png";

TEST(ThemeImages, LocationNamesTheArchiveUnderTheRoot) {
    const wxString location = ImageUtil::ThemeLocation(wxS("image/base/bg.png"));
    EXPECT_TRUE(location.StartsWith(wxS("file:"))) << location;
    EXPECT_TRUE(location.EndsWith(wxS("/Themes/default.zip#zip:image/base/bg.png"))) << location;
    EXPECT_NE(location.Find(AppUtil::GetAppRoot()), wxNOT_FOUND) << location;
}

TEST(ThemeImages, LoadsAnImageOfTheArchive) {
    REQUIRE_GUI();
    std::unique_ptr<wxBitmap> bitmap(ImageUtil::LoadThemeBitmap(kFallback, wxBITMAP_TYPE_PNG));
    ASSERT_NE(bitmap, nullptr) << "is Themes/default.zip staged in the build folder?";
    EXPECT_EQ(bitmap->GetSize(), wxSize(100, 100));
    const wxBitmap byValue = ImageUtil::GetThemeBitmap(kFallback, wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(byValue.IsOk());
    EXPECT_EQ(byValue.GetSize(), wxSize(100, 100));
}

TEST(ThemeImages, MissingNameGivesNullWithoutAMessage) {
    REQUIRE_GUI();
    const int before = domain_test::AssertionCount();
    for (const char* name : {"image/base/none.png", "", "../default.zip", "image/content"}) {
        EXPECT_EQ(ImageUtil::LoadThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG), nullptr)
            << name;
        EXPECT_FALSE(ImageUtil::GetThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG).IsOk())
            << name;
    }
    // The entry exists, but it is not the type asked for.
    EXPECT_EQ(ImageUtil::LoadThemeBitmap(kFallback, wxBITMAP_TYPE_JPEG), nullptr);
    EXPECT_EQ(domain_test::AssertionCount(), before);
}

// An icon with smoothed edges: its faint edge pixels go fully transparent in the mask colour, the
// others keep their alpha and colour.
TEST(ThemeImages, ClearFaintMakesFaintPixelsTransparent) {
    REQUIRE_GUI();
    const char kIcon[] = "image/content/calendar.png";
    const int kThreshold = 128;
    const wxImage plain = ImageUtil::GetThemeBitmap(kIcon, wxBITMAP_TYPE_PNG).ConvertToImage();
    std::unique_ptr<wxBitmap> bitmap(
        ImageUtil::GetThemeBitmapClearFaint(kIcon, kThreshold, wxBITMAP_TYPE_PNG));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(plain.IsOk());
    ASSERT_TRUE(plain.HasAlpha());
    const wxImage cleared = bitmap->ConvertToImage();
    ASSERT_EQ(cleared.GetSize(), plain.GetSize());
    ASSERT_TRUE(cleared.HasAlpha());
    int faint = 0, kept = 0;
    for (int y = 0; y < plain.GetHeight(); ++y) {
        for (int x = 0; x < plain.GetWidth(); ++x) {
            const int alpha = plain.GetAlpha(x, y);
            if (alpha > 0 && alpha < kThreshold) {
                ++faint;
                EXPECT_EQ(cleared.GetAlpha(x, y), 0) << x << "," << y;
            } else {
                EXPECT_EQ(cleared.GetAlpha(x, y), alpha) << x << "," << y;
                if (alpha >= kThreshold) {
                    ++kept;
                    EXPECT_EQ(cleared.GetRed(x, y), plain.GetRed(x, y)) << x << "," << y;
                }
            }
        }
    }
    // The icon has both kinds of pixel, so both halves of the rule were looked at.
    EXPECT_GT(faint, 0);
    EXPECT_GT(kept, 0);
}

wxImage Pattern(int w, int h) {
    wxImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.SetRGB(x, y, x * 10, y * 10, (x + y) * 5);
    return image;
}

TEST(Crop, FullRectangleCopiesAndPartCuts) {
    REQUIRE_GUI();
    const wxBitmap source(Pattern(12, 8), -1);
    const wxImage whole = ImageUtil::CropBitmap(source, 0, 0, 12, 8).ConvertToImage();
    const wxImage original = source.ConvertToImage();
    ASSERT_EQ(whole.GetSize(), wxSize(12, 8));
    EXPECT_EQ(0, memcmp(whole.GetData(), original.GetData(), 12 * 8 * 3));

    std::unique_ptr<wxBitmap> part(ImageUtil::NewCroppedBitmap(source, 3, 2, 4, 5));
    const wxImage cut = part->ConvertToImage();
    ASSERT_EQ(cut.GetSize(), wxSize(4, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(cut.GetRed(x, y), original.GetRed(x + 3, y + 2));
            EXPECT_EQ(cut.GetGreen(x, y), original.GetGreen(x + 3, y + 2));
            EXPECT_EQ(cut.GetBlue(x, y), original.GetBlue(x + 3, y + 2));
        }
    EXPECT_FALSE(ImageUtil::CropBitmap(wxNullBitmap, 0, 0, 4, 4).IsOk());
    EXPECT_FALSE(ImageUtil::CropBitmap(source, 0, 0, 0, 4).IsOk());
}

TEST(MaskToAlpha, MaskColourBecomesTransparent) {
    wxImage image = Pattern(6, 4);
    image.SetRGB(1, 1, 255, 0, 255);
    image.SetRGB(4, 2, 255, 0, 255);
    image.SetMaskColour(255, 0, 255);
    ImageUtil::MaskToAlpha(image);
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_FALSE(image.HasMask());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool masked = (x == 1 && y == 1) || (x == 4 && y == 2);
            EXPECT_EQ(image.GetAlpha(x, y), masked ? 0 : 255) << x << "," << y;
        }
}

TEST(MaskToAlpha, ImageWithoutMaskIsLeftAlone) {
    wxImage image = Pattern(3, 3);
    const int before = domain_test::AssertionCount();
    ImageUtil::MaskToAlpha(image);  // a programming error: reported, nothing changed
    EXPECT_EQ(domain_test::AssertionCount(), before + 1);
    EXPECT_FALSE(image.HasAlpha());
}

}  // namespace
