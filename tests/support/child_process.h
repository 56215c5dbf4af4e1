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

// Starts argv[0] with `env` added to (an empty value: removed from) the environment; stdin from `in`,
// stdout and stderr to `out` and `err` (-1: empty stdin, this process's outputs). Its pid, or -1 and errno.
pid_t SpawnChild(const std::vector<std::string>& argv, int in, int out, int err,
                 const std::map<std::string, std::string>& env = {});

ChildResult RunChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {});

}  // namespace kstest
