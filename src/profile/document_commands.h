#pragma once
// File > Open, Save As and Save as a front end runs them: the file's name decides whether it
// is a profile (.yaml / .yml) or a table file, and the editor's own File commands take the
// table files. Problems are shown through the editor's messages.
#include <string>

namespace kpr {

class Editor;
class OperatorMessages;

void open_document(Editor& editor, const std::string& path, OperatorMessages& messages);
void save_document_as(Editor& editor, const std::string& path, OperatorMessages& messages);
// After a profile was opened or saved, Save writes that profile, never a table file under
// its name.
void save_document(Editor& editor, OperatorMessages& messages);

} // namespace kpr
