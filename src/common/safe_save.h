#pragma once
// Saving a file so that nothing the user has is lost: the one routine behind table files,
// profiles and backups.
//
// - A symbolic link is written through: the file it points to changes, the link stays.
// - A device or FIFO (/dev/stdout, /dev/null) is written straight through, never replaced,
//   and never waited on when nobody reads it.
// - An existing regular file must itself be writable; it keeps its owner, group, mode and
//   identity. Normally the bytes go to a fresh temporary file in the same folder (a unique
//   name, O_EXCL, O_NOFOLLOW), are synced and renamed over the old file, so a crash never
//   leaves half a file. Where a rename would lose what the user has -- several hard links,
//   a folder the user may not write, an owner the process cannot give the new file, a name
//   with no room for a temporary suffix -- the file is written in place instead: its old
//   bytes are kept aside in memory, the new bytes synced, and the old ones put back if the
//   write fails.
// - A new file is created through a temporary file and a rename as well.
#include <cstdint>
#include <span>
#include <string>

namespace kpr {

struct SafeSaveOptions {
    // An existing file longer than the new bytes keeps its bytes beyond them.
    bool keepLongerTail = false;
};

struct SafeSaveResult {
    int error = 0; // errno-style reason; 0 when saved

    explicit operator bool() const { return error == 0; }
    std::string reason() const;
};

SafeSaveResult safe_save(const std::string& path, std::span<const uint8_t> bytes,
                         SafeSaveOptions options = {});

} // namespace kpr
