#include "tests/support/served_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/support/child_process.h"

namespace kstest {

ServedChild::ServedChild(const std::vector<std::string>& argv)
{
    signal(SIGPIPE, SIG_IGN);  // a server that died must fail the test, not kill it
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        error_ = errno;
        return;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = errno;
        close(in[0]);
        close(in[1]);
        return;
    }
    pid_ = SpawnChild(argv, in[0], out[1], -1);
    if (pid_ < 0) error_ = errno;
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
}

ServedChild::~ServedChild()
{
    if (worker_ > 0) kill(worker_, SIGKILL);
    if (in_ >= 0) close(in_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
}

std::string ServedChild::Error() const { return std::strerror(error_); }

bool ServedChild::Request(const std::string& request)
{
    const std::string line = request + "\n";
    return write(in_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

bool ServedChild::AwaitReady()
{
    const std::string line = NextLine();
    if (line.rfind("ready ", 0) != 0) return false;
    worker_ = static_cast<pid_t>(std::stol(line.substr(6)));
    return true;
}

std::string ServedChild::NextLine()
{
    for (;;) {
        size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        char chunk[4096];
        ssize_t n = read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

void ServedChild::KillWorker(const std::function<void(const std::string&)>& take)
{
    if (worker_ > 0) kill(worker_, SIGKILL);
    worker_ = -1;
    for (std::string line = NextLine(); line != "gone" && !line.empty(); line = NextLine())
        if (take) take(line);
}

}  // namespace kstest
