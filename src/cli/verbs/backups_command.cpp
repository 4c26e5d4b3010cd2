// kprtool backups [--prune] [--keep-days N] [--folder]
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "product/backup_settings.h"

#include <QDateTime>

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption pruneOption("prune", "Remove the backups older than the days kept now.");
const QCommandLineOption
    keepDaysOption("keep-days",
                   "Keep backups for N days from now on (0 keeps them all); prunes at once.", "N");
const QCommandLineOption folderOption("folder", "Print only the folder of the backups.");
const QCommandLineOption readBeforeOption(
    "read-before-write",
    "Whether a write first reads what the pager holds and keeps it (on, the default) or keeps "
    "only the image written (off).",
    "on|off");

class BackupsCommand final : public Command {
  public:
    BackupsCommand()
        : Command("backups", "List the automatic backups: every image read from a pager, and "
                             "what a pager held before each write, newest first.") {
        addOption(pruneOption);
        addOption(keepDaysOption);
        addOption(folderOption);
        addOption(readBeforeOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser, const QStringList&) override {
        if (parser.isSet(folderOption)) {
            ctx.out << QString::fromStdString(product_backup_folder().string()) << "\n";
            return ExitSuccess;
        }
        if (parser.isSet(keepDaysOption)) {
            bool ok = false;
            const int days = parser.value(keepDaysOption).toInt(&ok);
            if (!ok || days < 0) {
                ctx.err << "kprtool backups: --keep-days takes a number of days, 0 or more\n";
                return ExitUsage;
            }
            set_product_backup_keep_days(days);
        }
        if (parser.isSet(readBeforeOption)) {
            const QString v = parser.value(readBeforeOption).toLower();
            if (v != "on" && v != "off") {
                ctx.err << "kprtool backups: --read-before-write takes on or off\n";
                return ExitUsage;
            }
            set_product_backup_reads_before_write(v == "on");
        }
        BackupStore store = product_backup_store();
        if (parser.isSet(pruneOption) || parser.isSet(keepDaysOption)) {
            const int removed = store.prune();
            ctx.err << "Removed " << removed << (removed == 1 ? " backup" : " backups")
                    << " older than " << store.keepDays() << " days.\n";
        }
        const auto entries = store.list();
        ctx.err << "Backups in " << QString::fromStdString(store.folder().string()) << " (kept "
                << (store.keepDays() == 0 ? QString("for ever")
                                          : QString::number(store.keepDays()) + " days")
                << (product_backup_reads_before_write() ? "" : ", no read before a write")
                << "): " << entries.size() << "\n";
        for (const BackupEntry& e : entries) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(e.time.time_since_epoch())
                    .count();
            const QString when =
                QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString("yyyy-MM-dd HH:mm:ss");
            ctx.out << when << "  " << QString(backup_kind_name(e.kind)).leftJustified(12) << "  "
                    << QString::fromStdString(e.serial).leftJustified(12) << "  "
                    << QString::fromStdString(e.path.string()) << "\n";
        }
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_backups_command() {
    return std::make_unique<BackupsCommand>();
}

} // namespace kpr::cli
