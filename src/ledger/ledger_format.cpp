#include "ledger/ledger_format.h"

#include "settings/capcode.h"

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
