#include "platform/images/bitmap_loading.h"

#include <fcntl.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/device_paths.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/bitmap_decoding.h"
#include "platform/images/internal/embedded_bitmaps.h"
#include "platform/kernel/file_system.h"
#include "platform/modules/string_resources.h"

namespace {

// No picture file we accept comes near this; a larger one is refused before
// it is read.
constexpr off_t kMaxFileBytes = off_t{64} << 20;

HBITMAP FailNull(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

// The whole file through the platform's file system; 0 or the error.
DWORD ReadHostFile(const std::string& host, std::vector<std::uint8_t>& bytes)
{
    auto& files = platform::Files();
    platform::OwnedFd fd(files.Open(host, O_RDONLY | O_CLOEXEC, 0));
    if (fd.Get() < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    struct stat info {};
    if (files.StatOpen(fd.Get(), &info) != 0) return ERROR_ACCESS_DENIED;
    if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
    if (info.st_size > kMaxFileBytes) return ERROR_NOT_ENOUGH_MEMORY;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = files.Read(fd.Get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ERROR_ACCESS_DENIED;
        if (n == 0) break;  // shrank while we read: decode what is there
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return 0;
}

// Pictures that modules other than the application's were given.
struct ModulePictures {
    std::mutex mutex;
    std::map<std::pair<HINSTANCE, UINT>, std::shared_ptr<const std::vector<std::uint8_t>>> files;
};
ModulePictures& Registered()
{
    static auto* pictures = new ModulePictures;
    return *pictures;
}

bool IsApplication(HINSTANCE module) { return !module || module == GetModuleHandleW(nullptr); }

}  // namespace

HBITMAP SHLoadDIBitmap(LPCWSTR path)
{
    auto resolved = platform::ResolveDevicePath(path);
    if (resolved.error) return FailNull(resolved.error);
    if (!resolved.exists) return FailNull(ERROR_FILE_NOT_FOUND);
    return platform::LoadBitmapFromHostFile(resolved.host);
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name)
{
    if (!IS_INTRESOURCE(name)) return FailNull(ERROR_RESOURCE_NAME_NOT_FOUND);
    const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(name));
    if (IsApplication(module)) {
        for (std::size_t i = 0; i < g_ksEmbeddedBitmapCount; ++i)
            if (g_ksEmbeddedBitmaps[i].id == id) return platform::LoadBitmapFromMemory(g_ksEmbeddedBitmaps[i].data, g_ksEmbeddedBitmaps[i].size);
        return FailNull(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    std::shared_ptr<const std::vector<std::uint8_t>> file;
    bool moduleKnown = false;
    {
        auto& registered = Registered();
        std::lock_guard<std::mutex> lock(registered.mutex);
        auto it = registered.files.lower_bound({module, 0});
        moduleKnown = it != registered.files.end() && it->first.first == module;
        auto found = registered.files.find({module, id});
        if (found != registered.files.end()) file = found->second;
    }
    if (file) return platform::LoadBitmapFromMemory(file->data(), file->size());
    return FailNull(moduleKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_INVALID_HANDLE);
}

HANDLE LoadImageW(HINSTANCE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (type != IMAGE_BITMAP || cx < 0 || cy < 0) return FailNull(ERROR_INVALID_PARAMETER);
    HBITMAP bitmap = (flags & LR_LOADFROMFILE) ? SHLoadDIBitmap(name) : LoadBitmapW(module, name);
    if (!bitmap || (!cx && !cy)) return bitmap;
    return platform::ScaledBitmap(bitmap, cx, cy);
}

namespace platform {

HBITMAP LoadBitmapFromHostFile(const std::string& hostPath)
{
    std::vector<std::uint8_t> bytes;
    if (DWORD error = ReadHostFile(hostPath, bytes)) return FailNull(error);
    return platform::LoadBitmapFromMemory(bytes.data(), bytes.size());
}

bool RegisterBitmapResource(HINSTANCE module, UINT id, std::vector<std::uint8_t> file)
{
    if (IsApplication(module)) return false;
    auto shared = std::make_shared<const std::vector<std::uint8_t>>(std::move(file));
    auto& registered = Registered();
    std::lock_guard<std::mutex> lock(registered.mutex);
    registered.files[{module, id & 0xFFFF}] = std::move(shared);
    return true;
}

bool UnregisterBitmapResources(HINSTANCE module)
{
    auto& registered = Registered();
    std::lock_guard<std::mutex> lock(registered.mutex);
    auto first = registered.files.lower_bound({module, 0});
    auto last = first;
    while (last != registered.files.end() && last->first.first == module) ++last;
    const bool had = first != last;
    registered.files.erase(first, last);
    return had;
}

}  // namespace platform
