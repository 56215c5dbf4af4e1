// Device paths typed on the command line for notes and their folders:
// '/' is taken for '\', a missing leading '\' is added and trailing
// separators are dropped ("My Documents/a.pwi" is "\My Documents\a.pwi").
#pragma once

#include <string>

namespace kstools {

std::u16string NoteDevicePath(const std::string& text);

}  // namespace kstools
