#include "tools/kstools/sample/sample_attendees.h"

#include "tools/kstools/sample/sample_vocabulary.h"

namespace kstools {
namespace {

char16_t Plain(char16_t c)
{
    switch (c) {
        case u'é':
        case u'è':
        case u'ë':
        case u'É':
            return u'e';
        case u'ö':
        case u'ø':
            return u'o';
        case u'ü':
            return u'u';
        case u'í':
            return u'i';
        case u'á':
        case u'à':
            return u'a';
        default:
            break;
    }
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
    if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return c;
    return 0;
}

void AppendPlain(std::u16string& out, std::u16string_view text)
{
    for (char16_t c : text) {
        if (char16_t p = Plain(c)) out += p;
    }
}

SampleAttendee Person(size_t firstIndex, size_t lastIndex)
{
    const SampleWords first = SampleVocabulary::FirstNames();
    const SampleWords last = SampleVocabulary::LastNames();
    const SampleWords domains = SampleVocabulary::MailDomains();
    std::u16string_view f = first[firstIndex % first.size()];
    std::u16string_view l = last[lastIndex % last.size()];
    return {std::u16string(f) + u" " + std::u16string(l),
            SampleAttendees::MailAddress(f, l, domains[(firstIndex + lastIndex) % domains.size()])};
}

}  // namespace

std::u16string SampleAttendees::MailAddress(std::u16string_view first, std::u16string_view last,
                                            std::u16string_view domain)
{
    std::u16string address;
    AppendPlain(address, first);
    address += u'.';
    AppendPlain(address, last);
    address += u'@';
    address += domain;
    return address;
}

std::vector<SampleAttendee> SampleAttendees::Fixed(int first, int count)
{
    std::vector<SampleAttendee> people;
    for (int i = 0; i < count; ++i)
        people.push_back(Person(static_cast<size_t>(first + i), static_cast<size_t>(first + 3 * i)));
    return people;
}

std::vector<SampleAttendee> SampleAttendees::Random(SampleRandom& random, int count)
{
    std::vector<SampleAttendee> people;
    for (int i = 0; i < count; ++i) people.push_back(Person(random.Below(1000), random.Below(1000)));
    return people;
}

}  // namespace kstools
