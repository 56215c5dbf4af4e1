// The check a custom-view file passes before it is applied.
//
// A view file is a settings file exactly as the settings writer makes it:
// the UTF-16 little-endian byte-order mark, a blank line, then sections,
// each a header line "[HKEY_CURRENT_USER\<key>...]", its value lines in
// written form, and one blank line; every line ends CR LF. A file cut short
// anywhere but exactly after a section's blank line therefore breaks one of
// these rules, and a file made from another view's key names sections that
// do not begin with this view's key. Either way the file is refused before
// anything in the settings store changes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class CustomViewFileProblem {
    kNone,
    kNotSettingsText,  // no UTF-16 byte-order mark, or an odd number of bytes
    kCutShort,         // a line or a section broken off, or no section at all
    kForeignKey,       // a section outside the view's settings key
};

struct CustomViewFileCheck {
    CustomViewFileProblem problem = CustomViewFileProblem::kNone;
    size_t sections = 0;        // sections read before the problem
    std::u16string foreignKey;  // the section named by kForeignKey
    bool Ok() const { return problem == CustomViewFileProblem::kNone; }
};

// Checks the bytes of a view file for the settings key sectionPrefix, the
// full section name of the key ("HKEY_CURRENT_USER\Software\..."); sections
// whose names begin with it (its sub-keys and namesakes, as the export
// writes them) belong to the view. Compared without regard to case.
CustomViewFileCheck CheckCustomViewFile(const void* data, size_t size, std::u16string_view sectionPrefix);

// A sentence for the user about a failed check.
std::u16string CustomViewFileProblemText(const CustomViewFileCheck& check);
