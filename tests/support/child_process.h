// Runs another program for a test and collects what it printed.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kstest {

struct ChildResult {
    int exitCode = -1;  // -1 when the program could not be started or was killed by a signal
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments, stdin empty, with `env` added to (or, for
// an empty value, removed from) the current environment. Waits for it.
// Starts argv[0] with the arguments and `env` as RunChild takes it: stdin
// from `in` (-1: empty), stdout and stderr to `out` and `err` (-1: this
// process's). The process id, or -1 with errno set.
pid_t SpawnChild(const std::vector<std::string>& argv, int in, int out, int err,
                 const std::map<std::string, std::string>& env = {});

ChildResult RunChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {});

}  // namespace kstest
