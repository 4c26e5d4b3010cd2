#pragma once
// A slider with a draggable thumb; its arithmetic lives in EbSliderMath (twips), the widget
// converts pixels (15 twips each) and paints.
#include "ui/eb_slider_math.h"

#include <QColor>
#include <QWidget>

namespace kpr {

class EbSlider : public QWidget {
    Q_OBJECT

  public:
    static constexpr int TwipsPerPixel = 15;

    explicit EbSlider(QWidget* parent = nullptr);

    int Min() const { return m_.min(); }
    int Max() const { return m_.max(); }
    int Value() const { return m_.value(); }
    int SliderWidth() const { return m_.sliderWidth(); }
    int Orientation() const { return m_.orientation(); }
    int BorderStyle() const { return borderStyle_; }
    QColor SliderColor() const { return sliderColor_; }

    void setMin(int m);
    void setMax(int m);
    // Returns the clamped value; raises Changed every time.
    int setValue(int v);
    void setSliderWidth(int twips);
    void setSliderColor(const QColor& c);
    void setOrientation(int o);
    void setBorderStyle(int b);

    // The thumb's rectangle in pixels.
    QRect thumbRect() const;
    const EbSliderMath& math() const { return m_; }

    QSize sizeHint() const override { return QSize(120, 22); }

  signals:
    void Changed();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

  private:
    float along(const QPointF& p) const;

    EbSliderMath m_;
    QColor sliderColor_;
    int borderStyle_ = 0;
    bool dragging_ = false;
};

} // namespace kpr
