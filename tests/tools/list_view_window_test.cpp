// kstools view under a virtual X server: the window shows the same picture as
// --png of the same list, and stylus, wheel and keys sent by xdotool change
// it; Escape ends it. Skipped when Xvfb or xdotool is missing.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/kstools_home.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

namespace {

constexpr int kWidth = 240, kHeight = 320;

// The program's full path from PATH, empty when it is not there.
std::string Which(const char* program)
{
    std::string path;
    if (FILE* p = popen((std::string("command -v ") + program + " 2>/dev/null").c_str(), "r")) {
        char line[512] = {};
        if (std::fgets(line, sizeof line, p)) path = line;
        pclose(p);
    }
    while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.pop_back();
    return path;
}

// The screen's top-left kWidth x kHeight pixels as 0xRRGGBB.
std::vector<std::uint32_t> Screen(Display* display)
{
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
}

std::vector<std::uint32_t> PngPixels(const std::string& path)
{
    std::vector<std::uint32_t> pixels;
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
        for (int y = 0; y < cairo_image_surface_get_height(png); ++y) {
            auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(png) +
                                                              y * cairo_image_surface_get_stride(png));
            for (int x = 0; x < cairo_image_surface_get_width(png); ++x) pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    cairo_surface_destroy(png);
    return pixels;
}

int Differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

class KstoolsView : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        xdotool_ = Which("xdotool");
        const std::string xvfb = Which("Xvfb");
        if (xvfb.empty() || xdotool_.empty()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        display_ = ":" + std::to_string(90 + getpid() % 500);
        xvfb_ = kstest::SpawnChild({xvfb, display_, "-screen", "0", "320x400x24", "-nolisten", "tcp"}, -1, -1, -1);
        ASSERT_GT(xvfb_, 0);
        for (int i = 0; i < 100 && !x_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            x_ = XOpenDisplay(display_.c_str());
        }
        ASSERT_NE(x_, nullptr) << "Xvfb did not start on " << display_;
    }
    void TearDown() override
    {
        if (view_ > 0) kill(view_, SIGKILL), waitpid(view_, nullptr, 0);
        if (x_) XCloseDisplay(x_);
        if (xvfb_ > 0) kill(xvfb_, SIGTERM), waitpid(xvfb_, nullptr, 0);
        KstoolsHome::TearDown();
    }
    std::map<std::string, std::string> Env() const
    {
        return {{"KSTOOLS_NOW", "2026-12-07T08:00"}, {"DISPLAY", display_}, {"KSTOOLS_HOME", HomeDir().string()},
                {"KSTOOLS_LOCALE", "en-US"}};
    }
    void Xdo(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{xdotool_};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_EQ(kstest::RunChild(argv, {{"DISPLAY", display_}}).exitCode, 0);
    }
    // The screen once it has stopped changing (the window has caught up).
    std::vector<std::uint32_t> Settled()
    {
        std::vector<std::uint32_t> last = Screen(x_);
        for (int i = 0; i < 40; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::vector<std::uint32_t> now = Screen(x_);
            if (now == last && now[5 * kWidth + 5] != 0) return now;
            last = std::move(now);
        }
        return last;
    }

    std::string display_;
    std::string xdotool_;
    pid_t xvfb_ = -1;
    pid_t view_ = -1;
    Display* x_ = nullptr;
};

TEST_F(KstoolsView, TheWindowShowsTheListAndAnswersInput)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "20", "--tasks", "30", "--contacts", "10"}, Env()).exitCode, 0);
    const std::string png = (HomeDir() / "tasks.png").string();
    ASSERT_EQ(Run({"tasks", "--group", "category", "--png", png}, Env()).exitCode, 0);
    view_ = kstest::SpawnChild({KSTOOLS_CLI, "view", "tasks"}, -1, -1, -1, Env());
    ASSERT_GT(view_, 0);

    const std::vector<std::uint32_t> shown = Settled();
    EXPECT_EQ(Differing(shown, PngPixels(png)), 0) << "the window and --png differ";

    // A task added by another program shows without any input.
    ASSERT_EQ(Run({"task", "add", "Aardvark feed"}, Env()).exitCode, 0);
    ASSERT_EQ(Run({"tasks", "--group", "category", "--png", png}, Env()).exitCode, 0);
    const std::vector<std::uint32_t> first = Settled();
    EXPECT_GT(Differing(shown, first), 0) << "the window did not follow the store";
    EXPECT_EQ(Differing(first, PngPixels(png)), 0) << "the window and --png differ after the change";

    // Each input changes what is shown: a tap on a task selects it, the
    // keys move the selection, the wheel scrolls, a tap on the first
    // header closes its group.
    struct Step {
        std::vector<std::string> xdotool;
    };
    const Step steps[] = {{{"mousemove", "120", "30", "click", "1"}},
                          {{"key", "Down", "Next"}},
                          {{"click", "5"}},
                          {{"key", "Home"}},
                          {{"mousemove", "120", "8", "click", "1"}}};
    std::vector<std::uint32_t> before = first;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.xdotool[0] + " " + s.xdotool[1]);
        Xdo(s.xdotool);
        const std::vector<std::uint32_t> after = Settled();
        EXPECT_GT(Differing(before, after), 0);
        before = after;
    }
    Xdo({"key", "Escape"});
    int status = -1;
    for (int i = 0; i < 50 && waitpid(view_, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Escape did not end the window";
    view_ = -1;
}

TEST_F(KstoolsView, DayViewAndContactSearchMatchTheirPictures)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "60", "--tasks", "0", "--contacts", "30"}, Env()).exitCode, 0);
    struct Case {
        std::vector<std::string> view, picture;
        std::vector<std::string> typed;  // xdotool type: the search, then the picture with --search
    };
    const Case cases[] = {
        {{"calendar", "--day", "--from", "2026-12-07"}, {"calendar", "--day", "--from", "2026-12-07"}, {}},
        // Both keys at once: the second comes while the first one's search loads, and the list
        // shown must be the later search's.
        {{"contacts"}, {"contacts", "--search", "Bx"}, {"type", "--delay", "0", "Bx"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view[0]);
        std::vector<std::string> argv{KSTOOLS_CLI, "view"};
        argv.insert(argv.end(), c.view.begin(), c.view.end());
        view_ = kstest::SpawnChild(argv, -1, -1, -1, Env());
        ASSERT_GT(view_, 0);
        const std::vector<std::uint32_t> first = Settled();
        if (!c.typed.empty()) Xdo(c.typed);
        const std::vector<std::uint32_t> shown = Settled();
        if (!c.typed.empty()) {
            EXPECT_GT(Differing(first, shown), 0) << "typing did not search";
        }
        const std::string png = (HomeDir() / (c.view[0] + ".png")).string();
        std::vector<std::string> args = c.picture;
        args.insert(args.end(), {"--png", png});
        ASSERT_EQ(Run(args, Env()).exitCode, 0);
        EXPECT_EQ(Differing(shown, PngPixels(png)), 0) << "the window and --png differ";
        kill(view_, SIGKILL), waitpid(view_, nullptr, 0);
        view_ = -1;
    }
}

TEST_F(KstoolsView, CalendarAndContactsFollowAChangeByAnotherProgram)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "60", "--tasks", "0", "--contacts", "30"}, Env()).exitCode, 0);
    const std::string card = (HomeDir() / "card.vcf").string();
    std::ofstream(card, std::ios::binary) << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Aaron Abbott\r\nN:Abbott;Aaron;;;\r\n"
                                             "END:VCARD\r\n";
    struct Case {
        std::vector<std::string> list;  // the view's and the picture's arguments
        std::vector<std::string> change;
    };
    const Case cases[] = {
        {{"calendar", "--day", "--from", "2026-12-07"},
         {"appt", "add", "Aardvark feeding", "--start", "2026-12-07T09:15", "--duration", "30", "--no-reminder"}},
        {{"contacts"}, {"import", card}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list[0]);
        std::vector<std::string> argv{KSTOOLS_CLI, "view"};
        argv.insert(argv.end(), c.list.begin(), c.list.end());
        view_ = kstest::SpawnChild(argv, -1, -1, -1, Env());
        ASSERT_GT(view_, 0);
        const std::vector<std::uint32_t> before = Settled();
        ASSERT_EQ(Run(c.change, Env()).exitCode, 0);
        const std::string png = (HomeDir() / (c.list[0] + ".png")).string();
        std::vector<std::string> args = c.list;
        args.insert(args.end(), {"--png", png});
        ASSERT_EQ(Run(args, Env()).exitCode, 0);
        const std::vector<std::uint32_t> after = Settled();
        EXPECT_GT(Differing(before, after), 0) << "the window did not follow the store";
        EXPECT_EQ(Differing(after, PngPixels(png)), 0) << "the window and --png of the changed store differ";
        kill(view_, SIGKILL), waitpid(view_, nullptr, 0);
        view_ = -1;
    }
}

}  // namespace
