// AppointmentAlarms: the extra alarms of an appointment, beyond its one
// reminder. Each is a user notification for "CALENDAR.EXE" whose argument
// names the appointment and the alarm's lead time ("AppointmentAlarm <oid>
// <minutes>"), so that the alarms of an appointment can be found, moved with
// its start and removed with it without a store of their own.
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"

class AppointmentAlarms {
public:
    // The lead times (minutes before the start) of appointment oid's extra
    // alarms, smallest first.
    static std::vector<LONG> Read(long oid);
    // Replaces the extra alarms of oid by one per lead time, at start less
    // that many minutes, showing text. Alarms that would ring in the past
    // and repeated lead times are left out. False when one could not be set.
    static bool Write(long oid, double start, const std::u16string& text, const std::vector<LONG>& minutes);
    // Removes every extra alarm of oid; their number.
    static int Clear(long oid);
};
