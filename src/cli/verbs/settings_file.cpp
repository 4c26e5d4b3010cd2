#include "cli/verbs/settings_file.h"

#include "cli/table_io.h"
#include "common/printable_text.h"

namespace kpr::cli {

bool open_in_editor(Editor& editor, const QString& path) {
    editor.startup_finish({}, false);
    return editor.mnuLBFF_Click(local_path(path));
}

QString shown_value(const std::string& value) {
    // A stored control character must not reach the terminal as itself.
    const QString v = QString::fromStdString(printable_value(value));
    if (v.isEmpty() || v.front() == ' ' || v.back() == ' ')
        return "\"" + v + "\"";
    return v;
}

} // namespace kpr::cli
