#include "cli/verbs/trace_option.h"

#include "cli/command.h"
#include "cli/table_io.h"
#include "link/trace_serial_port.h"

namespace kpr::cli {

int take_trace_option(QStringList& arguments, QTextStream& err, TraceFile& trace) {
    QString file;
    bool asked = false;
    for (qsizetype i = 1; i < arguments.size();) {
        const QString& a = arguments.at(i);
        if (a == "--") // what follows is positional
            break;
        if (a == "--trace" || a == "-trace") {
            if (i + 1 >= arguments.size()) {
                err << "kprtool: --trace needs a FILE\n";
                return ExitUsage;
            }
            file = arguments.at(i + 1);
            asked = true;
            arguments.remove(i, 2);
            continue;
        }
        if (a.startsWith("--trace=")) {
            file = a.mid(8);
            asked = true;
            arguments.remove(i);
            continue;
        }
        ++i;
    }
    if (!asked)
        return -1;
    if (file.isEmpty()) {
        err << "kprtool: --trace needs a FILE\n";
        return ExitUsage;
    }
    std::string error;
    if (!trace.open(local_path(file), error)) {
        err << QString::fromStdString(error) << "\n";
        return ExitFailure;
    }
    return -1;
}

} // namespace kpr::cli
