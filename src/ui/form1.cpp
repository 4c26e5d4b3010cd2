#include "ui/form1.h"

#include "editor/editor.h"
#include "ops/editor_hooks.h"
#include "platform/product_ledger.h"
#include "profile/profile.h"
#include "ui/about.h"
#include "ui/eb_slider.h"
#include "ui/form2.h"
#include "ui/form5.h"
#include "ui/form6.h"
#include "ui/gui_messages.h"
#include "ui/ledger_log_dialog.h"
#include "ui/programmer.h"

#include <filesystem>
#include <memory>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

namespace kpr {

namespace {

QColor colour_of(uint32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

// The tab strip: its background picture tiled left to right, top to bottom.
class TabStrip : public QWidget {
  public:
    explicit TabStrip(QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        tile_ = QPixmap(32, 32);
        QPainter p(&tile_);
        QLinearGradient g(0, 0, 0, 32);
        g.setColorAt(0, QColor(0x2c, 0x4a, 0x7c));
        g.setColorAt(1, QColor(0x1b, 0x30, 0x57));
        p.fillRect(tile_.rect(), g);
        p.setPen(QColor(255, 255, 255, 18));
        p.drawLine(0, 31, 31, 0);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int y = 0; y < height(); y += tile_.height())
            for (int x = 0; x < width(); x += tile_.width())
                p.drawPixmap(x, y, tile_);
    }
    void mouseMoveEvent(QMouseEvent*) override {
        // Pointing at the strip ends any entry being edited: its LostFocus stores it.
        if (!hasFocus() && window()->isActiveWindow())
            setFocus(Qt::MouseFocusReason);
    }
    void enterEvent(QEnterEvent*) override {
        if (!hasFocus() && window()->isActiveWindow())
            setFocus(Qt::MouseFocusReason);
    }

  private:
    QPixmap tile_;
};

const char* const TabCaptions[4] = {"Freq. && Codes", "Alert && Status", "Prompts Edit",
                                    "Source Prompts"};
const char* const TabLabelCaptions[4] = {"Freq. && Codes", "Alerts && Status", "Prompts Edit",
                                         "Source Prompts"};
const char* const TabButtonNames[4] = {"EMoptCode", "EMoptStatus", "EMoptPrompts", "EMoptSource"};
const char* const PageNames[4] = {"picSet1", "picSet2", "picSet5", "picSet6"};

// A doubled ampersand shows as one.
QString shown(const QString& caption) {
    QString s = caption;
    return s.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

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

// The smallest size the window can be made, as a share of its design size: the captions of
// the smallest fonts still read there.
constexpr double MinimumScale = 0.6;

// Prompt entries are sized in blanks of their own font; the font is fixed-pitch, as the
// pager's display is, so a blank is as wide as any character and the text fits.
int blanks_width(const QFont& font, int blanks) {
    return QFontMetrics(font).horizontalAdvance(QString(blanks, QLatin1Char(' '))) + 8;
}

// Check-box and option marks grow and shrink with the window's fonts instead of keeping the
// style's fixed pixel size, so a caption beside its mark fits at every size.
class MarkScaleStyle : public QProxyStyle {
  public:
    double scale = 1;
    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
        const int v = QProxyStyle::pixelMetric(m, o, w);
        switch (m) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return std::max(1, static_cast<int>(std::lround(v * scale)));
        default:
            return v;
        }
    }
};

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

Form1::Form1(Editor& editor, GuiMessages& messages, Programmer* programmer, QWidget* parent)
    : QMainWindow(parent), editor_(editor), messages_(messages), programmer_(programmer) {
    setObjectName(QStringLiteral("Form1"));
    messages_.setParentWidget(this);
    buildMenus();
    buildWindow();
    recordDesignGeometry();
    central_->installEventFilter(this);
    connectEditor();

    timer1_.setInterval(1000); // connection monitor, enabled as the last start-up step
    timer2_.setInterval(1000); // clears the serial-scan buffer
    connect(&timer2_, &QTimer::timeout, this, [this] { editor_.Timer2_Timer(); });
    timer2_.start();
    if (programmer_) {
        connect(&timer1_, &QTimer::timeout, this, &Form1::monitorTick);
        connect(programmer_, &Programmer::boardStateChanged, this, &Form1::showBoardState);
        connect(programmer_, &Programmer::monitorEnabledChanged, this, [this](bool on) {
            if (on && monitorWanted_ && !closing_)
                timer1_.start();
            else
                timer1_.stop();
        });
    }
    if (!programmer_)
        for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
            actions_[n]->setEnabled(false);
    built_ = true;
    render();
}

Form1::~Form1() {
    editor_.setChangeCallback({});
}

void Form1::connectEditor() {
    // Changes made outside a forwarded event (a transfer reloading the editor, a timer) are
    // rendered on the UI thread once the handler has returned.
    editor_.setChangeCallback([this] {
        if (renderPending_)
            return;
        renderPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                renderPending_ = false;
                render();
            },
            Qt::QueuedConnection);
    });
    editor_.setWriteCommand([this] { runPagerCommand(1); });
}

void Form1::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption,
                      const QKeySequence& key, void (Form1::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        actions_[name] = a;
    };
    QMenu* file = menuBar()->addMenu(tr("File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    add(file, "mnuLBFF", QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O),
        &Form1::mnuLBFF_Click);
    add(file, "mnuSBTF", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
        &Form1::mnuSBTF_Click);
    add(file, "mnuSA", QStringLiteral("Save As..."), QKeySequence(Qt::CTRL | Qt::Key_A),
        &Form1::mnuSA_Click);
    file->addSeparator();
    add(file, "mnuExit", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_E),
        &Form1::mnuExit_Click);
    mnuPager_ = menuBar()->addMenu(QStringLiteral("Pager"));
    mnuPager_->setObjectName(QStringLiteral("mnuPager"));
    add(mnuPager_, "mnuEntire", QStringLiteral("Read"), QKeySequence(Qt::Key_F3),
        &Form1::mnuEntire_Click);
    add(mnuPager_, "mnuEB", QStringLiteral("Write"), QKeySequence(Qt::Key_F4), &Form1::mnuEB_Click);
    add(mnuPager_, "mnuEB1", QStringLiteral("Verfy"), QKeySequence(Qt::Key_F9),
        &Form1::mnuEB1_Click);
    mnuPager_->addSeparator();
    add(mnuPager_, "mnuStation", QStringLiteral("Station..."), {}, &Form1::mnuStation_Click);
    actions_["mnuStation"]->setEnabled(false);
    add(mnuPager_, "mnuLog", QStringLiteral("Programming Log..."), {}, &Form1::mnuLog_Click);
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    add(help, "mnuAbout", QStringLiteral("About"), {}, &Form1::mnuAbout_Click);
    add(help, "mnuFirmware", QStringLiteral("Check Firmware"), {}, &Form1::mnuFirmware_Click);
}

template <class W> W* Form1::make(const std::string& name, Kind kind, QWidget* parent) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromStdString(name));
    ctls_[name] = Ctl{w, kind};
    names_[w] = name;
    return w;
}

QGroupBox* Form1::frame(const std::string& name, const QString& title, QWidget* parent) {
    auto* g = make<QGroupBox>(name, Kind::Frame, parent);
    g->setTitle(title);
    return g;
}

QWidget* Form1::chk(const std::string& name, const QString& caption, QWidget* parent) {
    auto* c = make<QCheckBox>(name, Kind::Check, parent);
    c->setText(caption);
    connect(c, &QCheckBox::clicked, this,
            [this, name](bool checked) { forwardClick(name, checked ? 1 : 0); });
    return c;
}

QWidget* Form1::cbo(const std::string& name, QWidget* parent) {
    auto* c = make<QComboBox>(name, Kind::Combo, parent);
    connect(c, &QComboBox::activated, this, [this, name](int index) { forwardClick(name, index); });
    return c;
}

QWidget* Form1::txt(const std::string& name, QWidget* parent) {
    auto* e = make<QLineEdit>(name, Kind::Text, parent);
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

QLabel* Form1::lbl(const std::string& name, const QString& text, QWidget* parent) {
    auto* l = make<QLabel>(name, Kind::Label, parent);
    l->setText(shown(text));
    return l;
}

QWidget* Form1::cmd(const std::string& name, const QString& caption, QWidget* parent) {
    auto* b = make<QPushButton>(name, Kind::Button, parent);
    b->setText(caption);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, name] { forwardClick(name, 1); });
    return b;
}

void Form1::buildWindow() {
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(central_);
    setWindowTitle(QString::fromLatin1(WindowTitleDesign));

    strip_ = buildStrip(central_);
    pages_[0] = buildPage1(central_);
    pages_[1] = buildPage2(central_);
    pages_[2] = buildPage5(central_);
    pages_[3] = buildPage6(central_);
    lblMsg_ = lbl("lblMsg", QStringLiteral("Message:"), central_);
    lblMsg_->setFrameShape(QFrame::StyledPanel);
    lblMsg_->setFrameShadow(QFrame::Sunken);
    lblMsg_->setContentsMargins(4, 1, 4, 1);
    auto* marks = new MarkScaleStyle;
    marks->setParent(this);
    markStyle_ = marks;
    for (auto& [name, c] : ctls_)
        if (c.kind == Kind::Check || c.kind == Kind::Option)
            c.widget->setStyle(marks);
    // Captions, list entries and limits are in place before the layouts measure them;
    // every control takes its place, shown or not.
    layoutPass_ = true;
    render();
    layoutPass_ = false;
    // A list's arrow keeps its pixel width while its text shrinks with the window: room for
    // that at the smallest size.
    for (auto& [name, c] : ctls_)
        if (c.kind == Kind::Combo)
            c.widget->setMinimumWidth(c.widget->sizeHint().width() + 16);

    // Design size: the largest page, the strip above, the status line below.
    QSize page(0, 0);
    for (QWidget* p : pages_)
        page = page.expandedTo(p->sizeHint());
    page += QSize(8, 8);
    const int stripH = strip_->sizeHint().height();
    const int msgH = lblMsg_->sizeHint().height() + 4;
    const int w = std::max(page.width(), strip_->sizeHint().width());
    strip_->setGeometry(0, 0, w, stripH);
    for (QWidget* p : pages_)
        p->setGeometry(0, stripH, w, page.height());
    lblMsg_->setGeometry(4, stripH + page.height() + 2, w - 8, msgH - 4);
    designSize_ = QSize(w, stripH + page.height() + msgH);
    central_->resize(designSize_);
    resize(designSize_.width(), designSize_.height() + menuBar()->sizeHint().height());

    // Every layout places its widgets once; from then on the scaling rule places them.
    std::function<void(QWidget*)> place = [&](QWidget* wdg) {
        if (QLayout* l = wdg->layout()) {
            l->invalidate();
            l->setGeometry(wdg->contentsRect());
        }
        for (QObject* o : wdg->children())
            if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow())
                place(c);
    };
    for (QWidget* p : {strip_, pages_[0], pages_[1], pages_[2], pages_[3]})
        place(p);
    // The sizes the layouts were given to measure would stop a control from following the
    // window: from here on only the design geometry counts.
    std::function<void(QWidget*)> dropLayouts = [&](QWidget* wdg) {
        for (QObject* o : wdg->children())
            if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) {
                dropLayouts(c);
                c->setMinimumSize(0, 0);
                c->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            }
        delete wdg->layout();
    };
    dropLayouts(central_);
    central_->setMinimumSize(designSize_ * MinimumScale);

    for (int i = 0; i < 4; ++i)
        pages_[i]->setVisible(i == 0);
    tabButtons_[0]->hide();
}

QWidget* Form1::buildStrip(QWidget* parent) {
    auto* s = new TabStrip(parent);
    s->setObjectName(QStringLiteral("picTabBack"));
    ctls_["picTabBack"] = Ctl{s, Kind::Other};
    names_[s] = "picTabBack";
    auto* row = new QHBoxLayout(s);
    row->setContentsMargins(6, 5, 6, 0);
    row->setSpacing(4);
    for (int i = 0; i < 4; ++i) {
        // The label beneath shows through when its button is hidden: the active tab.
        auto* holder = new QWidget(s);
        auto* stack = new QGridLayout(holder);
        stack->setContentsMargins(0, 0, 0, 0);
        QLabel* under = lbl("lblTab(" + std::to_string(i) + ")", TabLabelCaptions[i], holder);
        under->setAlignment(Qt::AlignCenter);
        under->setAutoFillBackground(true);
        QPalette pl = under->palette();
        pl.setColor(QPalette::Window, palette().color(QPalette::Window));
        under->setPalette(pl);
        QFont f = under->font();
        f.setBold(true);
        under->setFont(f);
        under->setMinimumSize(140, 28);
        auto* b = make<QPushButton>(TabButtonNames[i], Kind::Other, holder);
        b->setText(QString::fromLatin1(TabCaptions[i]));
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        b->setMinimumSize(140, 28);
        b->setStyleSheet(
            QStringLiteral("QPushButton{color:white;background:#3d6299;border:1px solid #1b3057;"
                           "padding:3px 10px;}"
                           "QPushButton:hover{background:#4f78b3;}"));
        stack->addWidget(under, 0, 0);
        stack->addWidget(b, 0, 0);
        tabButtons_[i] = b;
        tabLabels_[i] = under;
        connect(b, &QPushButton::clicked, this, [this, i] { selectTab(i); });
        row->addWidget(holder);
    }
    row->addStretch(1);
    auto* modes = new QWidget(s);
    auto* ml = new QHBoxLayout(modes);
    ml->setContentsMargins(8, 0, 8, 4);
    for (auto [name, caption] :
         {std::pair{"ModifyOpt", "Modify Mode"}, std::pair{"WriteOpt", "Write Mode"}}) {
        auto* r = make<QRadioButton>(name, Kind::Option, modes);
        r->setText(QString::fromLatin1(caption));
        // White caption on the strip; the indicator keeps its own dark mark.
        QPalette rp = r->palette();
        rp.setColor(QPalette::WindowText, Qt::white);
        r->setPalette(rp);
        QFont rf = r->font();
        rf.setBold(true);
        r->setFont(rf);
        r->setAutoExclusive(true);
        std::string n = name;
        connect(r, &QRadioButton::clicked, this, [this, n] { forwardClick(n, 1); });
        if (editor_.has_handler(n, ControlEvent::KeyPress))
            r->installEventFilter(this);
        ml->addWidget(r);
    }
    row->addWidget(modes);
    return s;
}

// Page "Freq. && Codes".
QWidget* Form1::buildPage1(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QString::fromLatin1(PageNames[0]));
    ctls_[PageNames[0]] = Ctl{page, Kind::Other};
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);

    // Frequency
    QGroupBox* fq = frame("fraFrequency", QStringLiteral("Frequency"), page);
    auto* g = new QGridLayout(fq);
    g->setVerticalSpacing(4);
    int r = 0;
    g->addWidget(lbl("lblFreq", QStringLiteral("Freq."), fq), r, 0);
    auto* freqRow = new QHBoxLayout;
    QWidget* freq = txt("txtFreq", fq);
    freq->setMinimumWidth(70);
    freqRow->addWidget(freq);
    freqRow->addWidget(lbl("lblFreqUnit", QStringLiteral("00Hz"), fq));
    g->addLayout(freqRow, r++, 1);
    const std::pair<const char*, const char*> rows[] = {{"lblRange", "Range"},
                                                        {"lblRoHS", "Spacing"},
                                                        {"lblBaud", "Baud Rate"},
                                                        {"lblBand", "Bandwidth"},
                                                        {"lblPol", "Polarity"}};
    const char* lists[] = {"cboDft", "cboRoHS", "cboCtl(9)", "cboCtl(0)", "cboCtl(5)"};
    for (int i = 0; i < 5; ++i) {
        g->addWidget(lbl(rows[i].first, rows[i].second, fq), r, 0);
        g->addWidget(cbo(lists[i], fq), r++, 1);
        buddies_[rows[i].first] = lists[i];
    }
    g->addWidget(lbl("lblSN", QStringLiteral("Serial No."), fq), r, 0);
    auto* sn = make<QLineEdit>("textSN", Kind::Text, fq);
    sn->setReadOnly(true);
    sn->setFocusPolicy(Qt::NoFocus);
    g->addWidget(sn, r++, 1);
    const std::pair<const char*, const char*> pll[] = {{"lblBfreq", "BFreq:"},
                                                       {"lblPLLN", "PLL-N:"},
                                                       {"lblPLLR", "PLL-R:"},
                                                       {"lblINCD", "Incd:"},
                                                       {"lblCHANNEL", "Channel:"}};
    for (auto [name, caption] : pll) {
        g->addWidget(lbl(std::string(name) + "Caption", caption, fq), r, 0);
        QLabel* v = lbl(name, QString(), fq);
        v->setStyleSheet(QStringLiteral("color:#1b3d7a;"));
        v->setMinimumWidth(70);
        g->addWidget(v, r++, 1);
    }
    g->setRowStretch(r, 1);
    grid->addWidget(fq, 0, 0, 2, 1);

    // Capcodes with their function bits
    QGroupBox* cc = frame("fraCapcode", QStringLiteral("Capcode( Decimal Address )"), page);
    auto* c = new QGridLayout(cc);
    c->setHorizontalSpacing(6);
    c->setVerticalSpacing(5);
    c->addWidget(lbl("lblDispCaption", QStringLiteral("Disable && Disp:"), cc), 0, 4);
    c->addWidget(lbl("lblTypeCaption", QStringLiteral("Type:"), cc), 0, 5);
    c->addWidget(lbl("lblPriCaption", QStringLiteral("Priority:"), cc), 0, 6);
    for (int i = 0; i < 8; ++i) {
        const int row = i + 1;
        c->addWidget(lbl(ctl("lblCap", i), QStringLiteral("Cap #%1").arg(i + 1), cc), row, 0);
        QWidget* a = txt(ctl("txtAddr", i), cc);
        a->setMinimumWidth(70);
        c->addWidget(a, row, 1);
        c->addWidget(chk(ctl("chkCtl", 30 + i), QStringLiteral("ON"), cc), row, 2);
        c->addWidget(cmd(ctl("cmdFunc", i), QStringLiteral("Fun. Bit"), cc), row, 3);
        for (auto [base, col] :
             {std::pair{"tlblDisp", 4}, std::pair{"tlblType", 5}, std::pair{"tlblPri", 6}}) {
            QLabel* s = lbl(ctl(base, i), QStringLiteral("----"), cc);
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
    QGroupBox* ai = frame("fraAutoInc", QStringLiteral("Auto Increase 1 After Write"), page);
    auto* av = new QVBoxLayout(ai);
    av->addWidget(chk("optAuto1", QStringLiteral("1st Capcode Auto Increase"), ai));
    av->addWidget(chk("optAuto2", QStringLiteral("2nd Capcode Auto Increase"), ai));
    grid->addWidget(ai, 1, 1);

    // Message type and alert lengths
    QGroupBox* al = frame("fraAlert", QStringLiteral("Message Type and Alert Length"), page);
    auto* t = new QGridLayout(al);
    t->setVerticalSpacing(2);
    t->setHorizontalSpacing(10);
    t->addWidget(cmd("cmdAlert", QStringLiteral("Alert Length Select"), al), 0, 0, 1, 4);
    t->addWidget(lbl("lblLengthCaption", QStringLiteral("Alert Length"), al), 1, 1);
    t->addWidget(lbl("lblMemoryCaption", QStringLiteral("Memory(KB)"), al), 1, 2);
    t->addWidget(lbl("lblHistoryCaption", QStringLiteral("History"), al), 1, 3);
    const char* const rowCaptions[16] = {"PG", "M1", "M2", "M3", "M4", "M5", "M6", "M7",
                                         "M8", "M9", "MA", "MB", "MC", "MD", "ME", "MF"};
    for (int i = 0; i < 16; ++i) {
        t->addWidget(lbl(ctl("lblAlertRow", i), rowCaptions[i], al), i + 2, 0);
        for (auto [base, col] :
             {std::pair{"lblLength", 1}, std::pair{"lblMemory", 2}, std::pair{"lblHistory", 3}}) {
            QLabel* v = lbl(ctl(base, i), QString(), al);
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
    page->setObjectName(QString::fromLatin1(PageNames[1]));
    ctls_[PageNames[1]] = Ctl{page, Kind::Other};
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);

    // Prompts: logo, language, logo font, date display
    QGroupBox* pr = frame("fraPrompts", QStringLiteral("Prompts"), page);
    auto* p = new QGridLayout(pr);
    p->setVerticalSpacing(4);
    p->addWidget(lbl("lblLogo", QStringLiteral("Power Up Logo"), pr), 0, 0);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(txt(ctl("txtPrompt", 0), pr));
    for (auto [base, caption] :
         {std::pair{"optLeft", "L"}, std::pair{"optCenter", "C"}, std::pair{"optRight", "R"}}) {
        QWidget* b = cmd(ctl(base, 1), caption, pr);
        b->setFixedWidth(28);
        logoRow->addWidget(b);
    }
    logoRow->addStretch(1);
    p->addLayout(logoRow, 0, 1);
    p->addWidget(lbl("lblLng", QStringLiteral("Prompt Language Type"), pr), 1, 0);
    p->addWidget(cbo("cboLng", pr), 1, 1);
    p->addWidget(lbl("lblLogoFont", QStringLiteral("Logo Font"), pr), 2, 0);
    p->addWidget(cbo("cboLogo", pr), 2, 1);
    p->addWidget(lbl("lblDate", QStringLiteral("Date Display Method"), pr), 3, 0);
    p->addWidget(cbo(ctl("cboCtl", 6), pr), 3, 1);
    grid->addWidget(pr, 0, 0);

    // Menu of pager
    QGroupBox* mn = frame("fraMenu", QStringLiteral("Menu Of Pager"), page);
    auto* m = new QGridLayout(mn);
    m->setVerticalSpacing(3);
    const char* const menuCaptions[7] = {"Zoom In/Out Off", "Set Scroll Off", "Set Time Off",
                                         "Set Alarm Off",   "Auto Sleep Off", "Pager Off Disable",
                                         "Set Alert Off"};
    for (int i = 0; i < 7; ++i)
        m->addWidget(chk(ctl("chkMenu", i), menuCaptions[i], mn), i % 4, i / 4);
    m->addWidget(lbl("lblTone", QStringLiteral("Alert Tone"), mn), 4, 0);
    m->addWidget(cbo("cboTone", mn), 4, 1);
    m->addWidget(lbl("lblZoom", QStringLiteral("Zoom"), mn), 5, 0);
    m->addWidget(cbo("cboZoom", mn), 5, 1);
    buddies_["lblTone"] = "cboTone";
    buddies_["lblZoom"] = "cboZoom";
    const std::pair<int, const char*> keys[] = {{11, "Lock/Unlock Disable"},
                                                {12, "Delete Disable"},
                                                {13, "Del. All Disable"},
                                                {14, "Move To Memo Disable"}};
    int kr = 6;
    for (auto [i, caption] : keys) {
        m->addWidget(chk(ctl("chkCtl", i), caption, mn), kr / 2 + 3, kr % 2);
        ++kr;
    }
    grid->addWidget(mn, 1, 0);

    // Manual write
    QGroupBox* mw = frame("fraManual", QStringLiteral("Manual Write"), page);
    auto* w = new QGridLayout(mw);
    w->setVerticalSpacing(3);
    const std::pair<int, const char*> manual[] = {{4, "Frequency Modification Enable"},
                                                  {7, "Password Modification Enable "},
                                                  {5, "Password Required Enable"},
                                                  {16, "Manual Write Enable"},
                                                  {15, "History Disable"}};
    int mr = 0;
    for (auto [i, caption] : manual) {
        w->addWidget(chk(ctl("chkCtl", i), caption, mw), mr / 2, mr % 2);
        ++mr;
    }
    int pr2 = 3;
    for (int i : {29, 30, 71, 70}) {
        QLabel* l = lbl(ctl("lblPrompt", i), QString(), mw);
        w->addWidget(l, pr2, 0);
        w->addWidget(txt(ctl("txtPrompt", i), mw), pr2++, 1);
    }
    grid->addWidget(mw, 2, 0);

    // Alerts and status
    QGroupBox* as = frame("fraStatus", QStringLiteral("Alerts and Status"), page);
    auto* s = new QGridLayout(as);
    s->setVerticalSpacing(3);
    s->setHorizontalSpacing(8);
    int sr = 0;
    const std::pair<int, const char*> boxes[] = {
        {8, "Beep And Vibration "},      {6, "Lowcell Alert ON"},
        {0, "Disp Source Addr ON"},      {1, "Long Message Control Enable"},
        {2, "Counter Out Enable"},       {54, "Duplicate Msg Detect"},
        {9, "Remove First Two Char."},   {18, "Discard Error Msg"},
        {19, "Air Program Enable"},      {29, "Ext. Charger's Beeper"},
        {17, "Push Key Lamp On Enable"}, {20, "Direct Show Lamp On"},
        {3, "RD Key Delete Enable"},     {21, "RD Key Pager Off"},
        {10, "Rechargeable Bat. 2.4V"}};
    for (auto [i, caption] : boxes) {
        s->addWidget(chk(ctl("chkCtl", i), caption, as), sr / 2, sr % 2);
        ++sr;
    }
    int row = (sr + 1) / 2;
    auto pair = [&](const std::string& label, const QString& caption, QWidget* field) {
        s->addWidget(lbl(label, caption, as), row, 0);
        s->addWidget(field, row++, 1);
    };
    pair("lblLamp", QStringLiteral("Lamp Mode"), cbo(ctl("cboCtl", 3), as));
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
            cl->addWidget(lbl(ctl("lblBatLev", k + set), levelCaptions[k], captions), 0, 0);
            fl->addWidget(cbo(ctl("cboBatLev", k + set), fields), 0, 0);
            buddies_[ctl("lblBatLev", k + set)] = ctl("cboBatLev", k + set);
        }
        s->addWidget(captions, row, 0);
        s->addWidget(fields, row++, 1);
    }
    pair("lblCtl2", QStringLiteral("Alert Time"), cbo(ctl("cboCtl", 2), as));
    pair("lblCtl4", QStringLiteral("Time Out"), cbo(ctl("cboCtl", 4), as));
    pair("lblSLC", QStringLiteral("Sequential Lockout"), cbo("cboSLC", as));
    pair("lblORC", QStringLiteral("Out-of Service"), cbo("cboORC", as));
    QWidget* pass = txt("txtPass", as);
    pair("lblPass", QStringLiteral("Password(4 Dec)"), pass);
    auto* contrastRow = new QWidget(as);
    auto* cr = new QHBoxLayout(contrastRow);
    cr->setContentsMargins(0, 0, 0, 0);
    auto* slider = make<EbSlider>("Slider1", Kind::Slider, contrastRow);
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
    QLabel* value = lbl("lblContrastValue", QStringLiteral("4"), contrastRow);
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
    page->setObjectName(QString::fromLatin1(PageNames[2]));
    ctls_[PageNames[2]] = Ctl{page, Kind::Other};
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
        QLabel* l = lbl(ctl("lblPrompt", i), QString(), page);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(l, row, col);
        grid->addWidget(txt(ctl("txtPrompt", i), page), row, col + 1);
    }
    auto* tools = new QHBoxLayout;
    tools->addStretch(1);
    for (auto [base, caption] :
         {std::pair{"optLeft", "L"}, std::pair{"optCenter", "C"}, std::pair{"optRight", "R"}}) {
        QWidget* b = cmd(ctl(base, 0), caption, page);
        b->setFixedWidth(30);
        tools->addWidget(b);
    }
    tools->addWidget(cmd(ctl("optDefault", 0), QStringLiteral("Load Default"), page));
    grid->addLayout(tools, perColumn, 0, 1, 6);
    return page;
}

// Page "Source Prompts".
QWidget* Form1::buildPage6(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QString::fromLatin1(PageNames[3]));
    ctls_[PageNames[3]] = Ctl{page, Kind::Other};
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    for (int k = 0; k < 32; ++k) {
        const int i = 33 + k;
        const int col = (k / 11) * 3;
        const int row = k % 11;
        grid->addWidget(chk(ctl("chkSource", i), QString(), page), row, col);
        QLabel* l = lbl(ctl("lblPrompt", i), QString(), page);
        grid->addWidget(l, row, col + 1);
        grid->addWidget(txt(ctl("txtPrompt", i), page), row, col + 2);
    }
    auto* tools = new QHBoxLayout;
    tools->addWidget(lbl("lblSource", QStringLiteral("Prompt Control"), page));
    tools->addWidget(cbo("cboSource", page));
    tools->addStretch(1);
    for (auto [base, caption] :
         {std::pair{"optLeft", "L"}, std::pair{"optCenter", "C"}, std::pair{"optRight", "R"}}) {
        QWidget* b = cmd(ctl(base, 2), caption, page);
        b->setFixedWidth(30);
        tools->addWidget(b);
    }
    tools->addWidget(cmd(ctl("optDefault", 1), QStringLiteral("Load Default"), page));
    grid->addLayout(tools, 11, 0, 1, 9);
    return page;
}

// ---------------------------------------------------------------------------------------
// Geometry

void Form1::recordDesignGeometry() {
    std::function<void(QWidget*)> visit = [&](QWidget* w) {
        for (QObject* o : w->children()) {
            auto* c = qobject_cast<QWidget*>(o);
            if (!c || c->isWindow())
                continue;
            const QRect r = c->geometry();
            DesignGeometry g{double(r.x()), double(r.y()), double(r.width()), double(r.height()),
                             c->font().pointSizeF()};
            design_[c] = g;
            scaled_.push_back(c);
            // The layout record goes behind the descriptor text, as the binding expects.
            std::string tag;
            if (auto it = names_.find(c);
                it != names_.end() && editor_.controls().contains(it->second))
                tag = editor_.controls().at(it->second).tag;
            c->setProperty("tag", QString::fromStdString(append_layout_record(tag, g)));
            visit(c);
        }
    };
    visit(central_);
}

DesignGeometry Form1::designGeometry(const std::string& name) const {
    if (QWidget* w = control(name)) {
        auto it = design_.find(w);
        if (it != design_.end())
            return it->second;
    }
    return {};
}

void Form1::applyScaling() {
    if (!built_ || designSize_.isEmpty())
        return;
    const ScaleFactors f = scale_factors(designSize_.width(), designSize_.height(),
                                         central_->width(), central_->height());
    // Where each container sits at design size, in window coordinates; containers come
    // before what they hold.
    std::map<QWidget*, QPointF> origins;
    for (QWidget* w : scaled_) {
        // The geometry comes from the layout record in the control's tag.
        auto g = parse_layout_record(w->property("tag").toString().toStdString());
        if (!g)
            continue;
        const bool hidden = w->isHidden();
        const QPointF origin = origins[w->parentWidget()];
        origins[w] = origin + QPointF(g->left, g->top);
        const ScaledGeometry s = scale_geometry(*g, f, origin.x(), origin.y());
        if (g->fontSize > 0) {
            QFont font = w->font();
            font.setPointSizeF(std::max(1.0, s.fontSize));
            w->setFont(font);
        }
        w->setGeometry(s.left, s.top, s.width, s.height);
        w->setHidden(hidden);
    }
    if (auto* marks = static_cast<MarkScaleStyle*>(markStyle_)) {
        marks->scale = f.font();
        for (auto& [name, c] : ctls_)
            if (c.kind == Kind::Check || c.kind == Kind::Option)
                c.widget->updateGeometry();
    }
    applyPromptWidths();
}

void Form1::applyPromptWidths() {
    // Entries sized in blanks of their own font (the prompt editor widths).
    for (auto& [name, c] : ctls_) {
        if (c.kind != Kind::Text || !editor_.controls().contains(name))
            continue;
        const ControlState& st = editor_.controls().at(name);
        if (st.widthInBlanks <= 0)
            continue;
        c.widget->resize(blanks_width(c.widget->font(), st.widthInBlanks), c.widget->height());
    }
}

// ---------------------------------------------------------------------------------------
// Rendering

QWidget* Form1::control(const std::string& name) const {
    auto it = ctls_.find(name);
    return it == ctls_.end() ? nullptr : it->second.widget;
}

QAction* Form1::menuAction(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QWidget* Form1::tabStrip() const {
    return strip_;
}

void Form1::render() {
    ++dispatchDepth_;
    const ControlModel& model = editor_.controls();
    for (auto& [name, c] : ctls_)
        if (model.contains(name))
            renderControl(name, c);
    // A caption of the window's own follows the visibility of the control it names.
    for (const auto& [caption, field] : buddies_)
        if (model.contains(field) && !layoutPass_)
            control(caption)->setHidden(!model.at(field).visible);
    if (model.contains("Form1"))
        setWindowTitle(QString::fromStdString(model.at("Form1").text));
    else
        setWindowTitle(QString::fromStdString(editor_.caption()));
    applyPromptWidths();
    --dispatchDepth_;
}

void Form1::renderControl(const std::string& name, Ctl& c) {
    const ControlState& st = editor_.controls().at(name);
    QWidget* w = c.widget;
    const QSignalBlocker block(w);
    if (w->isEnabled() != st.enabled)
        w->setEnabled(st.enabled);
    // A page of its own decides what is in front; every other control follows the model.
    if (w->isHidden() == st.visible && c.kind != Kind::Other && !layoutPass_)
        w->setVisible(st.visible);
    const QString hint = QString::fromStdString(st.hint);
    if (w->toolTip() != hint)
        w->setToolTip(hint);
    const QString text = QString::fromStdString(st.text);
    switch (c.kind) {
    case Kind::Check: {
        auto* b = static_cast<QCheckBox*>(w);
        b->setChecked(st.value != 0);
        if (!st.text.empty() && b->text() != text)
            b->setText(text);
        break;
    }
    case Kind::Option: {
        auto* b = static_cast<QRadioButton*>(w);
        if (b->isChecked() != (st.value != 0))
            b->setChecked(st.value != 0);
        break;
    }
    case Kind::Combo: {
        auto* b = static_cast<QComboBox*>(w);
        QStringList items;
        for (const auto& i : st.items)
            items << QString::fromStdString(i);
        bool same = b->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i)
            same = b->itemText(i) == items[i];
        if (!same) {
            b->clear();
            b->addItems(items);
        }
        if (b->currentIndex() != st.value)
            b->setCurrentIndex(st.value < b->count() ? st.value : -1);
        break;
    }
    case Kind::Text: {
        auto* e = static_cast<QLineEdit*>(w);
        if (e->text() != text)
            e->setText(text);
        if (e->font().bold() != st.bold) {
            QFont f = e->font();
            f.setBold(st.bold);
            e->setFont(f);
        }
        break;
    }
    case Kind::Label: {
        auto* l = static_cast<QLabel*>(w);
        const QString t = shown(text);
        if (l->text() != t)
            l->setText(t);
        QPalette p = l->palette();
        if (p.color(QPalette::WindowText) != colour_of(st.foreColour)) {
            p.setColor(QPalette::WindowText, colour_of(st.foreColour));
            l->setPalette(p);
        }
        break;
    }
    case Kind::Button: {
        // Buttons, boxes and frames show a doubled ampersand as one by themselves.
        auto* b = static_cast<QPushButton*>(w);
        if (!st.text.empty() && b->text() != text)
            b->setText(text);
        break;
    }
    case Kind::Frame: {
        auto* g = static_cast<QGroupBox*>(w);
        if (!st.text.empty() && g->title() != text)
            g->setTitle(text);
        break;
    }
    case Kind::Slider: {
        auto* s = static_cast<EbSlider*>(w);
        if (s->Value() != st.value)
            s->setValue(st.value);
        break;
    }
    case Kind::Other:
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Events

void Form1::afterEvent() {
    // The widgets show the handler's result before the focus moves on: leaving an entry
    // stores what it shows.
    render();
    if (!editor_.state().focusRequest.empty()) {
        carryOutFocusRequest();
        render();
    }
}

void Form1::carryOutFocusRequest() {
    std::string want = editor_.state().focusRequest;
    if (want.empty())
        return;
    editor_.state().focusRequest.clear();
    QWidget* w = control(want);
    if (!w)
        return;
    // Focus handed back to an entry after a refusal keeps the typed text: no GotFocus.
    focusReturn_ = w;
    w->setFocus(Qt::OtherFocusReason);
    focusReturn_ = nullptr;
}

void Form1::forwardClick(const std::string& name, int value) {
    if (dispatchDepth_ > 0 && name != "Slider1")
        return;
    if (const ControlRoute* r = find_control_route(name); r && r->opensDialog) {
        runDialog(name, r->opensDialog);
        return;
    }
    ++dispatchDepth_;
    editor_.route(name, ControlEvent::Click, value);
    --dispatchDepth_;
    afterEvent();
}

void Form1::forwardText(const std::string& name, ControlEvent event) {
    ++dispatchDepth_;
    editor_.route(name, event);
    --dispatchDepth_;
    afterEvent();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == central_) {
        if (event->type() == QEvent::Resize)
            applyScaling();
        return false;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    auto it = names_.find(w);
    if (!w || it == names_.end())
        return QMainWindow::eventFilter(watched, event);
    const std::string name = it->second;
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit) {
        // Space on an option button with a key handler ("Write Mode" runs the Write command).
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
            editor_.route(name, ControlEvent::KeyPress, 32)) {
            afterEvent();
            w->setFocus(Qt::OtherFocusReason); // the focus returns to the button
            return true;
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::FocusIn: {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows (a message box coming and going) is no focus change here.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            w != focusReturn_ && editor_.controls().contains(name))
            forwardText(name, ControlEvent::GotFocus);
        break;
    }
    case QEvent::FocusOut: {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            editor_.controls().contains(name)) {
            editor_.controls()[name].text = edit->text().toStdString();
            forwardText(name, ControlEvent::LostFocus);
        }
        break;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        int ascii = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            ascii = 13;
        else if (!k->text().isEmpty())
            ascii = k->text().at(0).unicode();
        if (ascii == 0)
            break;
        ++dispatchDepth_;
        const bool swallowed = editor_.route(name, ControlEvent::KeyPress, ascii);
        --dispatchDepth_;
        if (swallowed) {
            afterEvent();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->isAutoRepeat() || !editor_.controls().contains(name))
            break;
        editor_.controls()[name].text = edit->text().toStdString();
        forwardText(name, ControlEvent::KeyUp);
        break;
    }
    default:
        break;
    }
    return false;
}

void Form1::keyPressEvent(QKeyEvent* e) {
    // Keys nothing else consumed: the keyboard serial-number scan.
    int ascii = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        ascii = 13;
    else if (!e->text().isEmpty())
        ascii = e->text().at(0).unicode();
    if (ascii > 0 && ascii < 256) {
        if (editor_.Form_KeyPress(ascii)) {
            afterEvent();
            e->accept();
            return;
        }
        afterEvent();
    }
    QMainWindow::keyPressEvent(e);
}

void Form1::selectTab(int index) {
    for (int i = 0; i < 4; ++i) {
        tabButtons_[i]->setVisible(i != index);
        pages_[i]->setVisible(i == index);
    }
    currentTab_ = index;
    strip_->raise();
    pages_[index]->raise();
    pages_[index]->setFocus(Qt::OtherFocusReason);
}

void Form1::showBoardState(bool connected) {
    // The state is the editor's: every later redraw shows it again.
    editor_.show_board_state(
        status_line(connected ? BoardState::Connected : BoardState::Disconnected));
    const ControlModel& m = editor_.controls();
    // Without a board the board's entries are off; the menu itself stays open for the
    // entries that need no board (the programming log).
    for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
        actions_[n]->setEnabled(m.at("mnuPager").enabled && m.at(n).enabled);
    render();
}

// ---------------------------------------------------------------------------------------
// Commands

void Form1::runPagerCommand(int kind) {
    const bool hadMonitor = timer1_.isActive();
    timer1_.stop();
    monitorWanted_ = false;
    const bool refusedFrequency = editor_.flags().FreqErrorPending;
    // Any entry being edited is left (and so stored) before the command looks at anything;
    // a frequency the entry has just refused is not committed a second time.
    if (!refusedFrequency && !(kind == 1 && !editor_.isWriteMode())) {
        strip_->setFocus(Qt::OtherFocusReason);
        editor_.state().focusRequest.clear();
    }
    QCoreApplication::processEvents();
    bool open = false;
    ++dispatchDepth_;
    if (kind == 0)
        open = editor_.mnuEntire_Click();
    else if (kind == 1)
        open = editor_.mnuEB_Click();
    else
        open = editor_.mnuEB1_Click();
    // The dropped command ends the refused entry: it shows the stored frequency again.
    if (refusedFrequency && !editor_.flags().FreqErrorPending)
        editor_.read_freq();
    --dispatchDepth_;
    afterEvent();
    if (open && programmer_) {
        Form2 dialog(editor_, *programmer_, this);
        // Writing and verifying compare pager codes; the texts go back when the dialog ends.
        std::optional<PagerCodesScope> codes;
        if (kind != 0)
            codes.emplace(programmer_->editorHooks());
        emit dialogOpened(&dialog);
        dialog.exec();
        codes.reset();
        render();
    }
    monitorWanted_ = true;
    if (programmer_ && (hadMonitor || startupDone_) && !closing_)
        timer1_.start();
}

void Form1::setStationPorts(StationPorts ports) {
    stationPorts_ = std::move(ports);
    actions_["mnuStation"]->setEnabled(static_cast<bool>(stationPorts_.list));
}

void Form1::mnuStation_Click() {
    if (!stationPorts_.list)
        return;
    // The single-board link leaves the ports alone while the station has them.
    const bool hadMonitor = timer1_.isActive();
    timer1_.stop();
    monitorWanted_ = false;
    strip_->setFocus(Qt::OtherFocusReason); // an entry being edited is stored first
    editor_.state().focusRequest.clear();
    if (programmer_)
        programmer_->runAndWait([] {});
    {
        StationDialog dialog(editor_, stationPorts_, this);
        dialog.useLedger(programmer_ ? programmer_->ledgerUrl() : product_ledger_url());
        emit dialogOpened(&dialog);
        dialog.exec();
    }
    render();
    monitorWanted_ = true;
    if (programmer_ && (hadMonitor || startupDone_) && !closing_)
        timer1_.start();
}

void Form1::monitorTick() {
    if (!programmer_)
        return;
    timer1_.stop(); // a tick never overlaps itself; the tick enables the timer again
    programmer_->monitorTick();
}

void Form1::mnuEntire_Click() {
    runPagerCommand(0);
}
void Form1::mnuEB_Click() {
    runPagerCommand(1);
}
void Form1::mnuEB1_Click() {
    runPagerCommand(2);
}

void Form1::mnuLog_Click() {
    const std::string url = programmer_ ? programmer_->ledgerUrl() : product_ledger_url();
    LedgerLogDialog dialog(url, product_ledger_file(), messages_, this);
    // The ledger chosen there is the window's from now on, and its setting.
    connect(&dialog, &LedgerLogDialog::ledgerChosen, this, [this](const QString& chosen) {
        set_product_ledger_url(chosen.toStdString());
        if (programmer_)
            programmer_->setLedgerUrl(chosen.toStdString());
    });
    emit dialogOpened(&dialog);
    dialog.exec();
}

QString Form1::chooseFile(bool save) {
    if (fileDialogHook_)
        return fileDialogHook_(save);
    const QString folder = QString::fromStdString(editor_.flags().ProgramFolder);
    const QString filter = QStringLiteral("Table files (*.tbl);;Profiles (*.yaml)");
    if (!save)
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder, filter);
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), folder, filter,
                                                &chosenFilter, QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension gets the chosen kind's: "(*.yaml)" -> ".yaml".
    const qsizetype star = chosenFilter.indexOf(QStringLiteral("*."));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && star >= 0)
        path += chosenFilter.mid(star + 1).chopped(1);
    return path;
}

void Form1::mnuLBFF_Click() {
    const QString path = chooseFile(false);
    if (path.isEmpty())
        return;
    ++dispatchDepth_;
    if (is_profile_path(path.toStdString()))
        openProfile(path.toStdString());
    else
        editor_.mnuLBFF_Click(path.toStdString());
    --dispatchDepth_;
    afterEvent();
}

void Form1::openProfile(const std::string& path) {
    const ProfileResult r = open_profile_in_editor(editor_, path);
    if (r.ok()) {
        editor_.set_current_file(path);
        return;
    }
    // The editor is untouched; every problem is listed, each with its line.
    const std::string name = std::filesystem::path(path).filename().string();
    std::string text;
    for (const ProfileProblem& p : r.problems)
        text += (text.empty() ? "" : "\n") + describe_problem(p, name);
    messages_.message(text, MessageIcon::Critical);
}

void Form1::saveProfile(const std::string& path) {
    std::string error;
    if (save_profile_file(editor_, path, error))
        editor_.set_current_file(path);
    else
        messages_.message(error, MessageIcon::Critical);
}

void Form1::mnuSA_Click() {
    const QString path = chooseFile(true);
    if (path.isEmpty())
        return;
    ++dispatchDepth_;
    if (!is_profile_path(path.toStdString()))
        editor_.mnuSA_Click(path.toStdString());
    else if (editor_.may_overwrite(path.toStdString()))
        saveProfile(path.toStdString());
    --dispatchDepth_;
    afterEvent();
}

void Form1::mnuSBTF_Click() {
    strip_->setFocus(Qt::OtherFocusReason);
    ++dispatchDepth_;
    // After a profile was opened or saved, Save writes that profile, never a table file
    // under its name.
    if (is_profile_path(editor_.flags().CurrentTablePath))
        saveProfile(editor_.flags().CurrentTablePath);
    else
        editor_.mnuSBTF_Click();
    --dispatchDepth_;
    afterEvent();
}

void Form1::mnuAbout_Click() {
    frmAbout about(QString::fromStdString(programmer_ ? programmer_->link().LinkKind
                                                      : std::string(LinkKindUsb)),
                   this);
    emit dialogOpened(&about);
    about.exec();
}

void Form1::mnuFirmware_Click() {
    if (programmer_)
        programmer_->checkFirmware();
}

void Form1::mnuExit_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* e) {
    if (!closing_) {
        closing_ = true;
        timer1_.stop();
        timer2_.stop();
        if (programmer_)
            programmer_->shutdown(); // releases the board when one is known
    }
    e->accept();
    QCoreApplication::quit();
}

void Form1::runDialog(const std::string& button, const std::string& form) {
    editor_.route(button, ControlEvent::Click); // fills the dialog's controls
    render();
    std::unique_ptr<BoundDialog> dialog;
    if (form == "Form5")
        dialog = std::make_unique<Form5>(editor_, this);
    else
        dialog = std::make_unique<Form6>(editor_, this);
    emit dialogOpened(dialog.get());
    dialog->exec();
    render();
}

void Form1::startUp(const QString& programFolder, std::function<void()> done) {
    // The editor and this window were built with the default image. The settings
    // (default.tbl or the band defaults) are put in place at once, so what the window shows
    // is final while the board search runs on the link thread: nothing typed during the
    // search is overwritten when it ends. The monitor starts after both.
    editor_.flags().ProgramFolder = programFolder.toStdString();
    ++dispatchDepth_;
    editor_.startup_finish(programFolder.toStdString());
    --dispatchDepth_;
    afterEvent();
    auto finish = [this, done] {
        startupDone_ = true;
        monitorWanted_ = true;
        if (programmer_ && !closing_)
            timer1_.start();
        if (done)
            done();
    };
    if (programmer_)
        programmer_->startupConnect(finish);
    else
        finish();
}

} // namespace kpr
