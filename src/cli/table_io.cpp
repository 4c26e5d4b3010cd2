#include "cli/table_io.h"

#include "tables/table_file.h"

#include <QFile>

namespace kpr::cli {

std::string local_path(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::optional<PagerImage> open_table(const QString& path, OperatorMessages& messages) {
    TableOpenResult r = open_table_file(local_path(path));
    if (!r.ok()) {
        messages.message(r.message, r.status == TableOpenStatus::Unreadable ? MessageIcon::Critical
                                                                            : MessageIcon::None);
        return std::nullopt;
    }
    return r.image;
}

bool save_table(const QString& path, const PagerImage& image, OperatorMessages& messages) {
    TableSaveResult r = save_table_file(local_path(path), image);
    if (!r.ok)
        messages.message(r.message, MessageIcon::Critical);
    return r.ok;
}

} // namespace kpr::cli
