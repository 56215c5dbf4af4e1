// Template names and subjects split off arbitrary subjects. The input's 16-bit
// units, cut at the first 0 unit, are the subject. Besides running clean under
// the sanitizers: name and subject are never longer than the input; a subject
// without the exact prefix and a closing ']' comes back untouched from both;
// otherwise the name holds no ']', and prefix, name, ']' and subject rebuild
// the input exactly, which MakeTemplate does too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "items/c_template.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    units = units.substr(0, units.find(u'\0'));

    std::u16string name = units, subject = units;
    CTemplate::GetTemplateName(name.data());
    CTemplate::GetTemplateSubject(subject.data());
    const std::u16string nameText(name.c_str()), subjectText(subject.c_str());
    Check(nameText.size() <= units.size() && subjectText.size() <= units.size());

    const std::u16string prefix = u"[TEMPLATE:";
    const bool marked = units.compare(0, prefix.size(), prefix) == 0 && units.find(u']', prefix.size()) != std::u16string::npos;
    if (!marked) {
        Check(nameText == units && subjectText == units);
        return 0;
    }
    Check(nameText.find(u']') == std::u16string::npos);
    Check(prefix + nameText + u"]" + subjectText == units);
    std::unique_ptr<WCHAR, decltype(&free)> made(CTemplate::MakeTemplate(nameText.c_str(), subjectText.c_str()), &free);
    Check(made && std::u16string(made.get()) == units);
    return 0;
}
