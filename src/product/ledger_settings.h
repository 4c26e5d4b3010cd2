#pragma once
// Where the programs keep the programming ledger: shared by kprtool and kpr-programmer (Qt
// programs only; the core knows nothing of these places).
//
//   default:  <GenericDataLocation>/kpr35t-programmer/ledger.sqlite
//   setting:  "ledger/url" of kpr35t-programmer (empty: the default file); --ledger URL of
//             either program overrides it for that run
#include "product/backup_settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <filesystem>
#include <string>

namespace kpr {

inline std::string product_ledger_file() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (std::filesystem::path(base.toStdString()) / ProductDataName / "ledger.sqlite").string();
}

inline std::string product_ledger_url() {
    QSettings s(ProductDataName, ProductDataName);
    return s.value("ledger/url").toString().toStdString();
}

inline void set_product_ledger_url(const std::string& url) {
    QSettings s(ProductDataName, ProductDataName);
    s.setValue("ledger/url", QString::fromStdString(url));
    s.sync();
}

} // namespace kpr
