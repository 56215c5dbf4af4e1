#include "platform/devices/wave_out.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/files/data_directory.h"

extern char** environ;

namespace {

struct WaveHandle : HWAVEOUT__ {
    WAVEFORMATEX format{};
    std::string file;
    bool play = false;
    std::vector<char> data;  // everything written so far
    std::thread player;
};

struct WaveState {
    std::mutex lock;
    bool configured = false;
    std::string file;
    bool play = false;
    DWORD volume = 0xFFFFFFFFu;
    std::set<WaveHandle*> open;
};

WaveState& State()
{
    static WaveState state;
    return state;
}

void EnsureConfigured(WaveState& state)
{
    if (state.configured) return;
    state.configured = true;
    state.file = platform::DeviceRootDirectory() + "/Tones.wav";
}

WaveHandle* Find(HWAVEOUT wave)
{
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    auto* handle = static_cast<WaveHandle*>(wave);
    return state.open.count(handle) ? handle : nullptr;
}

void PutLe(std::string& out, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool WriteWaveFile(const WaveHandle& wave)
{
    std::string header;
    header += "RIFF";
    PutLe(header, static_cast<DWORD>(36 + wave.data.size()), 4);
    header += "WAVEfmt ";
    PutLe(header, 16, 4);
    PutLe(header, wave.format.wFormatTag, 2);
    PutLe(header, wave.format.nChannels, 2);
    PutLe(header, wave.format.nSamplesPerSec, 4);
    PutLe(header, wave.format.nAvgBytesPerSec, 4);
    PutLe(header, wave.format.nBlockAlign, 2);
    PutLe(header, wave.format.wBitsPerSample, 2);
    header += "data";
    PutLe(header, static_cast<DWORD>(wave.data.size()), 4);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(wave.file.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size() &&
              std::fwrite(wave.data.data(), 1, wave.data.size(), file.get()) == wave.data.size();
    return std::fflush(file.get()) == 0 && ok;
}

// Runs the first sound-server player found on the file and waits for it.
void PlayFile(const std::string& file)
{
    for (const char* player : {"pw-play", "paplay", "aplay"}) {
        std::string program = player;
        std::vector<char*> argv = {program.data(), const_cast<char*>(file.c_str()), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, player, nullptr, nullptr, argv.data(), environ) != 0) continue;
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return;
    }
}

void MarkDone(WAVEHDR* header)
{
    std::atomic_ref<DWORD> flags(header->dwFlags);
    DWORD old = flags.load();
    while (!flags.compare_exchange_weak(old, (old | WHDR_DONE) & ~WHDR_INQUEUE)) {
    }
}

bool FormatSupported(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= 1000 &&
           f.nSamplesPerSec <= 192000 && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

}  // namespace

UINT waveOutGetNumDevs()
{
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    EnsureConfigured(state);
    return state.file.empty() ? 0 : 1;
}

MMRESULT waveOutOpen(HWAVEOUT* out, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR,
                     DWORD flags)
{
    if (!out || !format || callback != 0 || flags != CALLBACK_NULL) return MMSYSERR_INVALPARAM;
    *out = nullptr;
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    EnsureConfigured(state);
    if (state.file.empty()) return MMSYSERR_NODRIVER;
    if (deviceId != WAVE_MAPPER && deviceId != 0) return MMSYSERR_BADDEVICEID;
    if (!FormatSupported(*format)) return WAVERR_BADFORMAT;
    auto* handle = new WaveHandle;
    handle->format = *format;
    handle->file = state.file;
    handle->play = state.play;
    state.open.insert(handle);
    *out = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT wave, WAVEHDR* header, UINT size)
{
    if (!Find(wave)) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR) || (!header->lpData && header->dwBufferLength)) return MMSYSERR_INVALPARAM;
    header->dwFlags = WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT wave, WAVEHDR* header, UINT size)
{
    WaveHandle* handle = Find(wave);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (handle->player.joinable()) handle->player.join();
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    handle->data.insert(handle->data.end(), header->lpData, header->lpData + header->dwBufferLength);
    if (!WriteWaveFile(*handle)) {
        MarkDone(header);
        return MMSYSERR_ERROR;
    }
    if (!handle->play) {
        MarkDone(header);
        return MMSYSERR_NOERROR;
    }
    handle->player = std::thread([file = handle->file, header] {
        PlayFile(file);
        MarkDone(header);
    });
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT wave, WAVEHDR* header, UINT size)
{
    if (!Find(wave)) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    DWORD flags = std::atomic_ref<DWORD>(header->dwFlags).load();
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    std::atomic_ref<DWORD>(header->dwFlags).fetch_and(~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT wave)
{
    WaveHandle* handle = Find(wave);
    if (!handle) return MMSYSERR_INVALHANDLE;
    if (handle->player.joinable()) handle->player.join();
    {
        WaveState& state = State();
        std::lock_guard guard(state.lock);
        state.open.erase(handle);
    }
    delete handle;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(HWAVEOUT wave, DWORD* volume)
{
    if (wave && !Find(wave)) return MMSYSERR_INVALHANDLE;
    if (!volume) return MMSYSERR_INVALPARAM;
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    *volume = state.volume;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT wave, DWORD volume)
{
    if (wave && !Find(wave)) return MMSYSERR_INVALHANDLE;
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    state.volume = volume;
    return MMSYSERR_NOERROR;
}

namespace platform {

void SetWaveOutput(std::string hostFile, bool play)
{
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    state.configured = true;
    state.file = std::move(hostFile);
    state.play = play;
}

std::string WaveOutputFile()
{
    WaveState& state = State();
    std::lock_guard guard(state.lock);
    EnsureConfigured(state);
    return state.file;
}

}  // namespace platform
