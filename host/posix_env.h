#pragma once
// The real file system with a seam before each step of a save, so fault tests can fail any
// step of it in turn (testing/faulty_env.h); the system's code takes PosixEnv().
#include <functional>
#include <memory>

#include "host/env.h"

namespace cartera {

// The steps of a save on the real file system, in order, then the checks before them and
// the taking of a lock. An append opens, cuts off a torn end
// (truncate), writes (shortWrite), syncs its data (fsync) and closes. linkBackup links the old
// version to a temporary name, renameBackup moves it over the backup once the new one is in place.
// stat is every look at whether a file is there (also FileExists and GetFileSize), access the check
// that the file may be written, lock the opening of the lock file.
enum class SaveStep {
    open,
    write,
    shortWrite,
    fsync,
    close,
    linkBackup,
    rename,
    renameBackup,
    syncFolder,
    cleanUp,
    stat,
    access,
    lock,
    truncate,
};

// The real file system asking fails before each step of a save whether to fail it (fails
// then sets errno), and before each write whether to make it short (shortWrite: one byte).
// PosixEnv() is this with no fails.
std::unique_ptr<Env> MakePosixEnv(std::function<bool(SaveStep)> fails);

}  // namespace cartera
