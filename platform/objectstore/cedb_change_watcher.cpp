#include "platform/objectstore/internal/cedb_change_watcher.h"

#include <chrono>
#include <mutex>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/messaging/messages.h"
#include "platform/objectstore/internal/cedb_volume.h"

namespace platform::cedb {
namespace {

// Longest sleep between looks at the log: a writer killed between its commit
// and raising the counter is still announced this late.
constexpr int kLookAtLeastEveryMs = 1000;
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
    thread_ = std::thread([this] { Run(); });
}

void ChangeWatcher::Stop()
{
    if (!thread_.joinable()) return;
    stop_ = true;
    volume_.Counter().WakeAll();
    thread_.join();
}

void ChangeWatcher::Run()
{
    std::uint64_t seen = volume_.Counter().Load();
    while (!stop_) {
        volume_.Counter().Wait(seen, kLookAtLeastEveryMs);
        if (stop_) break;
        // Read before delivering: a write during the delivery moves the
        // counter past this value and is looked at in the next round.
        seen = volume_.Counter().Load();
        Deliver();
    }
}

void ChangeWatcher::Deliver()
{
    std::unique_lock lock(volume_.Mutex(), std::defer_lock);
    // Only tried: the thread that stops the watcher may hold the mutex.
    while (!lock.try_lock()) {
        if (stop_) return;
        std::this_thread::sleep_for(kMutexRetry);
    }
    if (!volume_.IsOpen()) return;
    std::vector<LoggedChange> changes;
    if (volume_.LoggedChangesAfter(lastSeq_, changes) != ERROR_SUCCESS || changes.empty()) return;
    lastSeq_ = changes.back().seq;
    struct Post {
        HWND target;
        LoggedChange change;
    };
    std::vector<Post> posts;
    for (const LoggedChange& change : changes) {
        if (change.own) continue;
        for (HWND target : volume_.NotifyTargets(change.db)) posts.push_back(Post{target, change});
    }
    lock.unlock();
    // Posted outside the mutex, as the writing handles post theirs.
    for (const Post& p : posts)
        PostMessageW(p.target, p.change.message, p.change.record, static_cast<LPARAM>(p.change.db));
}

}  // namespace platform::cedb
