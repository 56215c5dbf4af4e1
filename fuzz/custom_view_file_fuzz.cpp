// Arbitrary bytes as a custom-view file for the task list's key.
//
// The check must never read past the bytes, and what it accepts must be
// what the settings reader takes whole: every section it counted is one the
// reader finds, with the view's key at the front of its name. A file the
// check accepts stays accepted with another blank-line-ended section of the
// key appended, and is refused once its last two bytes are cut off.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "items/custom_view_file.h"
#include "storage/ini_file.h"
#include "platform/text/wide_string.h"

namespace {

constexpr std::u16string_view kPrefix = u"HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV";

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CustomViewFileCheck check = CheckCustomViewFile(data, size, kPrefix);
    Check(check.Ok() == (check.problem == CustomViewFileProblem::kNone));
    Check(!CustomViewFileProblemText(check).empty() || check.Ok());
    if (!check.Ok()) {
        Check(check.problem != CustomViewFileProblem::kForeignKey || !check.foreignKey.empty());
        return 0;
    }
    Check(check.sections > 0);
    CRegistry::INIFile file(u"\\fuzz.txt");
    file.Parse(data, size);
    Check(file.SectionCount() == check.sections);
    for (size_t s = 0; s < file.SectionCount(); ++s) {
        const std::u16string name(file.SectionAt(s).Name().substr(0, kPrefix.size()));
        Check(name.size() == kPrefix.size() && _wcsnicmp(name.c_str(), std::u16string(kPrefix).c_str(), kPrefix.size()) == 0);
        Check(file.SectionAt(s).ValueCount() > 0);
    }
    std::string more(reinterpret_cast<const char*>(data), size);
    const std::u16string extra = u"[HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV\\Fuzz Extra Section]\r\n\"X\"=dword:00000001\r\n\r\n";
    for (char16_t c : extra) {
        more.push_back(static_cast<char>(c & 0xFF));
        more.push_back(static_cast<char>(c >> 8));
    }
    Check(CheckCustomViewFile(more.data(), more.size(), kPrefix).sections == check.sections + 1);
    Check(!CheckCustomViewFile(data, size - 2, kPrefix).Ok());
    return 0;
}
