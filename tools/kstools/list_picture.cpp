#include "tools/kstools/list_picture.h"

#include "grid/list_painter.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/png_writer.h"
#include "tools/kstools/cli_context.h"

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
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, options.width, options.height));
    if (!dc || !canvas) throw CommandError("cannot make a picture of this size");
    HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
    const RECT all{0, 0, options.width, options.height};
    PaintListRows(dc.Get(), all, rows, floaters);
    SelectObject(dc.Get(), old);
    if (!platform::WritePng(canvas.Get(), options.png)) throw CommandError("cannot write " + options.png);
}

}  // namespace kstools
