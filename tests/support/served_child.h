// A server of workers for the crash tests: each input line forks one, which prints "ready <pid>" and
// its progress; after a worker dies the server prints "gone"; it ends with its input.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace kstest {

class ServedChild {
public:
    // Starts argv[0] with its arguments, stdin and stdout connected to this object.
    explicit ServedChild(const std::vector<std::string>& argv);
    ~ServedChild();
    ServedChild(const ServedChild&) = delete;
    ServedChild& operator=(const ServedChild&) = delete;

    bool Started() const { return pid_ > 0; }
    std::string Error() const;

    // Asks for a worker: writes `request` and a line end.
    bool Request(const std::string& request);
    // Waits for the worker's "ready <pid>"; false when it did not get that far.
    bool AwaitReady();
    // The next line printed; empty when the server ended.
    std::string NextLine();
    // Kills the worker, then hands each line it printed before dying to `take`.
    void KillWorker(const std::function<void(const std::string&)>& take = {});

private:
    pid_t pid_ = -1;
    pid_t worker_ = -1;
    int error_ = 0;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
};

}  // namespace kstest
