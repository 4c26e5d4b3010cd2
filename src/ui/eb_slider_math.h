#pragma once
// The arithmetic of the contrast slider, apart from any widget: properties, thumb placement
// and the conversion of a pointer position into a value. Every length is in twips along the
// track (15 twips = 1 pixel at 96 dpi); the widget converts.
#include <cstdint>

namespace kpr {

class EbSliderMath {
  public:
    static constexpr int TwipsPerCell = 15; // clicks snap to whole multiples of this

    // Size of the control in twips: along the track is the width for a horizontal slider
    // and the height for a vertical one.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    int min() const { return min_; }
    int max() const { return max_; }
    // Ignored unless m <= Max; the position is raised to m when it was below.
    bool setMin(int m);
    // Ignored unless m > Min; the position is lowered to m when it was above.
    bool setMax(int m);

    // Value as the caller sees it: the position for a horizontal slider, Max + Min - position
    // for a vertical one (so the top of a vertical slider is Max).
    int value() const;
    // Clamps v to Min..Max and returns the clamped number (what the caller's variable
    // receives). Always counts as a change, even when the number stays the same.
    int setValue(int v);

    int sliderWidth() const { return sliderWidth_; }
    // Taken only when w is shorter than the track and the orientation is 0 or 1.
    bool setSliderWidth(int w);

    int orientation() const { return orientation_; }
    // Any non-zero orientation lays out and moves as vertical.
    void setOrientation(int o);
    bool vertical() const { return orientation_ != 0; }

    int position() const { return pos_; }

    // Track length the thumb can travel: along-track size less the thumb.
    int travel() const;
    // Twips per unit of value, in single precision as the control computes it.
    float unit() const;
    // Leading edge of the thumb along the track (left or top), in twips.
    float thumbOffset() const { return thumb_; }

    // A click on the track at coordinate c along it. Returns false (and changes nothing)
    // when Min equals Max: there is no range to map the pointer onto.
    bool clickAt(float c);
    // A drag of the thumb with the left button held, pointer d twips inside the thumb.
    bool dragTo(float d) { return clickAt(thumb_ + d); }

  private:
    void place();
    int alongTrack() const { return vertical() ? height_ : width_; }

    int width_ = 1500;
    int height_ = 315;
    int min_ = 0;
    int max_ = 100;
    int pos_ = 50;
    int sliderWidth_ = 315;
    int orientation_ = 0;
    float thumb_ = 0.0f;
};

} // namespace kpr
