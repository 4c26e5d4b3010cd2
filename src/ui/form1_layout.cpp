#include "ui/form1.h"

#include "editor/editor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>

// The window's layout: the tab strip, where the pages and the status line sit, and how every
// control follows the window's size.
namespace kpr {

namespace {

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

const char* const TabButtonNames[4] = {"EMoptCode", "EMoptStatus", "EMoptPrompts", "EMoptSource"};

// The smallest size the window can be made, as a share of its design size: the captions of
// the smallest fonts still read there.
constexpr double MinimumScale = 0.6;

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
    lblMsg_ = binder_.label("lblMsg", binder_.caption("lblMsg"), central_);
    lblMsg_->setFrameShape(QFrame::StyledPanel);
    lblMsg_->setFrameShadow(QFrame::Sunken);
    lblMsg_->setContentsMargins(4, 1, 4, 1);
    auto* marks = new MarkScaleStyle;
    marks->setParent(this);
    markStyle_ = marks;
    for (QWidget* w : binder_.widgets({ControlBinder::Kind::Check, ControlBinder::Kind::Option}))
        w->setStyle(marks);
    // Captions, list entries and limits are in place before the layouts measure them;
    // every control takes its place, shown or not.
    layoutPass_ = true;
    render();
    layoutPass_ = false;
    // A list's arrow keeps its pixel width while its text shrinks with the window: room for
    // that at the smallest size.
    for (QWidget* w : binder_.widgets({ControlBinder::Kind::Combo}))
        w->setMinimumWidth(w->sizeHint().width() + 16);

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
    binder_.bind("picTabBack", s, ControlBinder::Kind::Other);
    auto* row = new QHBoxLayout(s);
    row->setContentsMargins(6, 5, 6, 0);
    row->setSpacing(4);
    for (int i = 0; i < 4; ++i) {
        // The label beneath shows through when its button is hidden: the active tab.
        auto* holder = new QWidget(s);
        auto* stack = new QGridLayout(holder);
        stack->setContentsMargins(0, 0, 0, 0);
        const std::string label = ctl("lblTab", i);
        QLabel* under = binder_.label(label, binder_.caption(label), holder);
        under->setAlignment(Qt::AlignCenter);
        under->setAutoFillBackground(true);
        QPalette pl = under->palette();
        pl.setColor(QPalette::Window, palette().color(QPalette::Window));
        under->setPalette(pl);
        QFont f = under->font();
        f.setBold(true);
        under->setFont(f);
        under->setMinimumSize(140, 28);
        auto* b = binder_.make<QPushButton>(TabButtonNames[i], ControlBinder::Kind::Other, holder);
        b->setText(binder_.caption(TabButtonNames[i]));
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
    for (const char* name : {"ModifyOpt", "WriteOpt"}) {
        auto* r = binder_.make<QRadioButton>(name, ControlBinder::Kind::Option, modes);
        r->setText(binder_.caption(name));
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
            if (const std::string* name = binder_.nameOf(c);
                name && editor_.controls().contains(*name))
                tag = editor_.controls().at(*name).tag;
            c->setProperty("tag", QString::fromStdString(append_layout_record(tag, g)));
            visit(c);
        }
    };
    visit(central_);
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
        for (QWidget* w :
             binder_.widgets({ControlBinder::Kind::Check, ControlBinder::Kind::Option}))
            w->updateGeometry();
    }
    binder_.applyEntryWidths(editor_.controls());
}

} // namespace kpr
