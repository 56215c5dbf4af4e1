#include "tools/kstools/sample/sample_store_seeder.h"

#include <vector>

#include "tools/kstools/sample/sample_appointment_coverage.h"
#include "tools/kstools/sample/sample_appointment_planner.h"
#include "tools/kstools/sample/sample_appointment_writer.h"
#include "tools/kstools/sample/sample_calendar.h"
#include "tools/kstools/sample/sample_contact_lists.h"
#include "tools/kstools/sample/sample_contact_writer.h"
#include "tools/kstools/sample/sample_random.h"
#include "tools/kstools/sample/sample_task_planner.h"
#include "tools/kstools/sample/sample_task_writer.h"

namespace kstools {
namespace {

// Separate streams per kind, derived from the one seed.
constexpr std::uint64_t kAppointmentStream = 0xA440;
constexpr std::uint64_t kTaskStream = 0x7A5C;
constexpr std::uint64_t kContactStream = 0xC047;
constexpr std::uint64_t kContactListStream = 0xCA11;

}  // namespace

void SampleStoreSeeder::Run(const Progress& progress)
{
    const SampleCalendar calendar;
    const int total = m_options.appointments + m_options.tasks + m_options.contacts;
    int done = 0;
    auto step = [&] {
        ++done;
        if (progress) progress(done, total);
    };

    SampleRandom appointmentRandom(m_options.seed * 0x9E3779B97F4A7C15ull ^ kAppointmentStream);
    SampleAppointmentPlanner appointments(calendar, appointmentRandom);
    const std::vector<SampleAppointmentPlan> coverage = SampleAppointmentCoverage::Plans(calendar);
    SampleAppointmentWriter appointmentWriter(m_outlook);
    for (int i = 0; i < m_options.appointments; ++i) {
        const size_t index = static_cast<size_t>(i);
        appointmentWriter.Write(index < coverage.size() ? coverage[index] : appointments.Next());
        step();
    }

    SampleRandom taskRandom(m_options.seed * 0x9E3779B97F4A7C15ull ^ kTaskStream);
    SampleTaskPlanner tasks(calendar, taskRandom);
    const std::vector<SampleTaskPlan> taskCoverage = SampleTaskPlanner::Coverage(calendar);
    SampleTaskWriter taskWriter(m_outlook);
    for (int i = 0; i < m_options.tasks; ++i) {
        const size_t index = static_cast<size_t>(i);
        taskWriter.Write(index < taskCoverage.size() ? taskCoverage[index] : tasks.Next());
        step();
    }

    SampleRandom contactRandom(m_options.seed * 0x9E3779B97F4A7C15ull ^ kContactStream);
    SampleContactWriter contactWriter(m_outlook, calendar, contactRandom);
    std::vector<CEOID> contacts;
    for (int i = 0; i < m_options.contacts; ++i) {
        contacts.push_back(contactWriter.Write(i));
        step();
    }

    SampleRandom listRandom(m_options.seed * 0x9E3779B97F4A7C15ull ^ kContactListStream);
    SampleContactLists(m_outlook, calendar, listRandom).Write(contacts);
}

}  // namespace kstools
