// The lock behind a CRITICAL_SECTION (internal).
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/kernel/critical_section.h"

namespace platform {

class ThreadRecord;

// Releases every critical section the killed thread owned (see TerminateThread).
void ReleaseSectionsOfKilledThread(ThreadRecord& rec);

}  // namespace platform
