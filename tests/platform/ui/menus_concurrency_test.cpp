// Menus used from several threads at once.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/menus.h"

namespace {

constexpr int kThreads = 4;
constexpr int kPerThread = 50;

std::u16string Label(int thread, int i)
{
    std::string text = std::to_string(thread) + "/" + std::to_string(i);
    return std::u16string(text.begin(), text.end());
}

TEST(MenusConcurrency, BuiltReadAndDestroyedOnSeveralThreads)
{
    HMENU shared = CreatePopupMenu();
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                UINT id = static_cast<UINT>(t * 1000 + i);
                std::u16string text = Label(t, i);
                EXPECT_TRUE(AppendMenuW(shared, MF_STRING, id, text.c_str()));
                HMENU own = CreatePopupMenu();
                AppendMenuW(own, MF_STRING, id, text.c_str());
                WCHAR buffer[32];
                EXPECT_EQ(GetMenuStringW(own, id, buffer, 32, MF_BYCOMMAND), static_cast<int>(text.size()));
                EXPECT_TRUE(DestroyMenu(own));
            }
        });
    for (auto& w : workers) w.join();
    ASSERT_EQ(GetMenuItemCount(shared), kThreads * kPerThread);
    std::set<UINT> ids;
    for (int i = 0; i < kThreads * kPerThread; ++i) ids.insert(GetMenuItemID(shared, i));
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads * kPerThread));
    EXPECT_EQ(*ids.rbegin(), static_cast<UINT>((kThreads - 1) * 1000 + kPerThread - 1));
    DestroyMenu(shared);
}

}  // namespace
