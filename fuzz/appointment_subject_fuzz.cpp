// Stored appointment subjects split into marks and template names. The
// input's first byte chooses whether the start marks a template; the rest,
// as 16-bit units, is the stored subject. Besides running clean under the
// sanitizers: a split subject is never longer than the stored one, a
// template name holds no ']', and composing the parts again gives back the
// stored subject exactly (for marked ones, when the closing mark ends it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "items/c_appointment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool templateDay = data[0] & 1;
    std::u16string stored((size - 1) / 2, u'\0');
    if (!stored.empty()) std::memcpy(stored.data(), data + 1, stored.size() * 2);

    bool marked = false;
    std::u16string name;
    const std::u16string subject = CAppointment::SplitSubject(stored, templateDay, marked, name);
    if (subject.size() > stored.size()) std::abort();
    if (name.find(u']') != std::u16string::npos) std::abort();
    if (marked && !name.empty()) std::abort();
    // Marks are written around the whole subject: text after the closing
    // mark moves inside it.
    const std::u16string close = u"</\u2022>";
    const bool closeAtEnd = stored.size() >= close.size() && stored.compare(stored.size() - close.size(), close.size(), close) == 0;
    if ((!marked || closeAtEnd) && CAppointment::ComposeSubject(subject, marked, name) != stored) std::abort();
    return 0;
}
