// What every kstools command shares: the global options and the output mode.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kstools {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the command ran and failed (missing item, unreadable store, ...)
constexpr int kExitUsage = 2;    // bad arguments

// A load of a large store takes seconds; two minutes without the end means
// the loader is stuck, and the command says so rather than hanging.
constexpr unsigned kListLoadTimeoutMs = 120000;

struct CliContext {
    std::string home;    // --home DIR, else $KSTOOLS_HOME
    std::string now;     // --now, else $KSTOOLS_NOW (a pinned clock)
    std::string locale;  // --locale, else $KSTOOLS_LOCALE
    int exitCode = kExitOk;

    // The action of each subcommand; main runs the one that was given, after
    // the global options have been applied.
    std::vector<std::pair<CLI::App*, std::function<void()>>> actions;
    void OnRun(CLI::App* command, std::function<void()> action) { actions.emplace_back(command, std::move(action)); }

    // Publishes the global options to the platform layer, which reads them from
    // the environment, so that a command-line choice and the variable behave the same.
    void ApplyToEnvironment() const;
};

// A command's plain-words failure: printed on stderr as "kstools: <message>".
class CommandError : public std::exception {
public:
    explicit CommandError(std::string message, int exitCode = kExitFailure)
        : message_(std::move(message)), exitCode_(exitCode)
    {}
    const char* what() const noexcept override { return message_.c_str(); }
    int exitCode() const { return exitCode_; }

private:
    std::string message_;
    int exitCode_;
};

}  // namespace kstools
