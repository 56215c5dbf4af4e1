// Runs another program for a test and collects what it printed.
#pragma once

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
ChildResult RunChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {});

}  // namespace kstest
