// kstools render: paints a grid cell's mark-up into a PNG, measures it, and
// lists its hot spots (linked pieces and pictures) with their rectangles.
//
// Pictures named in IMG tags are answered the way the grid answers them: a
// name that is a number is one of the library's numbered pictures; any other
// name is a BMP or PNG file looked up in the --images folder (by default the
// mark-up file's folder, else the current one).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "grid/grid_notify.h"
#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "platform/images/bitmap_loading.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/png_writer.h"
#include "platform/messaging/window.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"

namespace kstools {
namespace {

// Tallest picture painted: a mark-up is a cell, not a poster.
constexpr int kMaxSide = 8000;

struct RenderOptions {
    std::string markup;
    std::string file;
    std::string images;
    std::string output;
    int width = 0;
    int height = 0;
    int scale = 1;
    bool measure = false;
    bool hotspots = false;
    bool json = false;
    bool markupGiven = false;  // --markup (possibly empty) or --file
};

// The pictures of one run, loaded on first request and owned until the end.
class PictureOwner {
public:
    explicit PictureOwner(std::filesystem::path folder) : folder_(std::move(folder))
    {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = u"KstoolsRenderPictures";
            return RegisterClassW(&wc) != 0;
        }();
        if (registered)
            hwnd_ = CreateWindowExW(0, u"KstoolsRenderPictures", u"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr,
                                    this);
    }
    ~PictureOwner()
    {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    HWND Window() const { return hwnd_; }
    const std::vector<std::string>& Missing() const { return missing_; }

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<PictureOwner*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
        if (message == WM_NOTIFY && self) {
            auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
            if (request->hdr.code != GN_IMAGENOTIFY) return 0;
            std::u16string name(request->name, request->hdr.idFrom);
            request->isIcon = 0;
            request->bitmap = self->Picture(name, request->isIcon);
            return request->bitmap != nullptr;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HBITMAP Picture(const std::u16string& name, BYTE& isIcon)
    {
        const bool number = !name.empty() && name.size() <= 5 &&
                            name.find_first_not_of(u"0123456789") == std::u16string::npos;
        isIcon = number;
        auto found = pictures_.find(name);
        if (found != pictures_.end()) return found->second.Get();
        HBITMAP bitmap;
        if (number) {
            unsigned long id = std::stoul(WideToUtf8(name));
            bitmap = id <= 0xFFFF ? LoadBitmapW(nullptr, MAKEINTRESOURCEW(static_cast<UINT>(id))) : nullptr;
        } else {
            bitmap = platform::LoadBitmapFromHostFile((folder_ / WideToUtf8(name)).string());
        }
        if (!bitmap) missing_.push_back(WideToUtf8(name));
        pictures_.emplace(name, platform::OwnedBitmap(bitmap));
        return bitmap;
    }

    std::filesystem::path folder_;
    HWND hwnd_ = nullptr;
    std::map<std::u16string, platform::OwnedBitmap> pictures_;
    std::vector<std::string> missing_;
};

std::string ReadMarkup(const RenderOptions& options)
{
    if (options.file.empty()) return options.markup;
    std::ifstream in(options.file, std::ios::binary);
    if (!in) throw CommandError("cannot read the mark-up file " + options.file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void RunRender(const RenderOptions& options)
{
    if (!options.markupGiven) throw CommandError("give the mark-up with --markup TEXT or --file FILE", kExitUsage);
    if (!options.measure && options.output.empty())
        throw CommandError("give -o FILE.png for the picture (or --measure to measure only)", kExitUsage);
    platform::SetDisplayScale(options.scale);

    const std::u16string markup = Utf8ToWide(ReadMarkup(options));
    std::filesystem::path folder = options.images;
    if (folder.empty() && !options.file.empty()) folder = std::filesystem::path(options.file).parent_path();
    if (folder.empty()) folder = ".";
    PictureOwner pictures(folder);

    CHTMLParser parser;
    parser.SetHTML(markup.c_str());
    parser.ParseHTML(pictures.Window());

    // Measure on a one-pixel canvas, then paint on one of the final size.
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    platform::OwnedBitmap probe(CreateCompatibleBitmap(nullptr, 1, 1));
    HGDIOBJ old = SelectObject(dc.Get(), probe.Get());
    RECT measured{0, 0, options.width, 0};
    MeasureHTML(dc.Get(), &measured, 0, &parser);
    const int height = options.height ? options.height : std::clamp<int>(measured.bottom, 1, kMaxSide);

    CHotSpotArray hotspots;
    if (!options.output.empty()) {
        platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, options.width, height));
        if (!canvas) throw CommandError("cannot make a picture of " + std::to_string(options.width) + " x " +
                                        std::to_string(height) + " pixels");
        SelectObject(dc.Get(), canvas.Get());
        RECT all{0, 0, options.width, height};
        platform::OwnedBrush body(CreateSolidBrush(parser.GetBackColor(true)));
        FillRect(dc.Get(), &all, body.Get());
        DrawHTML(dc.Get(), &all, 0, &parser, &hotspots, 0, DRAWHTML_HIGHLIGHTTEXT);
        SelectObject(dc.Get(), old);
        if (!platform::WritePng(canvas.Get(), options.output))
            throw CommandError("cannot write " + options.output);
    } else if (options.hotspots || options.json) {
        // Hot spots without a picture: lay out on the probe, nothing kept.
        RECT all{0, 0, options.width, height};
        DrawHTML(dc.Get(), &all, 0, &parser, &hotspots, 0, DRAWHTML_HIGHLIGHTTEXT);
        SelectObject(dc.Get(), old);
    }

    for (const auto& name : pictures.Missing())
        std::fprintf(stderr, "kstools: no picture \"%s\" (left out)\n", name.c_str());

    if (options.json) {
        nlohmann::ordered_json out;
        out["width"] = options.width;
        out["height"] = height;
        out["measured"] = {{"width", measured.right}, {"height", measured.bottom}};
        auto& spots = out["hotspots"] = nlohmann::ordered_json::array();
        for (const auto& h : hotspots)
            spots.push_back({{"left", h.area.left},
                             {"top", h.area.top},
                             {"right", h.area.right},
                             {"bottom", h.area.bottom},
                             {"target", WideToUtf8(h.target)}});
        out["missingPictures"] = pictures.Missing();
        std::puts(out.dump(2).c_str());
        return;
    }
    if (options.measure) std::printf("%ld x %ld\n", static_cast<long>(measured.right), static_cast<long>(measured.bottom));
    if (options.hotspots)
        for (const auto& h : hotspots)
            std::printf("%ld,%ld,%ld,%ld\t%s\n", static_cast<long>(h.area.left), static_cast<long>(h.area.top),
                        static_cast<long>(h.area.right), static_cast<long>(h.area.bottom),
                        WideToUtf8(h.target).c_str());
}

}  // namespace

void AddRenderCommand(CLI::App& app, CliContext& ctx)
{
    auto options = std::make_shared<RenderOptions>();
    CLI::App* cmd = app.add_subcommand("render", "Paint a cell's mark-up into a PNG, measure it, list its hot spots");
    CLI::Option* markup = cmd->add_option("--markup", options->markup, "The mark-up text");
    CLI::Option* file = cmd->add_option("--file", options->file, "A file holding the mark-up (UTF-8)");
    markup->excludes(file);
    cmd->add_option("--width", options->width, "Width of the cell in pixels")->required()->check(CLI::Range(1, kMaxSide));
    cmd->add_option("--height", options->height, "Height of the picture in pixels (default: the measured height)")
        ->check(CLI::Range(1, kMaxSide));
    cmd->add_option("--scale", options->scale, "Screen scale: 1 ordinary, 2 double resolution")
        ->check(CLI::IsMember({1, 2}));
    cmd->add_option("--images", options->images,
                    "Folder of the pictures named in IMG tags (default: the mark-up file's folder)");
    cmd->add_option("-o,--output", options->output, "The PNG file to write");
    cmd->add_flag("--measure", options->measure, "Print the measured width x height");
    cmd->add_flag("--hotspots", options->hotspots, "Print the hot spots: left,top,right,bottom<TAB>target");
    cmd->add_flag("--json", options->json, "Print sizes and hot spots as one JSON object");
    ctx.OnRun(cmd, [options, markup, file] {
        options->markupGiven = markup->count() > 0 || file->count() > 0;
        RunRender(*options);
    });
}

}  // namespace kstools
