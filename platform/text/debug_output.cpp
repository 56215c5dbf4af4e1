#include "platform/text/debug_output.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/base/last_error.h"
#include "platform/text/utf8.h"

namespace {

std::atomic<platform::DebugOutputSink> g_sink{nullptr};

bool DebugOutputWanted()
{
    const char* value = std::getenv("KSTOOLS_DEBUG");
    return value && *value && std::strcmp(value, "0") != 0;
}

void WriteToStderr(std::u16string_view text)
{
    if (!DebugOutputWanted()) return;
    // One lock so that lines of different threads do not cut into each other.
    static std::mutex lock;
    std::string bytes = WideToUtf8(text);
    std::lock_guard<std::mutex> hold(lock);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void OutputDebugStringW(LPCWSTR text)
{
    if (!text) return;
    DWORD saved = GetLastError();
    platform::DebugOutputSink sink = g_sink.load(std::memory_order_acquire);
    std::u16string_view view(text);
    if (sink)
        sink(view);
    else
        WriteToStderr(view);
    SetLastError(saved);
}

namespace platform {

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) { return g_sink.exchange(sink, std::memory_order_acq_rel); }

}  // namespace platform
