// kprtool: the KPR35T editor and programmer on the command line.
#include "cli/commands.h"
#include "cli/raw_arguments.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kprtool");
    QCoreApplication::setApplicationVersion(KPR_VERSION);
    // Not QCoreApplication::arguments(): that decoding loses bytes of non-UTF-8 file names.
    return kpr::cli::run_kprtool(kpr::cli::program_arguments(argc, argv));
}
