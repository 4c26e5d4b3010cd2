#include "cli/verbs/job_report.h"

#include "common/safe_save.h"
#include "jobs/job_format.h"
#include "jobs/order.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace kpr::cli {

std::string save_delivery_note_csv(const std::string& path, const Job& job) {
    const std::string text = delivery_note_csv(job);
    const SafeSaveResult r =
        safe_save(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return r ? "" : r.reason();
}

bool needs_gui_application(int argc, char* argv[]) {
    if (argc < 3 || std::strcmp(argv[1], "job") != 0 || std::strcmp(argv[2], "report") != 0)
        return false;
    for (int i = 3; i < argc; ++i) {
        const std::size_t n = std::strlen(argv[i]);
        if (n >= 4 && strcasecmp(argv[i] + n - 4, ".pdf") == 0)
            return true;
    }
    return false;
}

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// "2026-03-02T09:10:05Z" as "2026-03-02 09:10": the column says UTC, and the label beside it
// needs the room more than the seconds do.
QString minutes(const std::string& utc) {
    QString t = q(utc.substr(0, 16));
    return t.size() == 16 && t[10] == 'T' ? t.replace(10, 1, ' ') : q(utc);
}

// Lays the note out on pages: a heading, a table with a header row repeated on each page,
// and a page number at the foot of each.
class NoteWriter {
  public:
    NoteWriter(QPdfWriter& pdf, const Job& job) : pdf_(pdf), painter_(&pdf), job_(job) {
        body_ = QFont("Helvetica", 9);
        // Ligatures would turn "fi" into one glyph that text search and copying miss.
        body_.setStyleStrategy(QFont::PreferNoShaping);
        painter_.setFont(body_);
        line_ = QFontMetrics(body_, &pdf).height() * 13 / 10;
        width_ = pdf.width();
        bottom_ = pdf.height() - 2 * line_;
    }

    void heading() {
        QFont big = body_;
        big.setPointSize(15);
        big.setBold(true);
        painter_.setFont(big);
        const int h = QFontMetrics(big, &pdf_).height();
        painter_.drawText(QRect(0, y_, width_, h), Qt::AlignLeft, "Delivery note");
        y_ += h + line_ / 2;
        painter_.setFont(body_);
        const JobSummary& s = job_.summary;
        text_line("Job: " + q(s.name) + "    Base table: " + q(s.baseFile));
        if (!s.label.empty())
            text_line("Customer: " + q(s.label));
        text_line("Date: " + QDateTime::currentDateTimeUtc().toString("yyyy-MM-dd HH:mm 'UTC'") +
                  "    Pagers: " + QString::number(s.verified) + " of " + QString::number(s.rows) +
                  " verified");
        y_ += line_;
    }

    // Every column as wide as its widest cell, so serials and capcodes are never cut; when
    // the page is too narrow, column `gives` (a label, the settings) takes what is left and
    // its cells are shortened with an ellipsis.
    void table(const QString& title, const QStringList& header,
               const std::vector<QStringList>& rows, int gives) {
        if (rows.empty())
            return;
        QFont bold = body_;
        bold.setBold(true);
        const QFontMetrics plain(body_, &pdf_), heavy(bold, &pdf_);
        const int gap = line_ * 3 / 4;
        std::vector<int> widths;
        for (int c = 0; c < header.size(); ++c) {
            int w = heavy.horizontalAdvance(header[c]);
            for (const QStringList& r : rows)
                w = std::max(w, plain.horizontalAdvance(r.value(c)));
            widths.push_back(w + gap);
        }
        const int others = std::accumulate(widths.begin(), widths.end(), 0) - widths[gives];
        widths[gives] = std::max(std::min(widths[gives], width_ - others), width_ / 10);
        room(3);
        bold_line(title);
        row(header, widths, true);
        for (const QStringList& r : rows) {
            if (room(1))
                row(header, widths, true);
            row(r, widths, false);
        }
        y_ += line_;
    }

    void totals() {
        room(2);
        const JobSummary& s = job_.summary;
        bold_line("Totals: " + QString::number(s.verified) + " verified, " +
                  QString::number(s.rows - s.verified) + " not yet done (" +
                  QString::number(s.failed) + " failed, " + QString::number(s.pending) +
                  " pending, " + QString::number(s.taken) + " in progress), " +
                  QString::number(s.rows) + " in all.");
    }

    void finish() {
        footer();
        painter_.end();
    }

  private:
    // Starts a new page when fewer than `lines` fit; true when it did.
    bool room(int lines) {
        if (y_ + lines * line_ <= bottom_)
            return false;
        footer();
        pdf_.newPage();
        ++page_;
        y_ = 0;
        return true;
    }
    void footer() {
        painter_.drawText(QRect(0, pdf_.height() - line_, width_, line_), Qt::AlignHCenter,
                          "Page " + QString::number(page_));
    }
    void text_line(const QString& t) {
        painter_.drawText(QRect(0, y_, width_, line_), Qt::AlignLeft, t);
        y_ += line_;
    }
    void bold_line(const QString& t) {
        QFont b = body_;
        b.setBold(true);
        painter_.setFont(b);
        text_line(t);
        painter_.setFont(body_);
    }
    void row(const QStringList& cells, const std::vector<int>& widths, bool bold) {
        QFont f = body_;
        f.setBold(bold);
        painter_.setFont(f);
        int x = 0;
        for (int i = 0; i < cells.size() && i < static_cast<int>(widths.size()); ++i) {
            const int w = widths[i];
            const QString shown =
                QFontMetrics(f, &pdf_).elidedText(cells[i], Qt::ElideRight, w - line_ / 2);
            painter_.drawText(QRect(x, y_, w, line_), Qt::AlignLeft, shown);
            x += w;
        }
        if (bold)
            painter_.drawLine(0, y_ + line_ - 4, width_, y_ + line_ - 4);
        painter_.setFont(body_);
        y_ += line_;
    }

    QPdfWriter& pdf_;
    QPainter painter_;
    const Job& job_;
    QFont body_;
    int line_ = 0, width_ = 0, bottom_ = 0, y_ = 0, page_ = 1;
};

} // namespace

std::string save_delivery_note_pdf(const QString& path, const Job& job, bool letter) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return "a PDF needs the program's fonts (run as kprtool job report NAME -o NOTE.pdf)";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString().toStdString();
    {
        QPdfWriter pdf(&file);
        pdf.setPageSize(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf.setResolution(300);
        pdf.setTitle("Delivery note " + q(job.summary.name));
        pdf.setCreator("kprtool");
        NoteWriter note(pdf, job);
        note.heading();
        std::vector<QStringList> done, open;
        for (const JobRow& r : job.rows) {
            if (r.state == JobVerified) {
                const auto facts = job_row_facts(job, r);
                done.push_back({QString::number(r.row), q(r.label), q(r.serial),
                                facts ? q(capcodes_on_text(*facts)) : QString(),
                                facts ? q(facts->frequency) : QString(), minutes(r.time)});
            } else {
                open.push_back({QString::number(r.row), q(r.label), q(r.state),
                                q(job_row_settings(job.columns, r.values))});
            }
        }
        note.table("Pagers delivered",
                   {"Row", "Label", "Serial", "Capcodes (ON)", "Frequency", "Verified (UTC)"}, done,
                   1);
        note.totals();
        note.table("Rows not yet done", {"Row", "Label", "State", "Settings"}, open, 3);
        note.finish();
    }
    if (!file.commit())
        return file.errorString().toStdString();
    return {};
}

bool is_delivery_note_path(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "pdf" || suffix == "csv";
}

std::string save_delivery_note(const QString& path, const Job& job, bool letter) {
    if (QFileInfo(path).suffix().toLower() == "csv")
        return save_delivery_note_csv(path.toStdString(), job);
    return save_delivery_note_pdf(path, job, letter);
}

} // namespace kpr::cli
