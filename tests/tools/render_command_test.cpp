// kstools render: hot spots, measuring, pictures from files and numbers, and
// the PNG it writes (read back with Cairo).
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsRender : public KstoolsHome {
protected:
    Json Render(std::vector<std::string> args)
    {
        args.insert(args.begin(), "render");
        args.push_back("--json");
        return JsonOf(Run(args));
    }
    std::string Out(const std::string& name) const { return (HomeDir() / name).string(); }
};

// A PNG read back: its size and whether a colour (0xRRGGBB) occurs.
struct Png {
    explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Png() { cairo_surface_destroy(surface); }
    bool Ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(surface); }
    int Height() const { return cairo_image_surface_get_height(surface); }
    bool Has(unsigned colour) const
    {
        cairo_surface_flush(surface);
        for (int y = 0; y < Height(); ++y) {
            auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
            for (int x = 0; x < Width(); ++x)
                if ((reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF) == colour) return true;
        }
        return false;
    }
    cairo_surface_t* surface;
};

TEST_F(KstoolsRender, HotSpotsCoverLinksAndPicturesInOrderInsideTheCell)
{
    const Json out = Render({"--markup", "<A=\"tel:123\">Call Anna</A> about <IMG SRC=293> the <A=\"x\">offer</A>",
                             "--width", "300", "-o", Out("cell.png")});
    ASSERT_EQ(out["hotspots"].size(), 3u) << out.dump();
    std::vector<std::string> targets;
    int previousRight = 0;
    for (const Json& h : out["hotspots"]) {
        targets.push_back(h["target"]);
        EXPECT_LE(previousRight, h["left"].get<int>()) << h.dump();
        EXPECT_LT(h["left"].get<int>(), h["right"].get<int>());
        EXPECT_LE(h["right"].get<int>(), 300);
        EXPECT_EQ(h["top"], 0);
        EXPECT_LE(h["bottom"].get<int>(), out["height"].get<int>());
        previousRight = h["right"];
    }
    EXPECT_EQ(targets, (std::vector<std::string>{"tel:123", "293", "x"}));
    EXPECT_EQ(out["height"], out["measured"]["height"]);
    EXPECT_TRUE(out["missingPictures"].empty());

    Png png(Out("cell.png"));
    ASSERT_TRUE(png.Ok());
    EXPECT_EQ(png.Width(), 300);
    EXPECT_EQ(png.Height(), out["height"].get<int>());
    // The numbered picture's colour key is left out, its outline drawn.
    EXPECT_FALSE(png.Has(0x00FF00));
    EXPECT_TRUE(png.Has(0x282828));
}

TEST_F(KstoolsRender, PicturesComeFromTheMarkupFilesFolderOrImagesAndMissingOnesAreNamed)
{
    cairo_surface_t* red = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 12, 12);
    cairo_t* cr = cairo_create(red);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::filesystem::create_directories(HomeDir() / "pics");
    ASSERT_EQ(cairo_surface_write_to_png(red, Out("pics/Red.png").c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(red);
    std::ofstream(Out("pics/cell.txt")) << "<IMG SRC=\"Red.png\"> and <IMG SRC=\"gone.bmp\">";

    struct Case {
        std::vector<std::string> where;
        bool found;
    } cases[] = {
        {{"--file", Out("pics/cell.txt")}, true},
        {{"--markup", "<IMG SRC=\"Red.png\"> and <IMG SRC=\"gone.bmp\">", "--images", Out("pics")}, true},
        {{"--markup", "<IMG SRC=\"Red.png\"> and <IMG SRC=\"gone.bmp\">", "--images", Out("")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where[0] + " " + c.where.back());
        std::vector<std::string> args = c.where;
        args.insert(args.end(), {"--width", "200", "-o", Out("out.png")});
        args.insert(args.begin(), "render");
        const kstest::ChildResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("no picture \"gone.bmp\""), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Red.png") == std::string::npos, c.found) << r.err;
        Png png(Out("out.png"));
        ASSERT_TRUE(png.Ok());
        EXPECT_EQ(png.Has(0xFF0000), c.found);
    }
}

TEST_F(KstoolsRender, MeasuringWrapsToTheWidthAndScales)
{
    const std::string text = "one two three four five six seven eight nine ten";
    auto measure = [&](const std::string& width, const std::string& scale) {
        const kstest::ChildResult r = Run({"render", "--markup", text, "--width", width, "--scale", scale, "--measure"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        int w = 0, h = 0;
        EXPECT_EQ(std::sscanf(r.out.c_str(), "%d x %d", &w, &h), 2) << r.out;
        EXPECT_LE(w, std::stoi(width));
        return std::pair(w, h);
    };
    auto [wideW, wideH] = measure("1000", "1");
    auto [narrowW, narrowH] = measure("60", "1");
    auto [doubleW, doubleH] = measure("1000", "2");
    EXPECT_GT(narrowH, 2 * wideH);
    EXPECT_LT(narrowW, wideW);
    EXPECT_GT(doubleW, wideW * 3 / 2);
    EXPECT_GT(doubleH, wideH * 3 / 2);
}

}  // namespace
