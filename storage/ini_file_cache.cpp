#include "storage/ini_file_cache.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "storage/settings_name.h"

namespace {

struct CacheState {
    std::vector<CRegistry::INIFile*> files;
    // Objects the cache forgot while they were still in use.
    std::vector<CRegistry::INIFile*> orphans;
};

CacheState& State()
{
    static CacheState* state = new CacheState();  // lives as long as the process
    return *state;
}

CRegistry::INIFile* Find(const std::u16string& path)
{
    for (CRegistry::INIFile* file : State().files) {
        if (settings::NamesEqual(file->Path(), path)) return file;
    }
    return nullptr;
}

// A program that ends normally keeps the changes still in memory: files
// whose last user never went (a leaked or static object, a worker still
// running) are saved as the process exits.
void SaveDirtyFilesAtExit()
{
    std::lock_guard<std::recursive_mutex> lock(INIFileCache::Lock());
    for (CRegistry::INIFile* file : State().files) {
        if (file->dirty) file->Save();
    }
}

}  // namespace

std::recursive_mutex& INIFileCache::Lock()
{
    static std::recursive_mutex* lock = new std::recursive_mutex();
    return *lock;
}

CRegistry::INIFile* INIFileCache::Attach(const std::u16string& path, bool* onDisk)
{
    CRegistry::INIFile* file = Find(path);
    *onDisk = true;
    if (!file) {
        static const bool saveAtExit = std::atexit(SaveDirtyFilesAtExit) == 0;
        (void)saveAtExit;
        auto fresh = std::make_unique<CRegistry::INIFile>(path);
        *onDisk = fresh->Load();
        State().files.push_back(fresh.get());
        file = fresh.release();
    }
    ++file->users;
    return file;
}

void INIFileCache::Detach(CRegistry::INIFile* file)
{
    if (--file->users > 0) return;
    auto& orphans = State().orphans;
    auto it = std::find(orphans.begin(), orphans.end(), file);
    if (it != orphans.end()) {
        orphans.erase(it);
        delete file;
    }
}

bool INIFileCache::Contains(const std::u16string& path) { return Find(path) != nullptr; }

void INIFileCache::Unload()
{
    CacheState& state = State();
    for (CRegistry::INIFile* file : state.files) {
        if (file->users > 0) {
            state.orphans.push_back(file);
        } else {
            delete file;
        }
    }
    state.files.clear();
}
