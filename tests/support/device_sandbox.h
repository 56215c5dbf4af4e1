// Points KSTOOLS_HOME at a fresh temporary folder for one test's lifetime.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/files/data_directory.h"

class DeviceSandbox : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("KSTOOLS_HOME")) saved_ = old;
        char pattern[] = "/tmp/kstools-files-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = pattern;
        setenv("KSTOOLS_HOME", home_.c_str(), 1);
    }
    void TearDown() override
    {
        // Read-only leftovers must not stop the clean-up.
        std::error_code ignored;
        for (auto& entry : std::filesystem::recursive_directory_iterator(home_, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(home_, ignored);
        if (saved_)
            setenv("KSTOOLS_HOME", saved_->c_str(), 1);
        else
            unsetenv("KSTOOLS_HOME");
    }
    // Host path of a device-relative location ("My Documents/a.txt").
    std::string Host(const std::string& relative = {}) const
    {
        return home_ + "/device" + (relative.empty() ? "" : "/" + relative);
    }
    void MakeHostFile(const std::string& relative, const std::string& content = "x") const
    {
        std::filesystem::create_directories(std::filesystem::path(Host(relative)).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << content;
    }
    std::string ReadHostFile(const std::string& relative) const
    {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string home_;
    std::optional<std::string> saved_;
};
