#pragma once
// kprtool --trace FILE: the program-wide serial trace, taken off the command line wherever it
// stands before the verb's own options are parsed.
#include <QStringList>
#include <QTextStream>

namespace kpr {
class TraceFile;
} // namespace kpr

namespace kpr::cli {

// Removes every "--trace FILE" / "--trace=FILE" from arguments (arguments[0] is the program)
// and opens the last one named as `trace`. Returns -1 to go on, or the exit status after the
// problem was reported (2: no file named; 1: the file cannot be opened).
int take_trace_option(QStringList& arguments, QTextStream& err, TraceFile& trace);

} // namespace kpr::cli
