#include "ui/eb_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <qdrawutil.h>

namespace kpr {

EbSlider::EbSlider(QWidget* parent)
    : QWidget(parent), sliderColor_(palette().color(QPalette::Button)) {
    setFocusPolicy(Qt::StrongFocus);
    m_.setSize(width() * TwipsPerPixel, height() * TwipsPerPixel);
}

void EbSlider::setMin(int m) {
    if (m_.setMin(m))
        update();
}

void EbSlider::setMax(int m) {
    if (m_.setMax(m))
        update();
}

int EbSlider::setValue(int v) {
    const int clamped = m_.setValue(v);
    update();
    emit Changed();
    return clamped;
}

void EbSlider::setSliderWidth(int twips) {
    if (m_.setSliderWidth(twips))
        update();
}

void EbSlider::setSliderColor(const QColor& c) {
    sliderColor_ = c;
    update();
}

void EbSlider::setOrientation(int o) {
    m_.setOrientation(o);
    update();
}

void EbSlider::setBorderStyle(int b) {
    borderStyle_ = b;
    update();
}

QRect EbSlider::thumbRect() const {
    const int off = qRound(m_.thumbOffset() / TwipsPerPixel);
    const int len = qRound(static_cast<double>(m_.sliderWidth()) / TwipsPerPixel);
    if (m_.vertical())
        return QRect(0, off, width(), len);
    return QRect(off, 0, len, height());
}

void EbSlider::resizeEvent(QResizeEvent*) {
    m_.setSize(width() * TwipsPerPixel, height() * TwipsPerPixel);
    // Keep the thumb shorter than the track however small the control becomes.
    if (m_.sliderWidth() >= (m_.vertical() ? m_.height() : m_.width()))
        m_.setSliderWidth(std::max(TwipsPerPixel, (m_.vertical() ? m_.height() : m_.width()) / 4));
}

float EbSlider::along(const QPointF& p) const {
    return static_cast<float>((m_.vertical() ? p.y() : p.x()) * TwipsPerPixel);
}

void EbSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    const float c = along(e->position());
    const QRect t = thumbRect();
    if (t.contains(e->position().toPoint())) {
        dragging_ = true; // pressing the thumb itself moves nothing
        return;
    }
    if (m_.clickAt(c)) {
        update();
        emit Changed();
    }
}

void EbSlider::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton))
        return;
    // The pointer's offset inside the thumb, as the thumb itself sees the move.
    if (m_.dragTo(along(e->position()) - m_.thumbOffset())) {
        update();
        emit Changed();
    }
}

void EbSlider::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void EbSlider::keyPressEvent(QKeyEvent* e) {
    int step = 0;
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        step = 1;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    setValue(Value() + step);
}

void EbSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    if (borderStyle_ != 0)
        qDrawShadePanel(&p, r, palette(), borderStyle_ & 0x0A, 1); // sunken edges for the
                                                                   // inner-sunken styles
    // Groove along the middle of the track.
    p.setPen(palette().color(QPalette::Dark));
    if (m_.vertical()) {
        const int x = r.center().x();
        p.drawLine(x, 2, x, r.height() - 3);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(x + 1, 2, x + 1, r.height() - 3);
    } else {
        const int y = r.center().y();
        p.drawLine(2, y, r.width() - 3, y);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(2, y + 1, r.width() - 3, y + 1);
    }
    // The thumb: filled with the slider colour, raised inner edge on all four sides.
    const QRect t = thumbRect();
    p.fillRect(t, sliderColor_);
    qDrawShadePanel(&p, t, palette(), false, 1);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(t.adjusted(2, 2, -3, -3));
    }
}

} // namespace kpr
