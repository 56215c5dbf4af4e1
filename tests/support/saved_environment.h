// Saves environment variables and restores (or unsets) them when it goes.
#pragma once

#include <stdlib.h>

#include <initializer_list>
#include <map>
#include <optional>
#include <string>

namespace kstest {

class SavedEnvironment {
public:
    explicit SavedEnvironment(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            const char* value = getenv(name);
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
    }
    ~SavedEnvironment()
    {
        for (auto& [name, value] : saved_) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace kstest
