#pragma once
// A customer's order: a CSV file whose header names setting keys (the keys of `kprtool
// show`), one pager per row, read as spreadsheets write it, and checked row by row through
// the editor on the base image before anything is stored.
//
// The header: a setting key per column; "label" for the wearer or unit; a capcode column
// marked ":shared" (e.g. "capcode.2:shared") may repeat from row to row (a group capcode).
// Comma or semicolon separated, whichever the header uses more; a UTF-8 byte-order mark,
// quoted fields (separators, doubled quotes and line breaks inside), CRLF and blank lines
// are taken. An empty cell leaves that setting as the base image has it.
#include "image/pager_image.h"
#include "ledger/ledger.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kpr {

class Editor;

inline constexpr std::size_t MaxOrderBytes = 1024 * 1024;
inline constexpr int MaxOrderRows = 100000; // pagers, the header not counted
inline constexpr const char* LabelColumn = "label";

struct OrderProblem {
    int row = 0;        // 1-based record of the file (the header is 1); 0: the file itself
    std::string column; // the column's key, or "column N" when it has none; "" for a row
    std::string text;
};

// "order.csv:5:capcode.1: message" (row and column left out when they have none).
std::string describe_order_problem(const OrderProblem& p, const std::string& fileName);

struct Order {
    std::vector<JobColumn> columns;
    std::vector<NewJobRow> rows;
    std::vector<OrderProblem> problems;
    bool ok() const { return problems.empty(); }
};

// Reads the order's text: the CSV, the header's keys, every row's number of cells.
Order parse_order(std::string_view text);
// parse_order of a file, refusing what is not a regular file or is over MaxOrderBytes.
Order read_order_file(const std::string& path);

// Checks every row of a parsed order: each applied to `base` through the editor as `kprtool
// set` would, capcodes used twice in the order outside shared columns, and (given a ledger)
// capcodes verified pagers hold. Problems are added to the order's, in row order.
void validate_order(Order& order, const PagerImage& base, Ledger* ledger);

// The job a checked order makes: its rows over `base` (a copy of its bytes, so a PC without
// the file runs it), `baseFile` the file's name as listings show it.
NewJob new_job(const Order& order, std::string name, std::string label, std::string baseFile,
               const PagerImage& base);

// The image a job row gives: `base` with the row's values applied through the editor, in
// the order profiles use. Nothing when the editor refuses a value (problems then say why).
std::optional<PagerImage> apply_job_row(const PagerImage& base,
                                        const std::vector<JobColumn>& columns,
                                        const std::vector<std::string>& values, int row = 0,
                                        std::vector<OrderProblem>* problems = nullptr);
// The same through a headless editor that holds the base already (it is left as it was).
std::optional<PagerImage> apply_job_row(const Editor& loaded, const std::vector<JobColumn>& columns,
                                        const std::vector<std::string>& values, int row = 0,
                                        std::vector<OrderProblem>* problems = nullptr);

// The settings a row sets ("capcode.1=0123456"), its label left out, for listings.
std::string job_row_settings(const std::vector<JobColumn>& columns,
                             const std::vector<std::string>& values);

} // namespace kpr
