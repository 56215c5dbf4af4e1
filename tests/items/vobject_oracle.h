// Python's vobject from the distribution as an independent reader of the vCards and calendars written here.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/data_directory.h"

namespace itemtest {

// Runs script with argument and returns what it printed.
inline std::string RunPython(const char* script, const std::string& argument)
{
    // In the test's own data directory, as tests run side by side; not named vobject.py, which would shadow the module.
    const std::filesystem::path file = std::filesystem::path(platform::DataDirectory()) / "oracle.py";
    std::ofstream(file) << script;
    const std::string command = std::string(KSTOOLS_VOBJECT_PYTHON) + " " + file.string() + " '" + argument + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << "python3-vobject is needed (scripts/deps.sh): " << command;
    }
    return out;
}

}  // namespace itemtest
