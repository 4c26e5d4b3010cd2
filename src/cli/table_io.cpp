#include "cli/table_io.h"

namespace kpr::cli {

std::optional<PagerImage> open_table(const QString& path, OperatorMessages& messages) {
    TableOpenResult r = open_table_file(local_path(path));
    if (!r.ok()) {
        messages.message(r.message, r.status == TableOpenStatus::Unreadable ? MessageIcon::Critical
                                                                            : MessageIcon::None);
        return std::nullopt;
    }
    return r.image;
}

bool save_table(const QString& path, const PagerImage& image, OperatorMessages& messages,
                TableTail tail) {
    TableSaveResult r = save_table_file(local_path(path), image, tail);
    if (!r.ok)
        messages.message(r.message, MessageIcon::Critical);
    return r.ok;
}

} // namespace kpr::cli
