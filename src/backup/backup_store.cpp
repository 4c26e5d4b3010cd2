#include "backup/backup_store.h"

#include "settings/battery.h"
#include "tables/table_file.h"
#include "text/charset.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <regex>

namespace kpr {

namespace fs = std::filesystem;
using std::chrono::system_clock;

namespace {

constexpr int BackupBlockSize = 128;

std::optional<BackupKind> kind_from_name(const std::string& s) {
    for (BackupKind k : {BackupKind::Read, BackupKind::BeforeWrite, BackupKind::Written})
        if (s == backup_kind_name(k))
            return k;
    return std::nullopt;
}

// days_from_civil: the day number of a proleptic Gregorian date, for UTC without timegm.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

} // namespace

const char* backup_kind_name(BackupKind kind) {
    switch (kind) {
    case BackupKind::Read:
        return "read";
    case BackupKind::BeforeWrite:
        return "before-write";
    case BackupKind::Written:
        return "written";
    }
    return "read";
}

std::string backup_serial_tag(const PagerImage& image) {
    std::string tag;
    if (const auto sn = valid_serial_number(image))
        for (char c : *sn)
            if (std::isalnum(static_cast<unsigned char>(c)))
                tag.push_back(c);
    return tag.empty() ? "no-serial" : tag;
}

std::string backup_file_name(system_clock::time_point time, const std::string& serial,
                             BackupKind kind) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t s = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&s, &tm);
    char b[64];
    std::snprintf(b, sizeof b, "%04d%02d%02d-%02d%02d%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return std::string(b) + "_" + serial + "_" + backup_kind_name(kind) + ".tbl";
}

std::optional<BackupEntry> parse_backup_file_name(const fs::path& path) {
    static const std::regex re(
        R"(^(\d{4})(\d{2})(\d{2})-(\d{2})(\d{2})(\d{2})\.(\d{3})Z(?:-\d+)?_([A-Za-z0-9-]+)_([a-z-]+)\.tbl$)");
    std::smatch m;
    const std::string name = path.filename().string();
    if (!std::regex_match(name, m, re))
        return std::nullopt;
    const auto kind = kind_from_name(m[9]);
    if (!kind)
        return std::nullopt;
    auto n = [&](int i) { return std::stoi(m[static_cast<std::size_t>(i)]); };
    // Only the years the system clock can hold.
    if (n(1) < 1970 || n(1) > 2261)
        return std::nullopt;
    const int64_t days =
        days_from_civil(n(1), static_cast<unsigned>(n(2)), static_cast<unsigned>(n(3)));
    const int64_t ms = ((days * 24 + n(4)) * 60 + n(5)) * 60 * 1000 + n(6) * 1000 + n(7);
    BackupEntry e;
    e.path = path;
    e.time = system_clock::time_point(std::chrono::milliseconds(ms));
    e.serial = m[8];
    e.kind = *kind;
    return e;
}

BackupStore::BackupStore(fs::path folder, int keepDays, Now now)
    : folder_(std::move(folder)), keepDays_(std::max(0, keepDays)),
      now_(now ? std::move(now) : Now([] { return system_clock::now(); })) {}

std::optional<fs::path> BackupStore::keep(const PagerImage& image, BackupKind kind,
                                          std::string& error) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) {
        error = "The folder " + folder_.string() + " could not be made: " + ec.message();
        return std::nullopt;
    }
    const auto time = now_();
    const std::string serial = backup_serial_tag(image);
    fs::path path = folder_ / backup_file_name(time, serial, kind);
    // Two backups in the same millisecond keep apart.
    for (int i = 2; fs::exists(path, ec); ++i) {
        std::string name = backup_file_name(time, serial, kind);
        name.insert(name.find('Z') + 1, "-" + std::to_string(i));
        path = folder_ / name;
    }
    const TableSaveResult r = save_table_file(path.string(), image, TableTail::Discard);
    if (!r.ok) {
        error = r.message;
        return std::nullopt;
    }
    if (prune_due())
        prune(path);
    return path;
}

// Pruning reads every backup's name; a station keeping thousands of them must not do that
// for every pager. Once an hour per folder and process (by the store's own clock) keeps the
// folder within its age limit at the cost of the new backups alone.
bool BackupStore::prune_due() const {
    static std::mutex mutex;
    static std::map<std::string, system_clock::time_point> last;
    std::lock_guard lock(mutex);
    const auto now = now_();
    auto [at, fresh] = last.emplace(folder_.string(), now);
    if (fresh || now < at->second || now - at->second >= std::chrono::hours(1)) {
        at->second = now;
        return true;
    }
    return false;
}

std::vector<BackupEntry> BackupStore::list() const {
    std::vector<BackupEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        if (auto e = parse_backup_file_name(it->path()))
            out.push_back(std::move(*e));
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.time != b.time ? a.time > b.time : a.path > b.path;
    });
    return out;
}

int BackupStore::prune(const fs::path& spare) {
    if (keepDays_ <= 0)
        return 0;
    // In milliseconds: any int number of days fits, where the clock's own nanoseconds would
    // overflow past about 106 000 days and put the limit in the future.
    using std::chrono::milliseconds;
    const int64_t limit =
        std::chrono::duration_cast<milliseconds>(now_().time_since_epoch()).count() -
        int64_t{keepDays_} * 24 * 60 * 60 * 1000;
    int removed = 0;
    for (const BackupEntry& e : list()) {
        std::error_code ec;
        const int64_t t =
            std::chrono::duration_cast<milliseconds>(e.time.time_since_epoch()).count();
        if (t < limit && e.path != spare && fs::remove(e.path, ec))
            ++removed;
    }
    return removed;
}

// --- the operations' observer -------------------------------------------------------------

bool PagerBackups::keep(const PagerImage& image, BackupKind kind, const char* consequence) {
    std::string error;
    const auto kept = store_.keep(image, kind, error);
    lastKept_[static_cast<int>(kind)] = kept.value_or(std::filesystem::path());
    if (kept)
        return true;
    std::string text = "The pager's backup could not be kept. " + error;
    if (*consequence)
        text += std::string(!error.empty() && error.back() == '.' ? " " : ". ") + consequence;
    messages_.message(text, MessageIcon::Warning);
    return false;
}

void PagerBackups::read_accepted(const PagerImage& image) {
    keep(image, BackupKind::Read);
}

bool PagerBackups::before_write(const PagerImage& outgoing, BlockTransfer& link,
                                ProgressSink& progress) {
    if (readBeforeWrite_) {
        // A phase of its own on the bar: the block reads move it from 0 to ImageSize.
        start_bar(progress, ImageSize, 0, ColourPurple, MsgBackingUp);
        if (!link.readblk(0, ImageUpperBound, BackupBlockSize))
            return false;
        const auto data = link.readBuffer();
        PagerImage before;
        std::copy_n(data.begin(), std::min<std::size_t>(data.size(), ImageSize), before.data());
        // The pager holds its texts in pager codes; a table file holds them in PC codes.
        text_from_pager(before);
        // What the pager held is about to be overwritten: without its copy, nothing is.
        if (!keep(before, BackupKind::BeforeWrite, "The pager has not been written."))
            return false;
    }
    PagerImage written = outgoing;
    text_from_pager(written);
    keep(written, BackupKind::Written);
    return true;
}

} // namespace kpr
