#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace kstest {
namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& env)
{
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        if (!env.count(entry.substr(0, entry.find('=')))) result.push_back(entry);
    }
    for (const auto& [name, value] : env)
        if (!value.empty()) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> ptrs;
    for (auto& s : strings) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
    return ptrs;
}

}  // namespace

pid_t SpawnChild(const std::vector<std::string>& argv, int in, int out, int err,
                 const std::map<std::string, std::string>& env)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in < 0) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<std::string> args = argv, envStrings = MergedEnvironment(env);
    auto argPtrs = Pointers(args), envPtrs = Pointers(envStrings);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argPtrs.data(), envPtrs.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) errno = rc;
    return rc == 0 ? pid : -1;
}

ChildResult RunChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env)
{
    ChildResult result;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC)) return result;
    const pid_t pid = SpawnChild(argv, -1, outPipe[1], errPipe[1], env);
    close(outPipe[1]);
    close(errPipe[1]);

    // Drain both outputs together so that neither pipe fills up.
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    for (int open = 2; open > 0 && poll(fds, 2, -1) >= 0;) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
                continue;
            }
            close(fds[i].fd);
            fds[i].fd = -1;
            --open;
        }
    }
    if (pid < 0) return result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace kstest
