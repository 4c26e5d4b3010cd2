// kprtool: the KPR35T editor and programmer on the command line.
#include "cli/commands.h"
#include "cli/raw_arguments.h"

#include "cli/verbs/job_report.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

int main(int argc, char* argv[]) {
    std::unique_ptr<QCoreApplication> app;
    if (kpr::cli::needs_gui_application(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen"); // no window: only fonts are needed
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("kprtool");
    QCoreApplication::setApplicationVersion(KPR_VERSION);
    // Not QCoreApplication::arguments(): that decoding loses bytes of non-UTF-8 file names.
    return kpr::cli::run_kprtool(kpr::cli::program_arguments(argc, argv));
}
