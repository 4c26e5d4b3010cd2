// kprtool: the KPR35T editor and programmer on the command line.
#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kprtool");
    QCoreApplication::setApplicationVersion(KPR_VERSION);
    return kpr::cli::run_kprtool(QCoreApplication::arguments());
}
