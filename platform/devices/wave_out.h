// Wave output: the waveOut* calls of the platform, standing in for a sound
// device. The one device (the wave mapper and device 0 both name it) writes
// everything played on it to a 16-bit PCM WAV file and, when asked, also
// hands that file to the distribution's sound server to be heard.
//
// Writing is synchronous: a buffer given to waveOutWrite is in the file and
// marked WHDR_DONE when the call returns, unless it is being played aloud,
// in which case it is marked done when the player finishes.
#pragma once

#include <string>

#include "platform/base/types.h"

using MMRESULT = UINT;
struct HWAVEOUT__ {
    int unused;
};
using HWAVEOUT = HWAVEOUT__*;

constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;
constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr DWORD CALLBACK_NULL = 0;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_INQUEUE = 0x00000010;

struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

// 1 while an output file is set, else 0.
UINT waveOutGetNumDevs();
// Only PCM of 8 or 16 bits, 1 or 2 channels, with a consistent block align
// and byte rate (WAVERR_BADFORMAT otherwise). Only CALLBACK_NULL.
MMRESULT waveOutOpen(HWAVEOUT* out, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT wave, WAVEHDR* header, UINT size);
// Appends the buffer to the file (rewritten whole, so that it is a complete
// WAV file after every write).
MMRESULT waveOutWrite(HWAVEOUT wave, WAVEHDR* header, UINT size);
// WAVERR_STILLPLAYING while the buffer is not done.
MMRESULT waveOutUnprepareHeader(HWAVEOUT wave, WAVEHDR* header, UINT size);
// Waits for a player still running on this handle.
MMRESULT waveOutClose(HWAVEOUT wave);
// The device's volume: low word left, high word right; 0xFFFFFFFF at start.
MMRESULT waveOutGetVolume(HWAVEOUT wave, DWORD* volume);
MMRESULT waveOutSetVolume(HWAVEOUT wave, DWORD volume);

namespace platform {

// The host file the device writes (empty: there is no device) and whether
// each write is also played through the sound server ("pw-play", "paplay" or
// "aplay", the first found on PATH). Process-wide; at start the file is
// "Tones.wav" in the device root and nothing is played.
void SetWaveOutput(std::string hostFile, bool play);
std::string WaveOutputFile();

}  // namespace platform
