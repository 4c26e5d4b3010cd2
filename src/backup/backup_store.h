#pragma once
// Automatic backups of pager images: every image accepted from a pager and every image about
// to be written to one (with what the pager held just before) is kept as a table file named
// by its time, the pager's serial number and why it was kept, so a technician can always get
// back what a pager held before it was overwritten. Backups older than a set number of days
// are pruned.
//
//   20261206-214834.123Z_Vard0000000_before-write.tbl
//
// Times in the names are UTC, so they sort and prune the same in every time zone.
#include "common/operator_messages.h"
#include "common/operator_texts.h"
#include "common/progress.h"
#include "image/pager_image.h"
#include "ops/block_transfer.h"
#include "ops/transfer_observer.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kpr {

enum class BackupKind {
    Read,        // accepted from a pager
    BeforeWrite, // what the pager held just before a write
    Written,     // the image about to be written (serial number and checksums sealed in)
};

const char* backup_kind_name(BackupKind kind); // "read", "before-write", "written"

// The programming dialog's status text while the pager is read before a write.

struct BackupEntry {
    std::filesystem::path path;
    std::chrono::system_clock::time_point time;
    std::string serial; // as in the name; "no-serial" when the image had no valid one
    BackupKind kind = BackupKind::Read;
};

// The serial number as it goes into a file name: its letters and digits, or "no-serial".
std::string backup_serial_tag(const PagerImage& image);

// The file name for a backup taken at `time`.
std::string backup_file_name(std::chrono::system_clock::time_point time, const std::string& serial,
                             BackupKind kind);
// A backup's time, serial and kind from its file name; nothing for any other file.
std::optional<BackupEntry> parse_backup_file_name(const std::filesystem::path& path);

class BackupStore {
  public:
    using Now = std::function<std::chrono::system_clock::time_point()>;

    // keepDays 0 keeps every backup.
    BackupStore(std::filesystem::path folder, int keepDays, Now now = {});

    const std::filesystem::path& folder() const { return folder_; }
    int keepDays() const { return keepDays_; }

    // Saves the image (PC codes, as a table file holds it), creating the folder when needed,
    // then prunes (the first time, then at most hourly). The file's path, or nothing with
    // `error` set.
    std::optional<std::filesystem::path> keep(const PagerImage& image, BackupKind kind,
                                              std::string& error);
    // Every backup in the folder, newest first. Other files are left out.
    std::vector<BackupEntry> list() const;
    // Removes the backups older than keepDays, never `spare` (the backup just made); the
    // number removed.
    int prune(const std::filesystem::path& spare = {});

  private:
    // True when keep() should prune now: the first time for this folder, then hourly.
    bool prune_due() const;

    std::filesystem::path folder_;
    int keepDays_;
    Now now_;
};

class PagerBackups final : public TransferObserver {
  public:
    // readBeforeWrite false keeps only the outgoing image of a write (no extra read).
    PagerBackups(BackupStore store, OperatorMessages& messages, bool readBeforeWrite = true)
        : store_(std::move(store)), messages_(messages), readBeforeWrite_(readBeforeWrite) {}

    void read_accepted(const PagerImage& image) override;
    // Reads the whole pager first and keeps it, then keeps the outgoing image. A read that
    // fails, or a copy of it that cannot be saved, stops the write: nothing is overwritten
    // that could not be kept. An outgoing image that cannot be saved is reported and the
    // write goes on.
    bool before_write(const PagerImage& outgoing, BlockTransfer& link,
                      ProgressSink& progress) override;

    BackupStore& store() { return store_; }
    // The file the last backup of that kind went to; empty when none was kept.
    std::string last_backup_file() const override {
        return lastKept(BackupKind::BeforeWrite).filename().string();
    }
    std::string last_read_backup_file() const override {
        return lastKept(BackupKind::Read).filename().string();
    }
    std::filesystem::path lastKept(BackupKind kind) const {
        return lastKept_[static_cast<int>(kind)];
    }

  private:
    // False (reported, with `consequence` appended) when the file could not be saved.
    bool keep(const PagerImage& image, BackupKind kind, const char* consequence = "");

    BackupStore store_;
    OperatorMessages& messages_;
    bool readBeforeWrite_;
    std::filesystem::path lastKept_[3];
};

} // namespace kpr
