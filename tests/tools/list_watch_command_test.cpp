// kstools tasks|calendar|contacts --watch: a change that a second process
// makes to the store appears in the watching list within a second, the
// list's other rows refreshed in place.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/kstools_home.h"

namespace {

using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct WatchCase {
    const char* name;
    const char* seed;  // imported before watching: enough rows that one change is refreshed, not reloaded
    const char* seedFile;
    const char* seeded;  // the last seeded entry's text
    Strings watch;    // the watching command
    Strings write;    // the writing command; "{file}" stands for the file below
    const char* file;  // written first when not null
    const char* appears;
    // A second change, whose entry must be listed before the first one's
    // while the first one stays listed.
    Strings write2;
    const char* file2;
    const char* appearsBefore;
};

std::string Repeated(const std::string& head, const std::string& item, const std::string& tail)
{
    std::string text = head;
    for (char n = '1'; n <= '8'; ++n) {
        std::string one = item;
        for (size_t at; (at = one.find('#')) != std::string::npos;) one[at] = n;
        text += one;
    }
    return text + tail;
}

const std::string kSeedTasks = Repeated("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n",
                                        "BEGIN:VTODO\r\nUID:t#\r\nSUMMARY:Sort papers #\r\nEND:VTODO\r\n",
                                        "END:VCALENDAR\r\n");
const std::string kSeedEvents = Repeated("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n",
                                         "BEGIN:VEVENT\r\nUID:e#\r\nSUMMARY:Meeting #\r\nDTSTART:20260311T1#0000\r\n"
                                         "DTEND:20260311T1#3000\r\nEND:VEVENT\r\n",
                                         "END:VCALENDAR\r\n");
const std::string kSeedCards =
    Repeated("", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Seed #\r\nN:Seed #;Sam;;;\r\nEND:VCARD\r\n", "");

const WatchCase kCases[] = {
    {"tasks",
     kSeedTasks.c_str(),
     "seed.ics",
     "Sort papers 8",
     {"tasks", "--watch"},
     {"task", "add", "Water plants"},
     nullptr,
     "Water plants",
     {"task", "add", "Buy bread"},
     nullptr,
     "Buy bread"},
    {"calendar",
     kSeedEvents.c_str(),
     "seed.ics",
     "Meeting 8",
     {"calendar", "--watch", "--from", "2026-03-10", "--to", "2026-03-12"},
     {"appt", "add", "Dentist", "--start", "2026-03-11T09:00", "--duration", "30", "--no-reminder"},
     nullptr,
     "Dentist",
     {"appt", "add", "Breakfast", "--start", "2026-03-11T07:00", "--duration", "30", "--no-reminder"},
     nullptr,
     "Breakfast"},
    {"contacts",
     kSeedCards.c_str(),
     "seed.vcf",
     "Seed 8",
     {"contacts", "--watch"},
     {"import", "{file}"},
     "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ada Lovelace\r\nN:Lovelace;Ada;;;\r\nEND:VCARD\r\n",
     "Lovelace",
     {"import", "{file}"},
     "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Aaron Abbott\r\nN:Abbott;Aaron;;;\r\nEND:VCARD\r\n",
     "Abbott"},
};

void PrintTo(const WatchCase& c, std::ostream* os) { *os << c.name; }

// A kstools that runs until stopped, its standard output read as it comes.
class Watcher {
public:
    Watcher(const Strings& args, const std::map<std::string, std::string>& env)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        Strings argv{KSTOOLS_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = kstest::SpawnChild(argv, -1, fds[1], -1, env);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Watcher()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (out_ >= 0) close(out_);
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // Reads until `text` has been printed (after `from` bytes) or the deadline; whether it was.
    bool ReadUntil(const std::string& text, Clock::time_point deadline, size_t from = 0)
    {
        while (text_.find(text, from) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return false;
            text_.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    const std::string& Text() const { return text_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string text_;
};

class KstoolsListWatch : public KstoolsHome, public testing::WithParamInterface<WatchCase> {};

TEST_P(KstoolsListWatch, AChangeByAnotherProcessIsPrintedWithinASecond)
{
    const WatchCase& c = GetParam();
    const std::map<std::string, std::string> env{
        {"KSTOOLS_HOME", HomeDir().string()}, {"KSTOOLS_LOCALE", "en-US"}, {"KSTOOLS_NOW", "2026-03-10T08:00"}};
    auto write = [&](Strings args, const char* file, const char* name = "card.vcf") {
        if (file) {
            const std::string path = (HomeDir() / name).string();
            std::ofstream(path, std::ios::binary) << file;
            for (std::string& a : args)
                if (a == "{file}") a = path;
        }
        const kstest::ChildResult written = Run(args, {{"KSTOOLS_NOW", "2026-03-10T08:00"}});
        EXPECT_EQ(written.exitCode, 0) << written.err;
        return Clock::now();
    };
    write({"import", "{file}"}, c.seed, c.seedFile);
    Watcher watcher(c.watch, env);
    // The store is watched before the list is first printed.
    ASSERT_TRUE(watcher.ReadUntil(c.seeded, Clock::now() + std::chrono::seconds(60))) << watcher.Text();
    const size_t firstList = watcher.Text().size();
    EXPECT_EQ(watcher.Text().find(c.appears), std::string::npos);

    const Clock::time_point done = write(c.write, c.file);
    EXPECT_TRUE(watcher.ReadUntil(c.appears, done + std::chrono::seconds(1), firstList)) << watcher.Text();
    const std::string refreshed = " rows refreshed --\n";
    EXPECT_NE(watcher.Text().find(refreshed, firstList), std::string::npos) << watcher.Text();

    // The list printed after the second change holds both entries, in sort
    // order, and the seeded rows it did not read again.
    const size_t secondList = watcher.Text().size();
    const Clock::time_point done2 = write(c.write2, c.file2);
    ASSERT_TRUE(watcher.ReadUntil(c.appearsBefore, done2 + std::chrono::seconds(1), secondList)) << watcher.Text();
    const size_t listed = watcher.Text().rfind("\n-- ", watcher.Text().find(c.appearsBefore, secondList));
    ASSERT_NE(listed, std::string::npos);
    ASSERT_TRUE(watcher.ReadUntil(c.appears, Clock::now() + std::chrono::seconds(5), listed)) << watcher.Text();
    EXPECT_LT(watcher.Text().find(c.appearsBefore, listed), watcher.Text().find(c.appears, listed)) << watcher.Text();
    EXPECT_EQ(watcher.Text().find(refreshed, listed), watcher.Text().find('\n', listed + 1) - refreshed.size() + 1)
        << watcher.Text();
    EXPECT_NE(watcher.Text().find(c.seeded, listed), std::string::npos) << watcher.Text();

    // Rows show their categories' names: a category change alone reprints the list, loaded again.
    ASSERT_TRUE(watcher.ReadUntil(c.seeded, Clock::now() + std::chrono::seconds(5), listed)) << watcher.Text();
    const size_t thirdList = watcher.Text().size();
    const Clock::time_point done3 = write({"categories", "add", "Errands"}, nullptr);
    ASSERT_TRUE(watcher.ReadUntil(c.seeded, done3 + std::chrono::seconds(1), thirdList)) << watcher.Text();
    const size_t separator = watcher.Text().find("\n-- ", thirdList);
    EXPECT_GT(watcher.Text().find(refreshed, separator), watcher.Text().find('\n', separator + 1)) << watcher.Text();
}

INSTANTIATE_TEST_SUITE_P(Lists, KstoolsListWatch, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WatchCase>& info) { return std::string(info.param.name); });

}  // namespace
