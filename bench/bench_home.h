// BenchHome: the private data directory of one benchmark's store, named in
// KSTOOLS_HOME with its device root made, and removed with everything in it
// when the benchmark is done. Hold it as the first member of a store, so that
// the directory exists before the store is filled.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files/data_directory.h"

namespace benchpeer {

class BenchHome {
public:
    BenchHome()
    {
        char pattern[] = "/tmp/kstools-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        path_ = pattern;
        setenv("KSTOOLS_HOME", path_.c_str(), 1);
        platform::EnsureDeviceRoot();
    }
    ~BenchHome() { std::filesystem::remove_all(path_); }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

private:
    std::string path_;
};

}  // namespace benchpeer
