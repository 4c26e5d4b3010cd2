#include "ui/eb_slider_math.h"

#include <cmath>

namespace kpr {

namespace {
// Nearest whole number, a tie going to the even neighbour.
int64_t nearest_even(double x) {
    return static_cast<int64_t>(std::nearbyint(x)); // default rounding mode: ties to even
}
} // namespace

void EbSliderMath::setSize(int width, int height) {
    width_ = width;
    height_ = height;
    place();
}

bool EbSliderMath::setMin(int m) {
    if (m > max_)
        return false;
    min_ = m;
    if (pos_ < m)
        pos_ = m;
    place();
    return true;
}

bool EbSliderMath::setMax(int m) {
    if (m <= min_)
        return false;
    max_ = m;
    if (pos_ > m)
        pos_ = m;
    place();
    return true;
}

int EbSliderMath::value() const {
    return vertical() ? max_ + min_ - pos_ : pos_;
}

int EbSliderMath::setValue(int v) {
    if (v < min_)
        v = min_;
    if (v > max_)
        v = max_;
    pos_ = vertical() ? max_ + min_ - v : v;
    place();
    return v;
}

bool EbSliderMath::setSliderWidth(int w) {
    if (orientation_ != 0 && orientation_ != 1)
        return false;
    if (w >= alongTrack())
        return false;
    sliderWidth_ = w;
    place();
    return true;
}

void EbSliderMath::setOrientation(int o) {
    orientation_ = o;
    setSliderWidth(sliderWidth_);
    place();
}

int EbSliderMath::travel() const {
    return alongTrack() - sliderWidth_;
}

float EbSliderMath::unit() const {
    return static_cast<float>(travel()) / static_cast<float>(max_ - min_);
}

void EbSliderMath::place() {
    if (max_ == min_)
        return;
    thumb_ = unit() * static_cast<float>(pos_ - min_);
}

bool EbSliderMath::clickAt(float c) {
    if (max_ == min_)
        return false;
    auto q = nearest_even(static_cast<double>(c) - sliderWidth_ / 2.0);
    q = (q / TwipsPerCell) * TwipsPerCell; // truncates toward zero
    if (q < 0)
        q = 0;
    else if (q > travel())
        q = travel();
    thumb_ = static_cast<float>(q);
    pos_ = static_cast<int>(nearest_even(static_cast<float>(q) / unit() + min_));
    return true;
}

} // namespace kpr
