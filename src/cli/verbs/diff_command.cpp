// kprtool diff A.tbl B.tbl
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/hexdump.h"
#include "cli/settings_diff.h"
#include "cli/table_io.h"
#include "common/printable_text.h"
#include "image/bound_controls.h"

#include <memory>

namespace kpr::cli {

namespace {

struct ByteRange {
    int first;
    int last;
    std::string region;
};

// Runs of differing bytes, split where the image region changes so every range has one name.
std::vector<ByteRange> differing_ranges(const PagerImage& a, const PagerImage& b) {
    std::vector<ByteRange> ranges;
    for (int addr = 0; addr < ImageSize; ++addr) {
        if (a[addr] == b[addr])
            continue;
        std::string region = region_name(addr);
        if (!ranges.empty() && ranges.back().last == addr - 1 && ranges.back().region == region)
            ranges.back().last = addr;
        else
            ranges.push_back({addr, addr, std::move(region)});
    }
    return ranges;
}

class DiffCommand final : public Command {
  public:
    DiffCommand()
        : Command("diff", "Show the settings and byte ranges in which two table files differ.") {
        addPositional("A.tbl", "The first table file.");
        addPositional("B.tbl", "The second table file.");
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser&, const QStringList& args) override {
        const auto a = open_table(args.at(0), ctx.messages);
        if (!a)
            return ExitFailure;
        const auto b = open_table(args.at(1), ctx.messages);
        if (!b)
            return ExitFailure;

        const QString nameA = args.at(0);
        const QString nameB = args.at(1);
        const auto ranges = differing_ranges(*a, *b);
        if (ranges.empty()) {
            ctx.out << "The files are identical.\n";
            return ExitSuccess;
        }

        if (const auto settings = settings_differences(*a, *b)) {
            ctx.out << "Settings that differ:\n";
            if (settings->empty())
                ctx.out << "  none\n";
            for (const auto& s : *settings)
                ctx.out << "  " << QString::fromStdString(s.key) << ": "
                        << QString::fromStdString(printable_value(s.a)) << " -> "
                        << QString::fromStdString(printable_value(s.b)) << "\n";
            ctx.out << "\n";
        }

        ctx.out << "Byte ranges that differ (A = " << nameA << ", B = " << nameB << "):\n";
        int total = 0;
        for (const auto& r : ranges) {
            const int n = r.last - r.first + 1;
            total += n;
            ctx.out << hex_address(r.first);
            if (r.last != r.first)
                ctx.out << "-" << hex_address(r.last);
            ctx.out << "  " << n << (n == 1 ? " byte" : " bytes");
            if (!r.region.empty())
                ctx.out << "  " << QString::fromStdString(r.region);
            ctx.out << "\n";
            for (int row = r.first; row <= r.last; row += 16) {
                const int end = std::min(row + 15, r.last);
                ctx.out << "  A: " << hex_bytes(*a, row, end) << "\n"
                        << "  B: " << hex_bytes(*b, row, end) << "\n";
            }
        }
        ctx.out << total << (total == 1 ? " byte differs" : " bytes differ") << " in "
                << ranges.size() << (ranges.size() == 1 ? " range.\n" : " ranges.\n");
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_diff_command() {
    return std::make_unique<DiffCommand>();
}

} // namespace kpr::cli
