// Orders as spreadsheets write them, and every refusal, through the real editor on the
// default image.
#include "jobs/job_format.h"
#include "jobs/order.h"
#include "settings/capcode.h"
#include "text/default_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kpr {
namespace {

std::string problems_of(const Order& o) {
    std::string out;
    for (const OrderProblem& p : o.problems)
        out += describe_order_problem(p, "o.csv") + "\n";
    return out;
}

TEST(Order, ShapesAndRefusals) {
    const struct {
        const char* name;
        std::string csv;
        // Every row's values joined by '|', rows by '/'; or the problems, one a line.
        std::string rows;
        std::string problems;
    } cases[] = {
        {"comma, CRLF, blank trailing lines", "label,capcode.1\r\nA,1000\r\nB,1001\r\n\r\n\r\n",
         "A|1000/B|1001", ""},
        {"semicolon, byte-order mark, quotes with separators, quotes, line breaks",
         "\xEF\xBB\xBFlabel;capcode.1;capcode.2:shared\n\"Ward; 3 \"\"B\"\"\";1000;7\n"
         "\"two\nlines\";1001;7",
         "Ward; 3 \"B\"|1000|7/two\nlines|1001|7", ""},
        {"empty cell keeps the base", "capcode.1,capcode.2\n1000,\n1001,\n", "1000|/1001|", ""},
        {"unterminated quote", "label,capcode.1\nA,1000\n\"B,1001\n", "",
         "o.csv:3:column 1: a quote is opened and never closed\n"},
        {"text after a closing quote", "label,capcode.1\n\"A\"x,1000\n", "",
         "o.csv:2:column 1: text after the closing quote of a quoted cell\n"},
        {"too many and too few cells", "label,capcode.1\nA,1000,9\nB\n", "",
         "o.csv:2:column 3: 3 cells where the header has 2\n"
         "o.csv:3: 1 cells where the header has 2\n"},
        {"header: unknown, twice, shown only, shared non-capcode, empty",
         "capcode.9,capcode.1,capcode.1,channel,band:shared,\n", "",
         "o.csv:1:column 1: unknown setting \"capcode.9\" (kprtool show lists the keys)\n"
         "o.csv:1:column 3: capcode.1 is named twice (column 2)\n"
         "o.csv:1:column 4: channel is shown only; it cannot be set\n"
         "o.csv:1:column 5: only a capcode column can be shared\n"
         "o.csv:1:column 6: the header names no setting\n"},
        {"not UTF-8", "label,capcode.1\nM\xFCller,1000\n", "",
         "o.csv:2:label: not UTF-8 text (save the order as CSV UTF-8)\n"},
        {"only a header", "label,capcode.1\n", "",
         "o.csv: the order has no pagers (only a header)\n"},
        {"a value the editor refuses", "label,capcode.1\nA,1000\nB,2097152\n", "",
         "o.csv:3:capcode.1: "},
        {"an individual capcode twice; a shared one repeats",
         "capcode.1,capcode.2:shared\n1000,7\n1001,7\n1000,7\n", "",
         "o.csv:2:capcode.1: capcode 0001000 is used again in row 4 (capcode.1); only a column "
         "marked :shared may repeat\n"
         "o.csv:4:capcode.1: capcode 0001000 is used again in row 2 (capcode.1); only a column "
         "marked :shared may repeat\n"},
        {"an individual capcode used as another column's shared one",
         "capcode.1,capcode.2:shared\n1000,7\n1001,1000\n", "",
         "o.csv:2:capcode.1: capcode 0001000 is used again in row 3 (capcode.2)"},
    };
    for (const auto& c : cases) {
        Order o = parse_order(c.csv);
        validate_order(o, default_image(), nullptr);
        std::string rows;
        for (const NewJobRow& r : o.rows) {
            rows += rows.empty() ? "" : "/";
            for (std::size_t i = 0; i < r.values.size(); ++i)
                rows += (i ? "|" : "") + r.values[i];
        }
        if (c.problems.empty()) {
            EXPECT_EQ(problems_of(o), "") << c.name;
            EXPECT_EQ(rows, c.rows) << c.name;
        } else {
            EXPECT_THAT(problems_of(o), ::testing::StartsWith(c.problems)) << c.name;
        }
    }
    // Over 100 000 pagers, and a folder, are refused.
    std::string many = "capcode.1\n";
    for (int i = 0; i <= MaxOrderRows; ++i)
        many += "1\n";
    EXPECT_THAT(problems_of(parse_order(many)), ::testing::HasSubstr("more than 100000 pagers"));
    EXPECT_THAT(problems_of(read_order_file(::testing::TempDir())),
                ::testing::HasSubstr("could not be read"));
}

// A row's image is the base with exactly the row's settings, as the editor stores them.
TEST(Order, ARowAppliesItsSettingsToTheBase) {
    const std::vector<JobColumn> columns = {{"label"}, {"capcode.1"}, {"capcode.2", true}};
    const auto image = apply_job_row(default_image(), columns, {"Ward 3", "123456", "77"});
    ASSERT_TRUE(image);
    EXPECT_EQ(decode_capcode(*image, 0), 123456);
    EXPECT_EQ(decode_capcode(*image, 1), 77);
    EXPECT_EQ(job_row_settings(columns, {"Ward 3", "123456", ""}), "capcode.1=123456");
}

// Where a job stands: finished only once every row is verified; the rows not done named.
TEST(JobProgress, NamesTheRowsNotDone) {
    const struct {
        std::vector<const char*> states; // rows 2, 3 (B), 4, ...
        std::string line;
    } cases[] = {
        {{JobVerified, JobVerified}, "Job \"w\" is finished: 2 of 2 rows verified."},
        {{JobVerified, JobFailed, JobTaken, JobPending},
         "Job \"w\": 1 of 4 rows verified; failed: row 3 (B); held by a station or until its "
         "pager is checked: row 4; 1 pending."},
        {{JobTaken, JobVerified},
         "Job \"w\" has no row left to take: 1 of 2 rows verified; held by a station or until "
         "its pager is checked: row 2."},
        {std::vector<const char*>(12, JobFailed),
         "Job \"w\": 0 of 12 rows verified; failed: row 2, row 3 (B), row 4, row 5, row 6, row 7, "
         "row 8, row 9, row 10, row 11 and 2 more."},
    };
    for (const auto& c : cases) {
        Job job;
        job.summary.name = "w";
        for (const char* state : c.states) {
            JobRow& r = job.rows.emplace_back();
            r.row = int(job.rows.size()) + 1;
            r.label = r.row == 3 ? "B" : "";
            r.state = state;
        }
        EXPECT_EQ(job_progress_line(job), c.line);
    }
}

} // namespace
} // namespace kpr
