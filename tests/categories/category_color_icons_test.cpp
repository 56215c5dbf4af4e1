// Category colours from the settings, the pictures' mark-up of a category text, and the picture files a
// folder offers.
#include "categories/category_color_icons.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "categories/category_display.h"
#include "categories/full_category_list.h"
#include "platform/text/utf8.h"
#include "storage/c_registry.h"
#include "tests/categories/category_test_support.h"

namespace {

using namespace cattest;

class CategoryColorsTest : public CategoryStore {
protected:
    void SetUp() override
    {
        CategoryStore::SetUp();
        WriteCategories({{u"Work", 0}, {u"Home", 1}, {u"Black", 2}, {u"NearBlack", 3}, {u"Bad", 4}, {u"Plain", 5}});
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kCategoryColorsKey), 0);
        const std::pair<const WCHAR*, ULONG> colours[] = {{u"Work", 0x0000FF}, {u"Home", 0x00FF00}, {u"Black", 0},
                                                          {u"NearBlack", 1},   {u"Bad", 0x1000001}, {u"Gone", 0x123456}};
        for (auto [name, value] : colours) ASSERT_EQ(settings.SetValue(name, value), 0);
        ASSERT_EQ(settings.SaveINIFile(1), 0);
        CCategoryColorIcons::ClearInit();
    }
    void TearDown() override
    {
        CCategoryColorIcons::ClearInit();
        CategoryStore::TearDown();
    }
};

TEST_F(CategoryColorsTest, ColoursOfTheTableAndTheFirstColouredCategoryOfAnItem)
{
    const struct {
        std::u16string text;
        COLORREF colour;
        const char16_t* colourText;
    } cases[] = {
        {u"Work, Home", 0x0000FF, u"#FF0000"},   {u"Home, Work", 0x00FF00, u"#00FF00"},
        {u"Plain, Home", 0x00FF00, u"#00FF00"},  {u"Black", kNoCategoryColor, nullptr},
        {u"NearBlack", 1, u"#010000"},           {u"Bad", kNoCategoryColor, nullptr},
        {u"work", kNoCategoryColor, nullptr},    {u"Gone", kNoCategoryColor, nullptr},
        {u",, Home,", 0x00FF00, u"#00FF00"},
    };
    CCategoryColorIcons icons;
    EXPECT_TRUE(CCategoryColorIcons::Exists());
    for (const auto& c : cases) {
        icons.ParseCategory(c.text.c_str(), true, false);
        EXPECT_EQ(icons.GetCategoryColorCR(), c.colour) << WideToUtf8(c.text);
        const WCHAR* text = icons.GetCategoryColorString();
        EXPECT_EQ(text ? std::u16string(text) : u"-", c.colourText ? c.colourText : u"-") << WideToUtf8(c.text);
    }
}

TEST_F(CategoryColorsTest, PicturesMarkupCacheAndTheNoCategoryPicture)
{
    CCategoryColorIcons icons;
    WCHAR buffer[kCategoryIconChars];
    icons.ParseCategory(u"Work, Home", true, true);
    ASSERT_TRUE(icons.GetIconString(buffer, true));
    EXPECT_EQ(std::u16string(buffer), u"<IMG SRC=\"Work.bmp\"><IMG SRC=\"Home.bmp\">");
    icons.ParseCategory(u"Work, Home", true, true);
    EXPECT_EQ(icons.ParseCount(), 1);
    icons.ParseCategory(u"Work, Home", false, true);
    EXPECT_EQ(icons.ParseCount(), 2);
    EXPECT_EQ(icons.GetCategoryColorCR(), kNoCategoryColor);

    icons.ParseCategory(nullptr, true, true);
    ASSERT_TRUE(icons.GetIconString(buffer, true));
    EXPECT_EQ(std::u16string(buffer), u"<IMG SRC=\"~NoCategory.bmp\">");
    EXPECT_FALSE(icons.GetIconString(buffer, false));
    EXPECT_EQ(buffer[0], 0);

    // A very long text stops adding pictures at the buffer's size.
    std::u16string many;
    for (int i = 0; i < 500; ++i) many += u"Category" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u", ";
    icons.ParseCategory(many.c_str(), false, true);
    ASSERT_TRUE(icons.GetIconString(buffer, false));
    const std::u16string cut = buffer;
    EXPECT_LT(cut.size(), static_cast<size_t>(kCategoryIconChars));
    EXPECT_GT(cut.size(), static_cast<size_t>(kCategoryIconChars) - 40);
    EXPECT_EQ(cut.substr(cut.size() - 6), u".bmp\">") << "no tag is cut in half";
}

TEST_F(CategoryColorsTest, SettingAColourChecksItsRangeAndReadsTheTableAgain)
{
    EXPECT_FALSE(SetCategoryColor(u"Plain", 0x1000000));
    EXPECT_FALSE(SetCategoryColor(u"", 0x10));
    ASSERT_TRUE(SetCategoryColor(u"Plain", 0xABCDEF));
    CATEGORYCOLOR entry;
    ASSERT_TRUE(CCategoryColorIcons::FindColor(u"Plain", entry));
    EXPECT_EQ(std::u16string(entry.colourText), u"#EFCDAB");
    ASSERT_TRUE(SetCategoryColor(u"Plain", 0));
    EXPECT_FALSE(CCategoryColorIcons::FindColor(u"Plain", entry));
}

TEST_F(CategoryColorsTest, AFolderOffersItsSmallPictureFilesSorted)
{
    const std::pair<const char*, size_t> files[] = {
        {"b.bmp", 10}, {"A.bmp", 255999}, {"big.bmp", 256000}, {"c.png", 10}, {"d.txt", 10}};
    for (auto [name, size] : files) MakeHostFile(std::string("Pictures/") + name, std::string(size, 'x'));
    std::filesystem::create_directories(Host("Pictures/sub.bmp"));
    auto names = [](const CCategoryDisplay& d) {
        std::vector<std::string> out;
        for (const auto& n : d.GetList()) out.push_back(WideToUtf8(n));
        return out;
    };
    CCategoryDisplay display(u"\\Pictures");
    EXPECT_EQ(names(display), (std::vector<std::string>{"A.bmp", "b.bmp"}));
    display.SetGraphicTypes(u".png.bmp");
    display.Init();
    EXPECT_EQ(names(display), (std::vector<std::string>{"A.bmp", "b.bmp", "c.png"}));
    EXPECT_TRUE(CCategoryDisplay(u"\\Missing").GetList().empty());
}

}  // namespace
