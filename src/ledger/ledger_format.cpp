#include "ledger/ledger_format.h"

#include "common/safe_save.h"
#include "settings/capcode.h"

#include <cctype>
#include <sstream>

namespace kpr {

const std::vector<std::string>& ledger_columns() {
    static const std::vector<std::string> cols = [] {
        std::vector<std::string> c = {"time", "station", "port",    "user",
                                      "kind", "serial",  "firmware"};
        for (int n = 1; n <= 8; ++n) {
            c.push_back("capcode" + std::to_string(n));
            c.push_back("capcode" + std::to_string(n) + "_on");
        }
        for (const char* s :
             {"frequency", "language", "image_sha256", "backup_file", "result", "message"})
            c.push_back(s);
        return c;
    }();
    return cols;
}

std::vector<std::string> ledger_row(const LedgerAttempt& a) {
    std::vector<std::string> r = {a.time,
                                  a.station,
                                  a.port,
                                  a.user,
                                  a.kind,
                                  a.serial,
                                  a.firmware < 0 ? "" : std::to_string(a.firmware)};
    for (const LedgerCapcode& c : a.capcodes) {
        r.push_back(capcode_text(c.capcode));
        r.push_back(c.on ? "1" : "0");
    }
    for (const std::string* s :
         {&a.frequency, &a.language, &a.imageSha256, &a.backupFile, &a.result, &a.message})
        r.push_back(*s);
    return r;
}

namespace {
std::string csv_field(const std::string& v) {
    if (v.find_first_of(",\"\r\n") == std::string::npos)
        return v;
    std::string q = "\"";
    for (char c : v)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string csv_line(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + csv_field(fields[i]);
    return line + "\r\n";
}
} // namespace

std::string ledger_csv(const std::vector<LedgerAttempt>& rows) {
    std::string out = csv_line(ledger_columns());
    for (const LedgerAttempt& a : rows)
        out += csv_line(ledger_row(a));
    return out;
}

} // namespace kpr

namespace kpr {

std::string save_ledger_csv(const std::string& path, const std::vector<LedgerAttempt>& rows) {
    const std::string text = ledger_csv(rows);
    const SafeSaveResult r =
        safe_save(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return r ? "" : r.reason();
}

const std::vector<std::string>& ledger_listing_columns() {
    static const std::vector<std::string> cols = {"Time (UTC)", "Kind",          "Serial",
                                                  "Result",     "Capcodes (ON)", "Station"};
    return cols;
}

std::vector<std::string> ledger_listing_row(const LedgerAttempt& a) {
    std::string on;
    for (const LedgerCapcode& c : a.capcodes)
        if (c.on)
            on += (on.empty() ? "" : " ") + capcode_text(c.capcode);
    return {a.time, a.kind, a.serial, a.result, on, a.station};
}

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

bool ledger_row_matches(const LedgerAttempt& a, const std::string& text) {
    std::vector<std::string> values = {a.time,        a.station,    a.port,      a.user,
                                       a.kind,        a.serial,     a.frequency, a.language,
                                       a.imageSha256, a.backupFile, a.result,    a.message};
    for (const LedgerCapcode& c : a.capcodes)
        values.push_back(capcode_text(c.capcode));
    for (std::string& v : values)
        v = lower(v);
    std::istringstream words(lower(text));
    for (std::string w; words >> w;) {
        bool found = false;
        for (const std::string& v : values)
            found = found || v.find(w) != std::string::npos;
        if (!found)
            return false;
    }
    return true;
}

} // namespace kpr
