#pragma once
// Command-line arguments that name files reach the system byte for byte, even when they are
// not valid UTF-8 (a Latin-1 name from an old archive). Each byte that is not part of valid
// UTF-8 is carried in the QString as a lone low surrogate U+DC80..U+DCFF and turned back into
// that byte by local_path.
#include <QString>
#include <QStringList>

#include <string>

namespace kpr::cli {

QString argument_text(const std::string& bytes);
QStringList program_arguments(int argc, char* argv[]);

// The file name as the system takes it: UTF-8, with every carried byte restored.
std::string local_path(const QString& path);

} // namespace kpr::cli
