#pragma once
// Opening a table file into an editor for the settings verbs (show, get, set): the editor
// starts as the program does without a "default.tbl", then File > Open loads the file, so
// every setting shows exactly as it would in the window.
#include "editor/editor.h"

#include <QString>
#include <QTextStream>

#include <string>

namespace kpr::cli {

// False after the refusal was shown through the editor's messages.
bool open_in_editor(Editor& editor, const QString& path);

// A value as the text output prints it: non-printable bytes as "\xNN", quoted when it is
// empty or has blanks at either end.
QString shown_value(const std::string& value);

} // namespace kpr::cli
