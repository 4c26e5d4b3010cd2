#include "ui/ncommand.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace kpr {

namespace {
const QColor DisabledCaption(0xC0, 0xC0, 0xC0);

// The "up" and "down" pictures: a raised and a sunken blue plate.
void drawPlate(QPainter& p, const QRect& r, bool down) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (down) {
        g.setColorAt(0, QColor(0x1a, 0x3f, 0x7a));
        g.setColorAt(1, QColor(0x3a, 0x6e, 0xb5));
    } else {
        g.setColorAt(0, QColor(0x5b, 0x8f, 0xd6));
        g.setColorAt(1, QColor(0x23, 0x4f, 0x94));
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x10, 0x2a, 0x55), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}
} // namespace

Ncommand::Ncommand(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void Ncommand::setCaption(const QString& c) {
    caption_ = c;
    updateGeometry();
    update();
}

void Ncommand::setUpColor(const QColor& c) {
    upColor_ = c;
    update();
}

QColor Ncommand::captionColour() const {
    if (!isEnabled())
        return DisabledCaption;
    return down_ ? dnColor_ : upColor_;
}

QPoint Ncommand::captionOrigin() const {
    QFontMetrics fm(font());
    const int w = fm.horizontalAdvance(caption_);
    const int h = fm.height();
    // Whole part of the centred position plus one half, as the caption label is placed: a
    // caption wider than the button truncates towards zero, which rounding would not.
    // NOLINTBEGIN(bugprone-incorrect-roundings)
    return QPoint(static_cast<int>((width() - w) / 2.0 + 0.5),
                  static_cast<int>((height() - h) / 2.0 + 0.5));
    // NOLINTEND(bugprone-incorrect-roundings)
}

QSize Ncommand::sizeHint() const {
    QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(caption_) + 24, fm.height() + 10);
}

void Ncommand::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawPlate(p, rect(), down_);
    p.setPen(captionColour());
    const QPoint o = captionOrigin();
    QFontMetrics fm(font());
    p.drawText(QRect(o, QSize(fm.horizontalAdvance(caption_) + 1, fm.height())), Qt::AlignCenter,
               caption_);
    if (hasFocus()) {
        p.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5), 3, 3);
    }
}

// Only the left button presses and clicks the buttons: a right click is no command.
void Ncommand::mousePressEvent(QMouseEvent* e) {
    if (!isEnabled() || e->button() != Qt::LeftButton)
        return;
    down_ = true;
    update();
}

void Ncommand::mouseReleaseEvent(QMouseEvent* e) {
    if (!isEnabled() || !down_ || e->button() != Qt::LeftButton)
        return;
    down_ = false;
    update();
    if (rect().contains(e->position().toPoint()))
        emit Click();
}

void Ncommand::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void Ncommand::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) {
        down_ = false;
        update();
    } else if (e->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    }
    QWidget::changeEvent(e);
}

CloseButton::CloseButton(QWidget* parent) : QWidget(parent) {
    setFixedSize(255 / 15, 270 / 15);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Close"));
}

void CloseButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QColor(0x6b, 0x10, 0x10));
    p.setBrush(down_ ? QColor(0x8e, 0x1c, 0x1c) : QColor(0xd0, 0x3b, 0x3b));
    p.drawRoundedRect(r, 3, 3);
    p.setPen(QPen(Qt::white, 2));
    const qreal m = 5 + (down_ ? 1 : 0);
    p.drawLine(QPointF(m, m), QPointF(width() - m, height() - m));
    p.drawLine(QPointF(width() - m, m), QPointF(m, height() - m));
}

void CloseButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    down_ = true;
    update();
}

void CloseButton::mouseReleaseEvent(QMouseEvent* e) {
    if (!down_ || e->button() != Qt::LeftButton)
        return;
    down_ = false;
    update();
    if (rect().contains(e->position().toPoint()))
        emit Click();
}

Ncommand* addOkRow(QDialog* dialog, QVBoxLayout* layout) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new Ncommand(dialog);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setCaption(QStringLiteral("OK"));
    ok->setMinimumSize(90, 28);
    QObject::connect(ok, &Ncommand::Click, dialog, &QDialog::accept);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    return ok;
}

CloseButton* addTitleRow(QDialog* dialog, QHBoxLayout* head, QVBoxLayout* layout) {
    head->addStretch(1);
    auto* close = new CloseButton(dialog);
    close->setObjectName(QStringLiteral("Close1"));
    QObject::connect(close, &CloseButton::Click, dialog, &QDialog::accept);
    head->addWidget(close, 0, Qt::AlignTop);
    layout->addLayout(head);
    return close;
}

} // namespace kpr
