#include "jobs/job_format.h"

#include "common/printable_text.h"
#include "editor/editor.h"
#include "editor/settings_keys.h"
#include "jobs/order.h"
#include "ledger/ledger_format.h"
#include "settings/capcode.h"

namespace kpr {

const std::vector<std::string>& job_row_columns() {
    static const std::vector<std::string> c = {"row",   "label",  "settings",
                                               "state", "serial", "time"};
    return c;
}

std::vector<std::string> job_row_fields(const Job& job, const JobRow& row) {
    return {std::to_string(row.row),
            row.label,
            job_row_settings(job.columns, row.values),
            row.state + (row.state == JobTaken && row.writing ? " (writing)" : ""),
            row.serial,
            row.time};
}

std::optional<JobRowFacts> job_row_facts(const Job& job, const JobRow& row) {
    PagerImage base;
    if (job.base.size() != base.bytes().size())
        return std::nullopt;
    std::copy(job.base.begin(), job.base.end(), base.bytes().begin());
    const auto image = apply_job_row(base, job.columns, row.values);
    if (!image)
        return std::nullopt;
    const auto editor = Editor::headless(*image);
    JobRowFacts f;
    for (int slot = 0; slot < CapcodeSlots; ++slot)
        f.capcodes[slot] = {
            decode_capcode(*image, slot),
            read_setting(*editor, "capcode." + std::to_string(slot + 1) + ".enabled") == "1"};
    f.frequency = read_setting(*editor, "frequency").value_or("");
    return f;
}

std::string capcodes_on_text(const JobRowFacts& facts) {
    std::string out;
    for (int slot = 0; slot < CapcodeSlots; ++slot)
        if (facts.capcodes[slot].on)
            out += (out.empty() ? "" : " ") + std::to_string(slot + 1) + ":" +
                   capcode_text(static_cast<Capcode>(facts.capcodes[slot].capcode));
    return out;
}

std::string job_progress_line(const Job& job) {
    int verified = 0, pending = 0;
    std::vector<std::string> failed, held;
    for (const JobRow& r : job.rows) {
        const std::string named =
            "row " + std::to_string(r.row) + (r.label.empty() ? "" : " (" + r.label + ")");
        if (r.state == JobVerified)
            ++verified;
        else if (r.state == JobFailed)
            failed.push_back(named);
        else if (r.state == JobTaken)
            held.push_back(named);
        else
            ++pending;
    }
    // The rows as the note numbers them; a long list says how many more.
    const auto rows = [](const char* what, const std::vector<std::string>& list) {
        std::string out = std::string("; ") + what + ": ";
        for (std::size_t i = 0; i < list.size() && i < 10; ++i)
            out += (i > 0 ? ", " : "") + list[i];
        return list.size() > 10 ? out + " and " + std::to_string(list.size() - 10) + " more" : out;
    };
    const std::string name = "Job \"" + job.summary.name + "\"";
    const std::string of = std::to_string(verified) + " of " + std::to_string(job.rows.size());
    if (verified == static_cast<int>(job.rows.size()))
        return name + " is finished: " + of + " rows verified.";
    std::string line = name +
                       (pending == 0 && failed.empty() ? " has no row left to take: " : ": ") + of +
                       " rows verified";
    if (!failed.empty())
        line += rows("failed", failed);
    if (!held.empty())
        line += rows("held by a station or until its pager is checked", held);
    if (pending > 0)
        line += "; " + std::to_string(pending) + " pending";
    return line + ".";
}

std::string delivery_note_csv(const Job& job) {
    std::string out = ledger_csv_line(
        {"job", "customer", "row", "label", "serial", "capcodes", "frequency", "verified", "state"},
        CsvStyle::Spreadsheet);
    for (const JobRow& r : job.rows) {
        const auto facts = job_row_facts(job, r);
        const bool done = r.state == JobVerified;
        out += ledger_csv_line({job.summary.name, job.summary.label, std::to_string(r.row), r.label,
                                r.serial, facts ? capcodes_on_text(*facts) : "",
                                facts ? facts->frequency : "", done ? r.time : "", r.state},
                               CsvStyle::Spreadsheet);
    }
    return out;
}

} // namespace kpr
