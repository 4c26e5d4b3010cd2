#pragma once
// Where the programs keep their backups, and for how long: shared by kprtool and
// kpr-programmer (Qt programs only; the core, backup/ included, knows nothing of these places).
//
//   folder:    <AppDataLocation of "kpr35t-programmer">/backups, i.e. on Linux
//              ~/.local/share/kpr35t-programmer/backups ($XDG_DATA_HOME honoured)
//   keep days: setting "backups/keep_days" of kpr35t-programmer (default 180; 0 keeps all),
//              set with `kprtool backups --keep-days N`
//   read before write: setting "backups/read_before_write" (default true): a write first
//              reads what the pager holds and keeps it; `kprtool backups --read-before-write`
#include "backup/backup_store.h"

#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <filesystem>

namespace kpr {

inline constexpr const char* ProductDataName = "kpr35t-programmer";
inline constexpr int DefaultBackupKeepDays = 180;

inline std::filesystem::path product_backup_folder() {
    // Both programs use the product's folder rather than each its own application's.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return std::filesystem::path(base.toStdString()) / ProductDataName / "backups";
}

inline int product_backup_keep_days() {
    QSettings s(ProductDataName, ProductDataName);
    bool ok = false;
    const int days = s.value("backups/keep_days", DefaultBackupKeepDays).toInt(&ok);
    return ok && days >= 0 ? days : DefaultBackupKeepDays;
}

inline void set_product_backup_keep_days(int days) {
    QSettings s(ProductDataName, ProductDataName);
    s.setValue("backups/keep_days", days);
    s.sync();
}

inline bool product_backup_reads_before_write() {
    QSettings s(ProductDataName, ProductDataName);
    return s.value("backups/read_before_write", true).toBool();
}

inline void set_product_backup_reads_before_write(bool on) {
    QSettings s(ProductDataName, ProductDataName);
    s.setValue("backups/read_before_write", on);
    s.sync();
}

inline BackupStore product_backup_store() {
    return BackupStore(product_backup_folder(), product_backup_keep_days());
}

} // namespace kpr
