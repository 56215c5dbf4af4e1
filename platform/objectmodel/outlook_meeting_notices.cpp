#include "platform/objectmodel/outlook_meeting_notices.h"

#include <mutex>

#include "platform/text/debug_output.h"

namespace {

std::mutex& Guard()
{
    static std::mutex guard;
    return guard;
}

std::vector<OutlookMeetingNotice>& Notices()
{
    static std::vector<OutlookMeetingNotice> notices;
    return notices;
}

}  // namespace

void OutlookMeetingNotices::Record(const OutlookMeetingNotice& notice)
{
    std::u16string line = notice.cancelled ? u"Meeting cancelled: " : u"Meeting update: ";
    line += notice.subject;
    line += u" ->";
    for (const std::u16string& address : notice.addresses) line += u" " + address;
    line += u"\n";
    OutputDebugStringW(line.c_str());
    std::lock_guard<std::mutex> lock(Guard());
    Notices().push_back(notice);
}

std::vector<OutlookMeetingNotice> OutlookMeetingNotices::All()
{
    std::lock_guard<std::mutex> lock(Guard());
    return Notices();
}

void OutlookMeetingNotices::Clear()
{
    std::lock_guard<std::mutex> lock(Guard());
    Notices().clear();
}
