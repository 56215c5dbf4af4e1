// SampleStoreSeeder: fills the personal-information store with realistic,
// reproducible sample data through the object model, then the call log and
// the recent contacts (sample_contact_lists.h). The same seed, counts
// and pinned clock (KSTOOLS_NOW) give the same store; appointments, tasks
// and contacts draw from separate streams, so changing one count leaves the
// other kinds as they were.
#pragma once

#include <cstdint>
#include <functional>

#include "storage/c_outlook.h"

namespace kstools {

struct SampleStoreOptions {
    int appointments = 200;
    int tasks = 100;
    int contacts = 150;
    std::uint64_t seed = 1;
};

class SampleStoreSeeder {
public:
    // Called after each item with the items written so far and the total.
    using Progress = std::function<void(int done, int total)>;

    SampleStoreSeeder(COutlook& outlook, const SampleStoreOptions& options) : m_outlook(outlook), m_options(options) {}

    // Writes every item; throws CommandError when the object model refuses one.
    void Run(const Progress& progress = {});

private:
    COutlook& m_outlook;
    SampleStoreOptions m_options;
};

}  // namespace kstools
