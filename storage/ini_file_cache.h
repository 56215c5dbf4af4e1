// INIFileCache: the settings files shared by every CRegistry of the process,
// one object per resolved path (compared without case), and the one settings
// lock that guards those objects, the cache and saving.
#pragma once

#include <mutex>

#include "storage/ini_file.h"

class INIFileCache {
public:
    // The settings lock. Recursive: a save runs inside other locked calls.
    static std::recursive_mutex& Lock();

    // The cached object for path with one more user, loading the file when
    // it is not cached yet. *onDisk: false when the file was loaded now and
    // could not be opened. Called with the lock held.
    static CRegistry::INIFile* Attach(const std::u16string& path, bool* onDisk);
    // Drops one user; an object the cache has forgotten goes with its last.
    // Called with the lock held.
    static void Detach(CRegistry::INIFile* file);
    static bool Contains(const std::u16string& path);
    // Forgets every object (those in use stay alive until their last user).
    static void Unload();
};
