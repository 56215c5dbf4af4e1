// kstools tasks|calendar|contacts --png: the lists drawn into pictures of the
// asked size on a seeded store; bad combinations of the picture options.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/kstools_home.h"

namespace {

class KstoolsListPictures : public KstoolsHome {
protected:
    std::map<std::string, std::string> Now() const { return {{"KSTOOLS_NOW", "2026-12-07T08:00"}}; }
    std::string Out(const std::string& name) const { return (HomeDir() / name).string(); }
};

// Whether the picture holds a pixel of the colour 0xRRGGBB.
bool HasColour(cairo_surface_t* png, unsigned colour)
{
    for (int y = 0; y < cairo_image_surface_get_height(png); ++y) {
        auto* row = cairo_image_surface_get_data(png) + y * cairo_image_surface_get_stride(png);
        for (int x = 0; x < cairo_image_surface_get_width(png); ++x)
            if ((reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF) == colour) return true;
    }
    return false;
}

TEST_F(KstoolsListPictures, EachListIsDrawnAtTheAskedSize)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "60", "--tasks", "30", "--contacts", "30"}, Now()).exitCode, 0);
    struct Case {
        std::vector<std::string> args;
        int width, height;
        unsigned mustHave;  // a colour the list's look puts in: header band, busy bar
    };
    const Case cases[] = {
        {{"tasks", "--group", "category"}, 240, 320, 0xDDE4EE},
        {{"calendar", "--day", "--from", "2026-12-07", "--width", "300", "--height", "200"}, 300, 200, 0x3060C0},
        {{"calendar", "--week", "--from", "2026-12-07", "--scale", "2", "--width", "480", "--height", "640"}, 480, 640,
         0xD8DCE2},
        {{"calendar", "--agenda", "--from", "2026-12-07"}, 240, 320, 0xDDE4EE},
        {{"contacts", "--format", "2"}, 240, 320, 0xDDE4EE},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const std::string file = Out("list" + std::to_string(n++) + ".png");
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--png", file});
        const kstest::ChildResult r = Run(args, Now());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
        ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(png), c.width);
        EXPECT_EQ(cairo_image_surface_get_height(png), c.height);
        EXPECT_TRUE(HasColour(png, c.mustHave));
        cairo_surface_destroy(png);
    }
}

TEST_F(KstoolsListPictures, BadPictureOptionsAreRefused)
{
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"calendar", "--day"}, 2},
        {{"calendar", "--png", Out("x.png"), "--day", "--week"}, 2},
        {{"tasks", "--png", Out("x.png"), "--scale", "3"}, 2},
        {{"contacts", "--png", Out("x.png"), "--width", "0"}, 2},
        {{"tasks", "--png", Out("no/such/folder/x.png")}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const kstest::ChildResult r = Run(c.args, Now());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_FALSE(r.err.empty());
    }
}

}  // namespace
