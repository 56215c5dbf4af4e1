#include "tools/kstools/list_picture.h"

#include "platform/gdi/display_metrics.h"
#include "platform/messaging/painting.h"
#include "tools/kstools/cli_context.h"
#include "tools/kstools/list_view_window.h"

namespace kstools {

namespace {
constexpr int kMaxSide = 8000;
}

void AddListPictureOptions(CLI::App& cmd, ListPictureOptions& options)
{
    cmd.add_option("--png", options.png, "Draw the list as its view shows it into this PNG file")->type_name("FILE");
    cmd.add_option("--width", options.width, "Width of the picture in pixels (default 240)")
        ->check(CLI::Range(16, kMaxSide));
    cmd.add_option("--height", options.height, "Height of the picture in pixels (default 320)")
        ->check(CLI::Range(16, kMaxSide));
    cmd.add_option("--scale", options.scale, "Screen scale: 1 ordinary, 2 double resolution")
        ->check(CLI::IsMember({1, 2}));
}

void WriteListPicture(const ListPictureOptions& options, const CListRows& rows,
                      const std::vector<LISTFLOATER>& floaters)
{
    platform::SetDisplayScale(options.scale);
    // The window `kstools view` shows, drawn off screen: the picture is the
    // one the window would show at this size.
    ListViewWindow window(
        [&](const std::u16string&) {
            LISTCONTENT content;
            content.rows = rows;
            content.floaters = floaters;
            return content;
        },
        false);
    if (!window.Create(u"kstools", options.width, options.height)) throw CommandError("cannot make a picture of this size");
    UpdateWindow(window.Grid()->GetHwnd());
    if (!platform::WriteWindowPng(window.Window(), options.png)) throw CommandError("cannot write " + options.png);
}

}  // namespace kstools
