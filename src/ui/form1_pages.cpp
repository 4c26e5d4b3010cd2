#include "ui/form1.h"

#include "editor/editor.h"
#include "ui/eb_slider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

// The four pages: which control sits where, with its caption.
namespace kpr {

namespace {

const char* const PageNames[4] = {"picSet1", "picSet2", "picSet5", "picSet6"};

// An entry's typing limit: the editor judges every edit against what the entry holds, so a
// stored text longer than the limit is shown whole (QLineEdit's own limit would cut it).
class EntryLimit final : public QValidator {
  public:
    EntryLimit(const Editor& editor, std::string name, QObject* parent)
        : QValidator(parent), editor_(editor), name_(std::move(name)) {}
    State validate(QString& input, int&) const override {
        const ControlModel& m = editor_.controls();
        return !m.contains(name_) || entry_accepts(m.at(name_), input.toStdString()) ? Acceptable
                                                                                     : Invalid;
    }

  private:
    const Editor& editor_;
    std::string name_;
};

} // namespace

QWidget* Form1::txt(const std::string& name, QWidget* parent) {
    auto* e = binder_.make<QLineEdit>(name, ControlBinder::Kind::Text, parent);
    e->installEventFilter(this);
    e->setValidator(new EntryLimit(editor_, name, e));
    if (name.rfind("txtPrompt(", 0) == 0) {
        QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setPointSizeF(e->font().pointSizeF());
        e->setFont(f);
        // Room for the widest the entry can be (the small fonts' 22 blanks, bold or not).
        f.setBold(true);
        e->setMinimumWidth(blanks_width(f, 22));
    }
    connect(e, &QLineEdit::textEdited, this, [this, name](const QString& t) {
        if (editor_.controls().contains(name))
            editor_.controls()[name].text = t.toStdString();
    });
    return e;
}

// Page "Freq. && Codes".
QWidget* Form1::buildPage1(QWidget* parent) {
    auto* page = new QWidget(parent);
    binder_.bind(PageNames[0], page, ControlBinder::Kind::Other);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);

    // Frequency
    QGroupBox* fq = binder_.frame("fraFrequency", page);
    auto* g = new QGridLayout(fq);
    g->setVerticalSpacing(4);
    int r = 0;
    g->addWidget(binder_.label("lblFreq", QStringLiteral("Freq."), fq), r, 0);
    auto* freqRow = new QHBoxLayout;
    QWidget* freq = txt("txtFreq", fq);
    freq->setMinimumWidth(70);
    freqRow->addWidget(freq);
    freqRow->addWidget(binder_.label("lblFreqUnit", QStringLiteral("00Hz"), fq));
    g->addLayout(freqRow, r++, 1);
    const std::pair<const char*, const char*> rows[] = {{"lblRange", "Range"},
                                                        {"lblRoHS", "Spacing"},
                                                        {"lblBaud", "Baud Rate"},
                                                        {"lblBand", "Bandwidth"},
                                                        {"lblPol", "Polarity"}};
    const char* lists[] = {"cboDft", "cboRoHS", "cboCtl(9)", "cboCtl(0)", "cboCtl(5)"};
    for (int i = 0; i < 5; ++i) {
        g->addWidget(binder_.label(rows[i].first, rows[i].second, fq), r, 0);
        g->addWidget(binder_.combo(lists[i], fq), r++, 1);
        binder_.addBuddy(rows[i].first, lists[i]);
    }
    g->addWidget(binder_.label("lblSN", QStringLiteral("Serial No."), fq), r, 0);
    auto* sn = binder_.make<QLineEdit>("textSN", ControlBinder::Kind::Text, fq);
    sn->setReadOnly(true);
    sn->setFocusPolicy(Qt::NoFocus);
    g->addWidget(sn, r++, 1);
    const std::pair<const char*, const char*> pll[] = {{"lblBfreq", "BFreq:"},
                                                       {"lblPLLN", "PLL-N:"},
                                                       {"lblPLLR", "PLL-R:"},
                                                       {"lblINCD", "Incd:"},
                                                       {"lblCHANNEL", "Channel:"}};
    for (auto [name, caption] : pll) {
        g->addWidget(binder_.label(std::string(name) + "Caption", caption, fq), r, 0);
        QLabel* v = binder_.label(name, QString(), fq);
        v->setStyleSheet(QStringLiteral("color:#1b3d7a;"));
        v->setMinimumWidth(70);
        g->addWidget(v, r++, 1);
    }
    g->setRowStretch(r, 1);
    grid->addWidget(fq, 0, 0, 2, 1);

    // Capcodes with their function bits
    QGroupBox* cc = binder_.frame("fraCapcode", page);
    auto* c = new QGridLayout(cc);
    c->setHorizontalSpacing(6);
    c->setVerticalSpacing(5);
    c->addWidget(binder_.label("lblDispCaption", QStringLiteral("Disable && Disp:"), cc), 0, 4);
    c->addWidget(binder_.label("lblTypeCaption", QStringLiteral("Type:"), cc), 0, 5);
    c->addWidget(binder_.label("lblPriCaption", QStringLiteral("Priority:"), cc), 0, 6);
    for (int i = 0; i < 8; ++i) {
        const int row = i + 1;
        c->addWidget(binder_.label(ctl("lblCap", i), QStringLiteral("Cap #%1").arg(i + 1), cc), row,
                     0);
        QWidget* a = txt(ctl("txtAddr", i), cc);
        a->setMinimumWidth(70);
        c->addWidget(a, row, 1);
        c->addWidget(binder_.check(ctl("chkCtl", 30 + i), cc), row, 2);
        c->addWidget(binder_.button(ctl("cmdFunc", i), cc), row, 3);
        for (auto [base, col] :
             {std::pair{"tlblDisp", 4}, std::pair{"tlblType", 5}, std::pair{"tlblPri", 6}}) {
            QLabel* s = binder_.label(ctl(base, i), QStringLiteral("----"), cc);
            s->setFrameShape(QFrame::StyledPanel);
            s->setFrameShadow(QFrame::Sunken);
            s->setAlignment(Qt::AlignCenter);
            s->setMinimumWidth(60);
            QFont f(QStringLiteral("Monospace"));
            f.setStyleHint(QFont::TypeWriter);
            f.setPointSizeF(s->font().pointSizeF());
            s->setFont(f);
            c->addWidget(s, row, col);
        }
    }
    c->setRowStretch(9, 1);
    grid->addWidget(cc, 0, 1);

    // Auto increase, below the capcodes: created after them so Tab reaches it after them
    QGroupBox* ai = binder_.frame("fraAutoInc", page);
    auto* av = new QVBoxLayout(ai);
    av->addWidget(binder_.check("optAuto1", ai));
    av->addWidget(binder_.check("optAuto2", ai));
    grid->addWidget(ai, 1, 1);

    // Message type and alert lengths
    QGroupBox* al = binder_.frame("fraAlert", page);
    auto* t = new QGridLayout(al);
    t->setVerticalSpacing(2);
    t->setHorizontalSpacing(10);
    t->addWidget(binder_.button("cmdAlert", al), 0, 0, 1, 4);
    t->addWidget(binder_.label("lblLengthCaption", QStringLiteral("Alert Length"), al), 1, 1);
    t->addWidget(binder_.label("lblMemoryCaption", QStringLiteral("Memory(KB)"), al), 1, 2);
    t->addWidget(binder_.label("lblHistoryCaption", QStringLiteral("History"), al), 1, 3);
    const char* const rowCaptions[16] = {"PG", "M1", "M2", "M3", "M4", "M5", "M6", "M7",
                                         "M8", "M9", "MA", "MB", "MC", "MD", "ME", "MF"};
    for (int i = 0; i < 16; ++i) {
        t->addWidget(binder_.label(ctl("lblAlertRow", i), rowCaptions[i], al), i + 2, 0);
        for (auto [base, col] :
             {std::pair{"lblLength", 1}, std::pair{"lblMemory", 2}, std::pair{"lblHistory", 3}}) {
            QLabel* v = binder_.label(ctl(base, i), QString(), al);
            v->setAlignment(Qt::AlignCenter);
            t->addWidget(v, i + 2, col);
        }
    }
    t->setRowStretch(18, 1);
    grid->addWidget(al, 0, 2, 2, 1);
    grid->setRowStretch(0, 1);
    return page;
}

// Page "Alert && Status".
QWidget* Form1::buildPage2(QWidget* parent) {
    auto* page = new QWidget(parent);
    binder_.bind(PageNames[1], page, ControlBinder::Kind::Other);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);

    // Prompts: logo, language, logo font, date display
    QGroupBox* pr = binder_.frame("fraPrompts", page);
    auto* p = new QGridLayout(pr);
    p->setVerticalSpacing(4);
    p->addWidget(binder_.label("lblLogo", QStringLiteral("Power Up Logo"), pr), 0, 0);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(txt(ctl("txtPrompt", 0), pr));
    for (const char* base : {"optLeft", "optCenter", "optRight"}) {
        QWidget* b = binder_.button(ctl(base, 1), pr);
        b->setFixedWidth(28);
        logoRow->addWidget(b);
    }
    logoRow->addStretch(1);
    p->addLayout(logoRow, 0, 1);
    p->addWidget(binder_.label("lblLng", QStringLiteral("Prompt Language Type"), pr), 1, 0);
    p->addWidget(binder_.combo("cboLng", pr), 1, 1);
    p->addWidget(binder_.label("lblLogoFont", QStringLiteral("Logo Font"), pr), 2, 0);
    p->addWidget(binder_.combo("cboLogo", pr), 2, 1);
    p->addWidget(binder_.label("lblDate", QStringLiteral("Date Display Method"), pr), 3, 0);
    p->addWidget(binder_.combo(ctl("cboCtl", 6), pr), 3, 1);
    grid->addWidget(pr, 0, 0);

    // Menu of pager
    QGroupBox* mn = binder_.frame("fraMenu", page);
    auto* m = new QGridLayout(mn);
    m->setVerticalSpacing(3);
    for (int i = 0; i < 7; ++i)
        m->addWidget(binder_.check(ctl("chkMenu", i), mn), i % 4, i / 4);
    m->addWidget(binder_.label("lblTone", QStringLiteral("Alert Tone"), mn), 4, 0);
    m->addWidget(binder_.combo("cboTone", mn), 4, 1);
    m->addWidget(binder_.label("lblZoom", QStringLiteral("Zoom"), mn), 5, 0);
    m->addWidget(binder_.combo("cboZoom", mn), 5, 1);
    binder_.addBuddy("lblTone", "cboTone");
    binder_.addBuddy("lblZoom", "cboZoom");
    int kr = 6;
    for (int i : {11, 12, 13, 14}) {
        m->addWidget(binder_.check(ctl("chkCtl", i), mn), kr / 2 + 3, kr % 2);
        ++kr;
    }
    grid->addWidget(mn, 1, 0);

    // Manual write
    QGroupBox* mw = binder_.frame("fraManual", page);
    auto* w = new QGridLayout(mw);
    w->setVerticalSpacing(3);
    int mr = 0;
    for (int i : {4, 7, 5, 16, 15}) {
        w->addWidget(binder_.check(ctl("chkCtl", i), mw), mr / 2, mr % 2);
        ++mr;
    }
    int pr2 = 3;
    for (int i : {29, 30, 71, 70}) {
        QLabel* l = binder_.label(ctl("lblPrompt", i), QString(), mw);
        w->addWidget(l, pr2, 0);
        w->addWidget(txt(ctl("txtPrompt", i), mw), pr2++, 1);
    }
    grid->addWidget(mw, 2, 0);

    // Alerts and status
    QGroupBox* as = binder_.frame("fraStatus", page);
    auto* s = new QGridLayout(as);
    s->setVerticalSpacing(3);
    s->setHorizontalSpacing(8);
    int sr = 0;
    for (int i : {8, 6, 0, 1, 2, 54, 9, 18, 19, 29, 17, 20, 3, 21, 10}) {
        s->addWidget(binder_.check(ctl("chkCtl", i), as), sr / 2, sr % 2);
        ++sr;
    }
    int row = (sr + 1) / 2;
    auto pair = [&](const std::string& label, const QString& caption, QWidget* field) {
        s->addWidget(binder_.label(label, caption, as), row, 0);
        s->addWidget(field, row++, 1);
    };
    pair("lblLamp", QStringLiteral("Lamp Mode"), binder_.combo(ctl("cboCtl", 3), as));
    // The battery lists of both sets share three places; the active set is in front.
    const char* const levelCaptions[3] = {"Battery Gauge Level-Low", "Battery Gauge Level-Med",
                                          "Battery Gauge Level-High"};
    for (int k = 0; k < 3; ++k) {
        auto* captions = new QWidget(as);
        auto* cl = new QGridLayout(captions);
        cl->setContentsMargins(0, 0, 0, 0);
        auto* fields = new QWidget(as);
        auto* fl = new QGridLayout(fields);
        fl->setContentsMargins(0, 0, 0, 0);
        for (int set : {0, 3}) {
            cl->addWidget(binder_.label(ctl("lblBatLev", k + set), levelCaptions[k], captions), 0,
                          0);
            fl->addWidget(binder_.combo(ctl("cboBatLev", k + set), fields), 0, 0);
            binder_.addBuddy(ctl("lblBatLev", k + set), ctl("cboBatLev", k + set));
        }
        s->addWidget(captions, row, 0);
        s->addWidget(fields, row++, 1);
    }
    pair("lblCtl2", QStringLiteral("Alert Time"), binder_.combo(ctl("cboCtl", 2), as));
    pair("lblCtl4", QStringLiteral("Time Out"), binder_.combo(ctl("cboCtl", 4), as));
    pair("lblSLC", QStringLiteral("Sequential Lockout"), binder_.combo("cboSLC", as));
    pair("lblORC", QStringLiteral("Out-of Service"), binder_.combo("cboORC", as));
    QWidget* pass = txt("txtPass", as);
    pair("lblPass", QStringLiteral("Password(4 Dec)"), pass);
    auto* contrastRow = new QWidget(as);
    auto* cr = new QHBoxLayout(contrastRow);
    cr->setContentsMargins(0, 0, 0, 0);
    auto* slider = binder_.make<EbSlider>("Slider1", ControlBinder::Kind::Slider, contrastRow);
    slider->setMinimumSize(120, 22);
    slider->setMax(8);
    slider->setMin(1);
    slider->setSliderWidth(150);
    slider->setBorderStyle(10);
    connect(slider, &EbSlider::Changed, this, [this, slider] {
        if (!dispatchDepth_ && built_)
            forwardClick("Slider1", slider->Value());
    });
    cr->addWidget(slider, 1);
    QLabel* value = binder_.label("lblContrastValue", QStringLiteral("4"), contrastRow);
    value->setMinimumWidth(16);
    cr->addWidget(value);
    pair("lblContrast", QStringLiteral("Screen Contrast"), contrastRow);
    s->setRowStretch(row, 1);
    s->setColumnStretch(2, 1); // lists as wide as they need, not the whole frame
    grid->addWidget(as, 0, 1, 3, 1);
    grid->setRowStretch(2, 1);
    return page;
}

// Page "Prompts Edit": the built-in texts.
QWidget* Form1::buildPage5(QWidget* parent) {
    auto* page = new QWidget(parent);
    binder_.bind(PageNames[2], page, ControlBinder::Kind::Other);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    std::vector<int> prompts;
    for (int i = 1; i <= 28; ++i)
        prompts.push_back(i);
    for (int i : {31, 32, 65, 68})
        prompts.push_back(i);
    const int perColumn = 11;
    for (size_t k = 0; k < prompts.size(); ++k) {
        const int i = prompts[k];
        const int col = static_cast<int>(k) / perColumn * 2;
        const int row = static_cast<int>(k) % perColumn;
        QLabel* l = binder_.label(ctl("lblPrompt", i), QString(), page);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(l, row, col);
        grid->addWidget(txt(ctl("txtPrompt", i), page), row, col + 1);
    }
    auto* tools = new QHBoxLayout;
    tools->addStretch(1);
    for (const char* base : {"optLeft", "optCenter", "optRight"}) {
        QWidget* b = binder_.button(ctl(base, 0), page);
        b->setFixedWidth(30);
        tools->addWidget(b);
    }
    tools->addWidget(binder_.button(ctl("optDefault", 0), page));
    grid->addLayout(tools, perColumn, 0, 1, 6);
    return page;
}

// Page "Source Prompts".
QWidget* Form1::buildPage6(QWidget* parent) {
    auto* page = new QWidget(parent);
    binder_.bind(PageNames[3], page, ControlBinder::Kind::Other);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    for (int k = 0; k < 32; ++k) {
        const int i = 33 + k;
        const int col = (k / 11) * 3;
        const int row = k % 11;
        grid->addWidget(binder_.check(ctl("chkSource", i), page), row, col);
        QLabel* l = binder_.label(ctl("lblPrompt", i), QString(), page);
        grid->addWidget(l, row, col + 1);
        grid->addWidget(txt(ctl("txtPrompt", i), page), row, col + 2);
    }
    auto* tools = new QHBoxLayout;
    tools->addWidget(binder_.label("lblSource", QStringLiteral("Prompt Control"), page));
    tools->addWidget(binder_.combo("cboSource", page));
    tools->addStretch(1);
    for (const char* base : {"optLeft", "optCenter", "optRight"}) {
        QWidget* b = binder_.button(ctl(base, 2), page);
        b->setFixedWidth(30);
        tools->addWidget(b);
    }
    tools->addWidget(binder_.button(ctl("optDefault", 1), page));
    grid->addLayout(tools, 11, 0, 1, 9);
    return page;
}

} // namespace kpr
