#include "platform/objectstore/internal/cedb_change_watcher.h"

#include <chrono>
#include <mutex>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/messaging/messages.h"
#include "platform/objectstore/internal/cedb_volume.h"

namespace platform::cedb {
namespace {

// Longest sleep between looks at the log while another connection may be
// between its writes and its commit: a writer killed after its commit, before
// it raised the counter again, is still announced this late. Once a look
// found no writer at work, the watcher sleeps until the counter moves, but
// never longer than kQuietLookMs: a writer that starts after that look and is
// killed between its commit and the counter is announced then.
constexpr int kLookAgainMs = 1000;
constexpr int kQuietLookMs = 30000;
// Pause between tries of the volume's mutex while another thread holds it.
constexpr auto kMutexRetry = std::chrono::milliseconds(2);

}  // namespace

ChangeWatcher::ChangeWatcher(Volume& volume) : volume_(volume) {}

ChangeWatcher::~ChangeWatcher() { Stop(); }

void ChangeWatcher::Start()
{
    if (thread_.joinable()) return;
    // The changes before now are not news: start at the log's end.
    lastSeq_ = 0;
    if (volume_.LastLoggedChange(&lastSeq_) != ERROR_SUCCESS) lastSeq_ = 0;
    stop_ = false;
    finished_ = false;
    thread_ = std::thread([this] { Run(); });
}

void ChangeWatcher::Stop()
{
    if (!thread_.joinable()) return;
    stop_ = true;
    // The thread may be between its look at stop_ and its sleep, where a
    // single wake would be lost; it sleeps without a time limit.
    while (!finished_) {
        volume_.Counter().WakeAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    thread_.join();
}

void ChangeWatcher::Run()
{
    std::uint64_t seen = volume_.Counter().Load();
    // Whether the last look found no writer of another connection at work.
    bool quiet = false;
    while (!stop_) {
        volume_.Counter().Wait(seen, quiet && volume_.Counter().Available() ? kQuietLookMs : kLookAgainMs);
        if (stop_) break;
        // Read before delivering: a write during the delivery moves the
        // counter past this value and is looked at in the next round.
        seen = volume_.Counter().Load();
        quiet = Deliver();
    }
    finished_ = true;
}

bool ChangeWatcher::Deliver()
{
    std::unique_lock lock(volume_.Mutex(), std::defer_lock);
    // Only tried: the thread that stops the watcher may hold the mutex.
    while (!lock.try_lock()) {
        if (stop_) return false;
        std::this_thread::sleep_for(kMutexRetry);
    }
    // A closed volume has nothing to announce; Stop wakes the thread.
    if (!volume_.IsOpen()) return true;
    std::vector<LoggedChange> changes;
    LogLook look;
    if (volume_.LoggedChangesAfter(lastSeq_, changes, &look) != ERROR_SUCCESS) return false;
    if (changes.empty()) return look.quiet;
    lastSeq_ = changes.back().seq;
    struct Post {
        HWND target;
        LoggedChange change;
    };
    std::vector<Post> posts;
    if (look.lost) {
        // What was trimmed is unknown: every watched database is to be read
        // again. Deleted databases are still named, their handles are dead.
        for (const auto& [db, target] : volume_.AllNotifyTargets())
            posts.push_back(Post{target, LoggedChange{0, db, 0, DB_CEOID_CHANGED, false}});
        std::erase_if(changes, [](const LoggedChange& c) { return c.message != DB_CEOID_DATABASE_DELETED; });
    }
    for (const LoggedChange& change : changes) {
        if (change.own) continue;
        for (HWND target : volume_.NotifyTargets(change.db)) posts.push_back(Post{target, change});
    }
    lock.unlock();
    // Posted outside the mutex, as the writing handles post theirs.
    for (const Post& p : posts)
        PostMessageW(p.target, p.change.message, p.change.record, static_cast<LPARAM>(p.change.db));
    return look.quiet;
}

}  // namespace platform::cedb
