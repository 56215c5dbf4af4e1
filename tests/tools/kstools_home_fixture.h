// A test that runs the real kstools program on a data directory of its own,
// made fresh for each test and removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

class KstoolsHomeFixture : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kstools-home-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    kstest::ChildResult Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), KSTOOLS_CLI);
        return kstest::RunChild(args, {}, {{"KSTOOLS_HOME", home_}, {"KSTOOLS_LOCALE", "en-US"}});
    }

    std::string home_;
};
