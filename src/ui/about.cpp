#include "ui/about.h"

#include "ui/ncommand.h"
#include "ui/product_text.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace kpr {

namespace {
void paintBackground(QWidget* w, const QRect& r) {
    QPainter p(w);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x1d, 0x3a, 0x6e));
    g.setColorAt(1, QColor(0x3f, 0x6f, 0xb6));
    p.fillRect(w->rect(), QColor(0x10, 0x22, 0x44));
    p.fillRect(r, g);
    p.setPen(QColor(255, 255, 255, 30));
    for (int x = r.left() - r.height(); x < r.right(); x += 18)
        p.drawLine(x, r.bottom(), x + r.height(), r.top());
}

QLabel* label(QWidget* parent, const char* name, const QString& text, double scale, bool bold) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * scale);
    f.setBold(bold);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color:white;background:transparent;"));
    return l;
}
} // namespace

frmAbout::frmAbout(const QString& linkKind, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(18, 10, 10, 16);
    auto* head = new QHBoxLayout;
    head->addWidget(label(this, "Label2", QStringLiteral("About"), 1.0, true));
    addTitleRow(this, head, top);
    top->addWidget(label(this, "lblTitle",
                         QString::fromStdString(about_title(linkKind.toStdString())), 1.6, true));
    top->addWidget(label(this, "lblVersion", QString::fromLatin1(AboutVersion), 1.0, false));
    top->addSpacing(6);
    top->addWidget(label(this, "lblModel", QString::fromStdString(about_model_note()), 1.0, false));
    top->addSpacing(6);
    top->addWidget(label(this, "lblDescription", QString::fromLatin1(CopyrightLine), 0.9, false));
    addOkRow(this, top);
}

void frmAbout::paintEvent(QPaintEvent*) {
    paintBackground(this, rect());
}

frmSplash::frmSplash(const QString& linkKind, std::function<void()> showMain, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      showMain_(std::move(showMain)) {
    setObjectName(QStringLiteral("frmSplash"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(30, 26, 30, 22);
    top->addWidget(label(this, "lblProductName",
                         QString::fromStdString(splash_product_line(linkKind.toStdString())), 2.0,
                         true));
    top->addWidget(
        label(this, "lblPlatformAndVersion", QString::fromLatin1(PlatformAndVersion), 1.0, false));
    top->addStretch(1);
    top->addWidget(label(this, "lblCopyright", QString::fromLatin1(CopyrightLine), 0.9, false));
    resize(480, 220);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorSet_ = true;
    timer1_.setInterval(500);
    timer2_.setInterval(500);
    timer1_.setSingleShot(true);
    timer2_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, [this] {
        timer1_.stop();
        if (showMain_)
            showMain_();
    });
    connect(&timer2_, &QTimer::timeout, this, [this] {
        timer2_.stop();
        close();
    });
    timer1_.start();
}

frmSplash::~frmSplash() {
    if (cursorSet_)
        QApplication::restoreOverrideCursor();
}

void frmSplash::closeEvent(QCloseEvent* e) {
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
    QWidget::closeEvent(e);
}

void frmSplash::paintEvent(QPaintEvent*) {
    // The background picture sits 15 twips (one pixel) in from each edge.
    paintBackground(this, rect().adjusted(1, 1, -1, -1));
}

} // namespace kpr
