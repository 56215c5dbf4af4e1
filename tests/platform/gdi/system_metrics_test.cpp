#include "platform/gdi/system_metrics.h"

#include <gtest/gtest.h>

#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_types.h"

namespace {

struct ScaleGuard {
    ~ScaleGuard() { platform::SetDisplayScale(1); }
};

TEST(SystemMetrics, SizesFollowTheScreensScale)
{
    ScaleGuard guard;
    struct Row {
        int index, atOne, atTwo;
    };
    const Row rows[] = {{SM_CXBORDER, 1, 2}, {SM_CXVSCROLL, 13, 26}, {SM_CXSCREEN, 240, 480}, {SM_CYSCREEN, 320, 640},
                        {SM_CXEDGE, 2, 4},   {12345, 0, 0}};
    for (const auto& r : rows) {
        platform::SetDisplayScale(1);
        EXPECT_EQ(GetSystemMetrics(r.index), r.atOne) << r.index;
        platform::SetDisplayScale(2);
        EXPECT_EQ(GetSystemMetrics(r.index), r.atTwo) << r.index;
    }
}

TEST(SystemMetrics, ColoursAnswerWithOrWithoutTheIndexFlag)
{
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 0, 128));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT | SYS_COLOR_INDEX_FLAG), RGB(0, 0, 128));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
}

}  // namespace
