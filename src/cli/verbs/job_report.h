#pragma once
// The delivery note of a job: which pager (serial) carries which row, as CSV or as a PDF
// made by Qt's PDF writer (A4 or Letter, numbered pages). Each returns the reason it could
// not be written, "" when it was.
#include "ledger/ledger.h"

#include <QString>

#include <string>

namespace kpr::cli {

std::string save_delivery_note_csv(const std::string& path, const Job& job);
std::string save_delivery_note_pdf(const QString& path, const Job& job, bool letter);
// A .pdf or .csv file (any case): the kinds of note there are.
bool is_delivery_note_path(const QString& path);
// The note of the kind the path's suffix names (is_delivery_note_path).
std::string save_delivery_note(const QString& path, const Job& job, bool letter);

// The PDF needs Qt's fonts: a kprtool run that makes a delivery note starts a GUI application
// (offscreen when there is no display) instead of a core one.
bool needs_gui_application(int argc, char* argv[]);

} // namespace kpr::cli
