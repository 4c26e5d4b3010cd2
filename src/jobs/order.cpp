#include "jobs/order.h"

#include "common/input_file.h"
#include "common/printable_text.h"
#include "editor/editor.h"
#include "editor/settings_keys.h"
#include "profile/profile.h"
#include "settings/capcode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <thread>

namespace kpr {

namespace {

constexpr std::string_view SharedMark = ":shared";

bool is_capcode_key(const std::string& key) {
    return key.size() == 9 && key.rfind("capcode.", 0) == 0 && key[8] >= '1' && key[8] <= '8';
}

std::string trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// Where the first byte that is not UTF-8 is, or npos.
std::size_t invalid_utf8_at(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
        if (n < 0 || (c == 0xC0 || c == 0xC1) || i + n >= s.size() + (n == 0 ? 1 : 0))
            return i;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return i;
        i += n + 1;
    }
    return std::string_view::npos;
}

struct Record {
    int row = 0;
    std::vector<std::string> cells;
};

// The separator the header uses most, outside quotes: ',' unless ';' is more frequent.
char detect_separator(std::string_view text) {
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

// Splits the CSV into records; a quote left open or text after a closing quote is a problem
// of the record where it is.
std::vector<Record> split_records(std::string_view text, char sep,
                                  std::vector<OrderProblem>& problems) {
    std::vector<Record> out;
    Record rec{1, {std::string()}};
    bool quoted = false, closed = false;
    int quoteRow = 0;
    auto end_record = [&] {
        out.push_back(std::move(rec));
        rec = Record{out.back().row + 1, {std::string()}};
        closed = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                rec.cells.back() += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                rec.cells.back() += text[++i];
            else
                quoted = false, closed = true;
            continue;
        }
        if (c == sep) {
            rec.cells.emplace_back();
            closed = false;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            end_record();
        } else if (c == '"' && !closed && trimmed(rec.cells.back()).empty()) {
            rec.cells.back().clear();
            quoted = true;
            quoteRow = rec.row;
        } else if (closed && c != ' ' && c != '\t') {
            problems.push_back({rec.row, "column " + std::to_string(rec.cells.size()),
                                "text after the closing quote of a quoted cell"});
            closed = false;
        } else if (!closed) {
            rec.cells.back() += c;
        }
    }
    if (quoted)
        problems.push_back({quoteRow, "column " + std::to_string(rec.cells.size()),
                            "a quote is opened and never closed"});
    end_record();
    // Blank lines (a spreadsheet's empty rows at the end) are no pagers.
    std::erase_if(
        out, [](const Record& r) { return r.cells.size() == 1 && trimmed(r.cells[0]).empty(); });
    return out;
}

} // namespace

std::string describe_order_problem(const OrderProblem& p, const std::string& fileName) {
    std::string out = fileName;
    if (p.row > 0)
        out += ":" + std::to_string(p.row);
    if (!p.column.empty())
        out += ":" + p.column;
    return out + ": " + p.text;
}

Order parse_order(std::string_view text) {
    Order order;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<Record> records = split_records(text, detect_separator(text), order.problems);
    if (records.empty() || records[0].row != 1) {
        order.problems.push_back({1, "", "no header row naming the settings"});
        return order;
    }
    const auto column_name = [&](std::size_t c) {
        return c < order.columns.size() && !order.columns[c].key.empty()
                   ? order.columns[c].key
                   : "column " + std::to_string(c + 1);
    };
    std::map<std::string, std::size_t> seen;
    for (std::size_t c = 0; c < records[0].cells.size(); ++c) {
        std::string cell = trimmed(records[0].cells[c]);
        JobColumn col;
        if (cell.size() > SharedMark.size() && cell.ends_with(SharedMark)) {
            cell.resize(cell.size() - SharedMark.size());
            col.shared = true;
        }
        col.key = cell;
        order.columns.push_back(col);
        const std::string where = "column " + std::to_string(c + 1);
        const SettingKey* key = find_setting_key(cell);
        if (cell.empty())
            order.problems.push_back({1, where, "the header names no setting"});
        else if (invalid_utf8_at(cell) != std::string::npos)
            order.problems.push_back({1, where, "the header is not UTF-8 text"});
        else if (seen.contains(cell))
            order.problems.push_back(
                {1, where,
                 cell + " is named twice (column " + std::to_string(seen[cell] + 1) + ")"});
        else if (cell != LabelColumn && !key)
            order.problems.push_back(
                {1, where,
                 "unknown setting \"" + brief_value(cell) + "\" (kprtool show lists the keys)"});
        else if (key && key->kind == SettingKind::Display)
            order.problems.push_back({1, where, cell + " is shown only; it cannot be set"});
        else if (col.shared && !is_capcode_key(cell))
            order.problems.push_back({1, where, "only a capcode column can be shared"});
        seen.emplace(cell, c);
    }
    if (records.size() - 1 > static_cast<std::size_t>(MaxOrderRows))
        order.problems.push_back({0, "",
                                  "more than " + std::to_string(MaxOrderRows) +
                                      " pagers in one order: split it into several jobs"});
    for (std::size_t r = 1; r < records.size() && order.problems.size() < 1000; ++r) {
        Record& rec = records[r];
        const std::size_t want = order.columns.size();
        if (rec.cells.size() != want) {
            order.problems.push_back(
                {rec.row, rec.cells.size() > want ? "column " + std::to_string(want + 1) : "",
                 std::to_string(rec.cells.size()) + " cells where the header has " +
                     std::to_string(want)});
            continue;
        }
        NewJobRow row{rec.row, {}};
        for (std::size_t c = 0; c < want; ++c) {
            if (invalid_utf8_at(rec.cells[c]) != std::string::npos)
                order.problems.push_back(
                    {rec.row, column_name(c), "not UTF-8 text (save the order as CSV UTF-8)"});
            row.values.push_back(order.columns[c].key == LabelColumn ? trimmed(rec.cells[c])
                                                                     : rec.cells[c]);
        }
        order.rows.push_back(std::move(row));
    }
    if (order.ok() && order.rows.empty())
        order.problems.push_back({0, "", "the order has no pagers (only a header)"});
    return order;
}

Order read_order_file(const std::string& path) {
    const InputFile in = read_input_file(path, MaxOrderBytes, InputBeyondBound::Refuse);
    if (!in.ok()) {
        Order order;
        order.problems.push_back({0, "", input_error_message(path, in)});
        return order;
    }
    return parse_order(
        std::string_view(reinterpret_cast<const char*>(in.bytes.data()), in.bytes.size()));
}

NewJob new_job(const Order& order, std::string name, std::string label, std::string baseFile,
               const PagerImage& base) {
    return {std::move(name),     std::move(label),
            std::move(baseFile), std::vector<uint8_t>(base.bytes().begin(), base.bytes().end()),
            order.columns,       order.rows};
}

std::optional<PagerImage> apply_job_row(const PagerImage& base,
                                        const std::vector<JobColumn>& columns,
                                        const std::vector<std::string>& values, int row,
                                        std::vector<OrderProblem>* problems) {
    return apply_job_row(*Editor::headless(base), columns, values, row, problems);
}

std::optional<PagerImage> apply_job_row(const Editor& loaded, const std::vector<JobColumn>& columns,
                                        const std::vector<std::string>& values, int row,
                                        std::vector<OrderProblem>* problems) {
    ParsedProfile settings;
    for (std::size_t c = 0; c < columns.size() && c < values.size(); ++c)
        if (columns[c].key != LabelColumn && !values[c].empty())
            settings.entries.push_back({columns[c].key, values[c], static_cast<int>(c) + 1});
    const auto editor = loaded.headless_copy();
    const ProfileResult r = apply_profile(*editor, settings);
    if (problems)
        for (const ProfileProblem& p : r.problems)
            problems->push_back({row, p.key, p.text});
    if (!r.ok())
        return std::nullopt;
    return editor->image();
}

void validate_order(Order& order, const PagerImage& base, Ledger* ledger) {
    if (!order.ok())
        return;
    struct Use {
        int row;
        std::string column;
        bool shared;
    };
    std::map<Capcode, std::vector<Use>> uses;
    std::vector<OrderProblem> problems;
    // Each row through an editor of its own, the rows shared out over the cores (editors run
    // side by side as a station's positions do); results kept by row, merged in row order.
    const std::size_t n = order.rows.size();
    std::vector<std::vector<OrderProblem>> rowProblems(n);
    // The capcodes each row gives (not its whole image: 100 000 rows would hold 200 MB).
    std::vector<std::optional<std::array<Capcode, CapcodeSlots>>> capcodes(n);
    const std::size_t workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                                        std::max<std::size_t>(1, n / 64));
    auto check = [&](std::size_t first) {
        // Loaded once a worker; every row gets a copy of it, as fresh as its own start-up.
        const auto loaded = Editor::headless(base);
        for (std::size_t i = first; i < n; i += workers)
            if (const auto image = apply_job_row(*loaded, order.columns, order.rows[i].values,
                                                 order.rows[i].row, &rowProblems[i])) {
                capcodes[i].emplace();
                for (int slot = 0; slot < CapcodeSlots; ++slot)
                    (*capcodes[i])[slot] = decode_capcode(*image, slot);
            }
    };
    std::vector<std::thread> pool;
    for (std::size_t w = 1; w < workers; ++w)
        pool.emplace_back(check, w);
    check(0);
    for (std::thread& t : pool)
        t.join();
    for (std::size_t i = 0; i < n; ++i) {
        problems.insert(problems.end(), rowProblems[i].begin(), rowProblems[i].end());
        if (!capcodes[i])
            continue;
        const NewJobRow& row = order.rows[i];
        for (std::size_t c = 0; c < order.columns.size(); ++c) {
            const JobColumn& col = order.columns[c];
            if (!is_capcode_key(col.key) || row.values[c].empty())
                continue;
            uses[(*capcodes[i])[col.key[8] - '1']].push_back({row.row, col.key, col.shared});
        }
    }
    // An individual capcode is one pager's: any other use of it in the order is a clash.
    for (const auto& use : uses) {
        const Capcode capcode = use.first;
        const std::vector<Use>& list = use.second; // named: a lambda cannot capture a binding
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].shared)
                continue;
            const auto other = std::find_if(list.begin(), list.end(), [&](const Use& u) {
                return &u != &list[i] && (u.row != list[i].row || u.column != list[i].column);
            });
            if (other != list.end())
                problems.push_back({list[i].row, list[i].column,
                                    "capcode " + capcode_text(capcode) + " is used again in row " +
                                        std::to_string(other->row) + " (" + other->column +
                                        "); only a column marked :shared may repeat"});
        }
    }
    if (ledger) {
        std::vector<Capcode> individual;
        for (const auto& [capcode, list] : uses)
            if (std::any_of(list.begin(), list.end(), [](const Use& u) { return !u.shared; }))
                individual.push_back(capcode);
        for (const auto& [capcode, serial] : ledger->held_by_pagers(individual))
            for (const Use& u : uses[capcode])
                if (!u.shared)
                    problems.push_back({u.row, u.column,
                                        "capcode " + capcode_text(capcode) + " is in pager " +
                                            serial + " already (verified, in the ledger)"});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const OrderProblem& a, const OrderProblem& b) { return a.row < b.row; });
    order.problems.insert(order.problems.end(), problems.begin(), problems.end());
}

std::string job_row_settings(const std::vector<JobColumn>& columns,
                             const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t c = 0; c < columns.size() && c < values.size(); ++c)
        if (columns[c].key != LabelColumn && !values[c].empty())
            out += (out.empty() ? "" : " ") + columns[c].key + "=" + printable_value(values[c]);
    return out;
}

} // namespace kpr
