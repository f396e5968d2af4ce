#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstddef>

namespace sdk::analytics::testing {

// While it lives, SQLite's default file system is a thin layer over the real one that counts the
// flushes to disk (xSync) of every file that connections open meanwhile: databases, journals and
// logs alike. A flush that also makes a new file's folder entry durable counts once. One at a time.
class SyncCountingVfs {
 public:
  SyncCountingVfs() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "sync-counting";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = &open;
    vfs_.pAppData = real_;
    syncs_ = 0;
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~SyncCountingVfs() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }
  SyncCountingVfs(const SyncCountingVfs&) = delete;
  SyncCountingVfs& operator=(const SyncCountingVfs&) = delete;

  int syncs() const { return syncs_.load(); }
  void reset() { syncs_ = 0; }

 private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;
  };
  static sqlite3_file* inner(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

  static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* real = static_cast<sqlite3_vfs*>(vfs->pAppData);
    auto* wrapper = reinterpret_cast<File*>(file);
    wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
    int result = real->xOpen(real, name, wrapper->real, flags, outFlags);
    wrapper->base.pMethods = wrapper->real->pMethods ? &methods() : nullptr;
    return result;
  }

  static const sqlite3_io_methods& methods() {
    static const sqlite3_io_methods forwarding = {
        3,
        [](sqlite3_file* f) { return inner(f)->pMethods->xClose(inner(f)); },
        [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return inner(f)->pMethods->xRead(inner(f), b, n, o); },
        [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
          return inner(f)->pMethods->xWrite(inner(f), b, n, o);
        },
        [](sqlite3_file* f, sqlite3_int64 size) { return inner(f)->pMethods->xTruncate(inner(f), size); },
        [](sqlite3_file* f, int flags) {
          ++syncs_;
          return inner(f)->pMethods->xSync(inner(f), flags);
        },
        [](sqlite3_file* f, sqlite3_int64* size) { return inner(f)->pMethods->xFileSize(inner(f), size); },
        [](sqlite3_file* f, int lock) { return inner(f)->pMethods->xLock(inner(f), lock); },
        [](sqlite3_file* f, int lock) { return inner(f)->pMethods->xUnlock(inner(f), lock); },
        [](sqlite3_file* f, int* out) { return inner(f)->pMethods->xCheckReservedLock(inner(f), out); },
        [](sqlite3_file* f, int op, void* arg) { return inner(f)->pMethods->xFileControl(inner(f), op, arg); },
        [](sqlite3_file* f) { return inner(f)->pMethods->xSectorSize(inner(f)); },
        [](sqlite3_file* f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); },
        [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
          return inner(f)->pMethods->xShmMap(inner(f), region, size, extend, out);
        },
        [](sqlite3_file* f, int offset, int n, int flags) {
          return inner(f)->pMethods->xShmLock(inner(f), offset, n, flags);
        },
        [](sqlite3_file* f) { inner(f)->pMethods->xShmBarrier(inner(f)); },
        [](sqlite3_file* f, int deleteFlag) { return inner(f)->pMethods->xShmUnmap(inner(f), deleteFlag); },
        [](sqlite3_file* f, sqlite3_int64 o, int n, void** out) {
          return inner(f)->pMethods->xFetch(inner(f), o, n, out);
        },
        [](sqlite3_file* f, sqlite3_int64 o, void* p) { return inner(f)->pMethods->xUnfetch(inner(f), o, p); },
    };
    return forwarding;
  }

  static inline std::atomic<int> syncs_{0};
  sqlite3_vfs* real_ = nullptr;
  sqlite3_vfs vfs_{};
};

}  // namespace sdk::analytics::testing
