// CategoryAssembler: category identifiers to the ", "-joined names of the
// library's category table, from malloc or from the loader's private heap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/base/private_heap.h"
#include "tests/engine/test_loader.h"

namespace {

using loadertest::TestLoader;

class CategoryAssemblerTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        ASSERT_TRUE(cattest::WriteCategory(u"Work", 7));
        ASSERT_TRUE(cattest::WriteCategory(u"Home", 3));
        ASSERT_TRUE(cattest::WriteCategory(u"Far", 40));
    }
    TestLoader loader{nullptr};
};

TEST_F(CategoryAssemblerTest, NamesFollowTheListOrderWithSeparatorsBetweenOnly)
{
    const struct {
        std::initializer_list<unsigned int> ids;
        std::u16string text;
    } cases[] = {
        {{7, 3}, u"Work, Home"},     {{3, 7}, u"Home, Work"}, {{40}, u"Far"}, {{7, 3, 40}, u"Work, Home, Far"},
        {{7, 99, 3}, u"Work, Home"},  // unknown identifiers add nothing
        {{99, 7}, u"Work"},          {{7, 99}, u"Work"},      {{99}, u""},    {{}, u""},
    };
    WCHAR* previous = nullptr;
    for (const auto& c : cases) {
        CePtrList<unsigned int> list(1);
        for (unsigned int id : c.ids) list.Append(id);
        WCHAR* text = loader.CategoryAssembler(list);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text), c.text);
        EXPECT_NE(text, previous) << "each result is a new string, not the buffer";
        std::free(previous);
        previous = text;
    }
    std::free(previous);
}

TEST_F(CategoryAssemblerTest, VeryLongListsAreCutAtTheBufferSize)
{
    CePtrList<unsigned int> list(1);
    for (int i = 0; i < 1500; ++i) list.Append(7u);
    WCHAR* text = loader.CategoryAssembler(list);
    ASSERT_NE(text, nullptr);
    const std::u16string result(text);
    EXPECT_EQ(result.size(), static_cast<size_t>(kCategoryTextChars));
    EXPECT_EQ(result.substr(0, 10), u"Work, Work");
    std::free(text);
}

TEST_F(CategoryAssemblerTest, WithAPrivateHeapTheTextComesFromIt)
{
    HANDLE heap = loader.CreatePrivateHeap();
    ASSERT_NE(heap, nullptr);
    CePtrList<unsigned int> list(1);
    list.Append(3u);
    WCHAR* text = loader.CategoryAssembler(list);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"Home");
    EXPECT_EQ(HeapSize(heap, 0, text), 5 * sizeof(WCHAR));
    // A new heap replaces the old one, which goes with every block it held.
    HANDLE next = loader.CreatePrivateHeap();
    EXPECT_NE(next, nullptr);
    EXPECT_EQ(loader.GetPrivateHeap(), next);
    loader.DestroyPrivateHeap();
    EXPECT_EQ(loader.GetPrivateHeap(), nullptr);
}

}  // namespace
