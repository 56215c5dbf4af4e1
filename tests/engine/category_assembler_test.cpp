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
    std::u16string Assemble(std::initializer_list<unsigned int> ids)
    {
        CePtrList<unsigned int> list(1);
        for (unsigned int id : ids) list.Append(id);
        WCHAR* text = loader.CategoryAssembler(list);
        EXPECT_NE(text, nullptr);
        std::u16string result = text ? text : u"<null>";
        std::free(text);
        return result;
    }
    TestLoader loader{nullptr};
};

TEST_F(CategoryAssemblerTest, NamesFollowTheListOrderWithSeparatorsBetweenOnly)
{
    EXPECT_EQ(Assemble({7, 3}), u"Work, Home");
    EXPECT_EQ(Assemble({3, 7}), u"Home, Work");
    EXPECT_EQ(Assemble({40}), u"Far");
    EXPECT_EQ(Assemble({7, 3, 40}), u"Work, Home, Far");
}

TEST_F(CategoryAssemblerTest, UnknownIdentifiersAddNothing)
{
    EXPECT_EQ(Assemble({7, 99, 3}), u"Work, Home");
    EXPECT_EQ(Assemble({99, 7}), u"Work");
    EXPECT_EQ(Assemble({7, 99}), u"Work");
    EXPECT_EQ(Assemble({99}), u"");
    EXPECT_EQ(Assemble({}), u"");
}

TEST_F(CategoryAssemblerTest, EachResultIsANewStringNotTheBuffer)
{
    CePtrList<unsigned int> first(1), second(1);
    first.Append(7u);
    second.Append(3u);
    WCHAR* work = loader.CategoryAssembler(first);
    WCHAR* home = loader.CategoryAssembler(second);
    ASSERT_NE(work, nullptr);
    ASSERT_NE(home, nullptr);
    EXPECT_NE(work, home);
    EXPECT_EQ(std::u16string(work), u"Work");
    std::free(work);
    std::free(home);
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
