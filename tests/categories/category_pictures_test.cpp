// The default category pictures: installed once into the picture folder without replacing the user's own,
// each a picture the lists can draw, and offered by CCategoryDisplay.
#include "categories/category_pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "categories/category_display.h"
#include "foundation/ce_file.h"
#include "platform/files/durable_file.h"
#include "platform/files/files.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/images/bitmap_loading.h"
#include "platform/text/utf8.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/dib_pixels.h"

namespace {

class CategoryPicturesTest : public SettingsSandbox {
protected:
    static std::u16string PathOf(const std::u16string& name) { return CategoryPicturesFolder() + u"\\" + name; }
};

TEST_F(CategoryPicturesTest, InstallingWritesWhatIsMissingAndKeepsTheUsersPictures)
{
    const std::vector<std::u16string> names = DefaultCategoryPictureNames();
    ASSERT_GE(names.size(), 8u);
    EXPECT_EQ(std::set<std::u16string>(names.begin(), names.end()).count(u"~NoCategory.bmp"), 1u);

    // The user's own Business picture is there first.
    ASSERT_TRUE(CeFile::CreatePath(PathOf(u"Business.bmp").c_str()));
    ASSERT_EQ(platform::ReplaceFileContents(PathOf(u"Business.bmp").c_str(), "mine", 4), 0u);

    struct Step {
        const char* what;
        const char16_t* removeFirst;
        int written;
    };
    const Step steps[] = {
        {"first install", nullptr, static_cast<int>(names.size()) - 1},
        {"again", nullptr, 0},
        {"one picture deleted", u"Home.bmp", 1},
    };
    for (const Step& step : steps) {
        if (step.removeFirst) {
            ASSERT_TRUE(DeleteFileW(PathOf(step.removeFirst).c_str()));
        }
        EXPECT_EQ(InstallDefaultCategoryPictures(), step.written) << step.what;
    }
    const CCategoryDisplay display(CategoryPicturesFolder().c_str());
    EXPECT_EQ(std::set<std::u16string>(display.GetList().begin(), display.GetList().end()),
              std::set<std::u16string>(names.begin(), names.end()));
    platform::OwnedBitmap mine(SHLoadDIBitmap(PathOf(u"Business.bmp").c_str()));
    EXPECT_EQ(mine.Get(), nullptr) << "the user's file was replaced";
}

TEST_F(CategoryPicturesTest, EachDefaultPictureIsASmallPictureWithATransparentBackground)
{
    ASSERT_GT(InstallDefaultCategoryPictures(), 0);
    for (const std::u16string& name : DefaultCategoryPictureNames()) {
        const std::string label = WideToUtf8(name);
        platform::OwnedBitmap picture(SHLoadDIBitmap(PathOf(name).c_str()));
        const auto rows = kstest::DibPixels(picture.Get());
        ASSERT_EQ(rows.size(), 12u) << label;
        ASSERT_EQ(rows[0].size(), 12u) << label;
        std::set<COLORREF> colours;
        for (const auto& row : rows) colours.insert(row.begin(), row.end());
        // The corners are pure green, which the grid leaves transparent; the rest draws something.
        EXPECT_EQ(rows.front().front(), RGB(0, 255, 0)) << label;
        EXPECT_EQ(rows.back().back(), RGB(0, 255, 0)) << label;
        EXPECT_GE(colours.size(), 2u) << label;
    }
    EXPECT_TRUE(DefaultCategoryPicture(u"Nothing.bmp").empty());
}

}  // namespace
