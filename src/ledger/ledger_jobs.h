#pragma once
// Jobs as the ledger keeps them: a customer's order, one row per pager, over a base image.
// Rows are taken one at a time by whichever station asks next and follow the reservations'
// discipline: a row whose pager may have been written is never handed out again by a crash.
#include <cstdint>
#include <string>
#include <vector>

namespace kpr {

// A column of the order: a setting key, or the row's label when `key` is "label".
struct JobColumn {
    std::string key;
    bool shared = false; // its capcodes may repeat from row to row (a group capcode)
    // A counting batch's capcode: empty until its row is taken, then the first free capcode
    // after the job's highest (the row's own when it is taken again), reserved as it is given.
    bool counted = false;
};

// One pager's row as imported: a value per column (the label column's too).
struct NewJobRow {
    int row = 0; // its row in the order file (the header is row 1)
    std::vector<std::string> values;
};

struct NewJob {
    std::string name;
    std::string label; // the customer, for the delivery note
    std::string baseFile;
    std::vector<uint8_t> base; // the base image's bytes
    std::vector<JobColumn> columns;
    std::vector<NewJobRow> rows;
};

// Row states: waiting for a pager, held by a station, done, or back in line after a pager
// failed (taken again before any pending one).
inline constexpr const char* JobPending = "pending";
inline constexpr const char* JobTaken = "taken";
inline constexpr const char* JobVerified = "verified";
inline constexpr const char* JobFailed = "failed";

struct JobRow {
    int64_t id = 0;
    std::string job;
    int row = 0;
    std::string label;
    std::vector<std::string> values; // by the job's columns
    std::string state;
    std::string station; // the holder while taken
    std::string machine;
    int64_t pid = 0;
    bool writing = false; // taken and its pager's write had started
    std::string serial;   // as shown: the pager that holds it (verified) or may (writing)
    std::string time;     // UTC: when it was verified, taken or last returned
    // As taken: the reservations of its counted capcodes (dropped by the attempt's record,
    // or released when its pager is not written) and what the counter passed over.
    std::vector<int64_t> reservations;
    std::vector<std::string> skipped;
};

struct JobSummary {
    std::string name;
    std::string label;
    std::string baseFile;
    std::string created;
    std::string lastActivity;
    int rows = 0, verified = 0, failed = 0, pending = 0, taken = 0;
};

struct Job {
    JobSummary summary;
    std::vector<uint8_t> base;
    std::vector<JobColumn> columns;
    std::vector<JobRow> rows; // in the order file's order
};

} // namespace kpr
