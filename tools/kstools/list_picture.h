// --png FILE [--width N] [--height N] [--scale 1|2] for the list commands:
// the list drawn as a view shows it, written as a PNG picture.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "grid/calendar_day_presenter.h"
#include "grid/list_rows.h"

namespace kstools {

struct ListPictureOptions {
    std::string png;  // empty: no picture
    int width = 240;
    int height = 320;
    int scale = 1;
};

// Adds --png, --width, --height and --scale to a list command.
void AddListPictureOptions(CLI::App& cmd, ListPictureOptions& options);

// Paints the rows (and floaters) into a picture of the options' size and
// writes it; throws CommandError when it cannot be written.
void WriteListPicture(const ListPictureOptions& options, const CListRows& rows,
                      const std::vector<LISTFLOATER>& floaters = {});

}  // namespace kstools
