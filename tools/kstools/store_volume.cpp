// Mounting the volume a store command names (see store_volume.h).
#include "tools/kstools/store_volume.h"

#include "foundation/system_messages.h"
#include "platform/files/device_paths.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/text/utf8.h"
#include "tools/kstools/cli_context.h"

namespace kstools {

std::string LastErrorText()
{
    DWORD code = GetLastError();
    std::u16string text;
    if (SystemMessageText(code, text)) {
        std::string words = WideToUtf8(text);
        while (!words.empty() && (words.back() == '.' || words.back() == ' ' || words.back() == '\n')) words.pop_back();
        if (!words.empty()) return words;
    }
    return "error " + std::to_string(code);
}

StoreVolume::StoreVolume() : m_hostFile(platform::ObjectStorePath()) {}

StoreVolume::StoreVolume(const std::string& devicePath) : m_devicePath(devicePath)
{
    std::u16string path = Utf8ToWide(devicePath);
    platform::ResolvedPath resolved = platform::ResolveDevicePath(path.c_str());
    m_hostFile = resolved.host;
    if (!CeMountDBVol(&m_guid, path.c_str(), CEDB_OPEN_EXISTING)) {
        DWORD code = GetLastError();
        std::string why = LastErrorText();
        // A name that leads nowhere, or to something that is no volume, is the
        // caller's mistake; anything else is the store's.
        bool badArgument = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
                           code == ERROR_ACCESS_DENIED || code == ERROR_BAD_FORMAT || code == ERROR_INVALID_NAME ||
                           code == ERROR_FILENAME_EXCED_RANGE;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) why = "no such volume file";
        if (code == ERROR_BAD_FORMAT) why = "not a database volume";
        throw CommandError("cannot mount " + devicePath + ": " + why, badArgument ? kExitUsage : kExitFailure);
    }
    m_mounted = true;
}

StoreVolume::~StoreVolume()
{
    if (m_mounted) CeUnmountDBVol(&m_guid);
}

std::string StoreVolume::Label() const { return m_mounted ? m_devicePath : std::string("the object store"); }

}  // namespace kstools
