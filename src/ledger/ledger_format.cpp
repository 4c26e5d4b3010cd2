#include "ledger/ledger_format.h"

#include "common/hex.h"
#include "common/printable_text.h"
#include "common/safe_save.h"
#include "ledger/attempt_facts.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <regex>
#include <sstream>

namespace kpr {

namespace {
// As a capcode entry shows it; wider than a pager's 21 bits only in a damaged ledger, which
// shows the value it holds rather than a wrapped one.
std::string capcode_shown(int64_t c) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%07lld", static_cast<long long>(c));
    return buf;
}

} // namespace

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
        r.push_back(capcode_shown(c.capcode));
        r.push_back(c.on ? "1" : "0");
    }
    for (const std::string* s :
         {&a.frequency, &a.language, &a.imageSha256, &a.backupFile, &a.result, &a.message})
        r.push_back(*s);
    return r;
}

namespace {
std::string csv_field(const std::string& v, CsvStyle style) {
    std::string f;
    // A leading = + - @ (tab, CR) makes a spreadsheet cell a formula; the apostrophe makes it
    // text again, and spreadsheets hide it.
    if (style == CsvStyle::Spreadsheet && !v.empty() &&
        std::string_view("=+-@\t\r").find(v.front()) != std::string_view::npos)
        f = "'";
    for (char c : v) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && c != '\t' && c != '\r' && c != '\n') || b == 0x7F)
            f += hex_escape(b); // a NUL ends a C string, an ESC drives a terminal
        else
            f += c;
    }
    if (f.find_first_of(",\"\r\n") == std::string::npos)
        return f;
    std::string q = "\"";
    for (char c : f)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}
} // namespace

std::string ledger_csv_line(const std::vector<std::string>& fields, CsvStyle style) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + csv_field(fields[i], style);
    return line + "\r\n";
}

std::string ledger_csv(const std::vector<LedgerAttempt>& rows, CsvStyle style) {
    std::string out = ledger_csv_line(ledger_columns(), style);
    for (const LedgerAttempt& a : rows)
        out += ledger_csv_line(ledger_row(a), style);
    return out;
}

std::string save_ledger_csv(const std::string& path, const std::vector<LedgerAttempt>& rows,
                            CsvStyle style) {
    const std::string text = ledger_csv(rows, style);
    const SafeSaveResult r =
        safe_save(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return r ? "" : r.reason();
}

std::string ledger_json_object(const LedgerAttempt& a) {
    return json_object(ledger_columns(), ledger_row(a));
}

std::string json_object(const std::vector<std::string>& names,
                        const std::vector<std::string>& values) {
    std::string o = "{";
    for (std::size_t i = 0; i < values.size() && i < names.size(); ++i) {
        o += (i ? ",\"" : "\"") + names[i] + "\":\"";
        for (char c : utf8_text(values[i])) { // JSON is UTF-8: any other byte as \xNN
            const auto b = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\')
                o += {'\\', c};
            else if (b < 0x20) {
                char e[7];
                std::snprintf(e, sizeof e, "\\u%04x", b);
                o += e;
            } else
                o += c;
        }
        o += '"';
    }
    return o + "}";
}

std::optional<std::string> ledger_since_utc(const std::string& text) {
    static const std::regex form(
        R"((\d{4})-(\d\d)-(\d\d)(?:[T ](\d\d):(\d\d)(?::(\d\d)(?:[.,](\d+))?)?)"
        R"((Z|[+-](\d\d)(?::?(\d\d))?)?)?)");
    std::smatch m;
    if (!std::regex_match(text, m, form))
        return std::nullopt;
    const auto num = [&](int i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
    std::tm asked{};
    asked.tm_year = num(1) - 1900;
    asked.tm_mon = num(2) - 1;
    asked.tm_mday = num(3);
    asked.tm_hour = num(4);
    asked.tm_min = num(5);
    asked.tm_sec = num(6);
    // A day or a time that is not on the calendar (02-30, 24:00) comes back as another.
    std::tm t = asked;
    std::time_t at = ::timegm(&t);
    if (t.tm_year != asked.tm_year || t.tm_mon != asked.tm_mon || t.tm_mday != asked.tm_mday ||
        t.tm_hour != asked.tm_hour || t.tm_min != asked.tm_min || t.tm_sec != asked.tm_sec ||
        num(9) > 23 || num(10) > 59)
        return std::nullopt;
    if (!m[8].matched) { // local time, summer time as the calendar has it that day
        t = asked;
        t.tm_isdst = -1;
        at = std::mktime(&t);
    } else if (m[8].str() != "Z") {
        at -= (m[8].str()[0] == '-' ? -1 : 1) * (num(9) * 3600 + num(10) * 60);
    }
    if (m[7].matched && m[7].str().find_first_not_of('0') != std::string::npos)
        ++at; // times are kept to the second: 12:00:00 is before 12:00:00.5
    std::tm utc{};
    char out[32];
    if (!::gmtime_r(&at, &utc) || !std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &utc))
        return std::nullopt;
    return std::string(out);
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
            on += (on.empty() ? "" : " ") + capcode_shown(c.capcode);
    // What a ledger row holds reaches a terminal or a window only as printable text.
    return {printable_value(a.time),
            printable_value(a.kind),
            printable_value(a.serial),
            printable_value(a.result),
            on,
            printable_value(a.station)};
}

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

bool ledger_row_matches(const LedgerAttempt& a, const std::string& text) {
    std::vector<std::string> values = ledger_listing_row(a);
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
