// Tests that run kstools (tools_tests) on DeviceSandbox's folder, also this process's KSTOOLS_HOME,
// so a test may write a store for the program to read. The object store is closed at the end.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/cedb.h"
#include "tests/support/child_process.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/store_records.h"

// A property identifier as kstools writes it: "0x" and eight upper-case hex digits.
inline std::string PropidText(CEPROPID id)
{
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(id));
    return text;
}

// A property's value as `kstools store dump --json` lists it, or null.
inline const nlohmann::json* Property(const nlohmann::json& record, CEPROPID propid)
{
    for (const nlohmann::json& p : record["properties"]) {
        if (p["propid"] == PropidText(propid)) return &p["value"];
    }
    return nullptr;
}

class KstoolsHome : public DeviceSandbox {
protected:
    void TearDown() override
    {
        platform::CloseObjectStore();
        DeviceSandbox::TearDown();
    }
    // Runs kstools on this data directory with the en-US locale; `env` adds
    // to (an empty value removes from) the environment and may override both.
    kstest::ChildResult Run(std::vector<std::string> args, std::map<std::string, std::string> env = {}) const
    {
        args.insert(args.begin(), KSTOOLS_CLI);
        env.emplace("KSTOOLS_HOME", home_);
        env.emplace("KSTOOLS_LOCALE", "en-US");
        return kstest::RunChild(args, env);
    }
    // What a run that must succeed printed as JSON; null when it failed.
    static nlohmann::json JsonOf(const kstest::ChildResult& r)
    {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? nlohmann::json::parse(r.out, nullptr, false) : nlohmann::json();
    }
    std::filesystem::path HomeDir() const { return home_; }
};
