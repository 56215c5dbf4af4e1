// The SQLite file layer over the platform's file system (platform/kernel/file_system.h).
//
// Both SQLite databases (the object store's volumes and the registry) open
// their files through this VFS, so every read, write, flush, truncation and
// deletion SQLite makes reaches the installed file system, and a file system
// that fails or forgets writes makes SQLite see a full disk, an I/O error or
// a power cut. Locks and the shared memory of WAL mode stay with SQLite's own
// unix layer, which opens the database file a second time for them; memory
// mapped reads are not offered, so reads go through the file system too.
#pragma once

namespace platform {

// The name to give sqlite3_open_v2; the layer is registered on the first call.
const char* SqliteVfsName();

}  // namespace platform
