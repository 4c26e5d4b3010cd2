#pragma once
// Proportional scaling of the main window: every control keeps the geometry it had when the
// window was created and is placed from it on each resize. Plain arithmetic, no widgets.
#include <optional>
#include <string>

namespace kpr {

struct DesignGeometry {
    double left = 0, top = 0, width = 0, height = 0, fontSize = 0;
};

struct ScaledGeometry {
    int left = 0, top = 0, width = 0, height = 0;
    double fontSize = 0;
};

struct ScaleFactors {
    double x = 1, y = 1;
    double font() const { return x < y ? x : y; }
};

// x = current inner width / design width, y likewise with the heights.
ScaleFactors scale_factors(double designWidth, double designHeight, double width, double height);

// Left and Width scale by x, Top and Height by y, the font by the smaller factor. Lists scale
// like every other control, so their text never outgrows them. The edges are rounded in window
// coordinates (originLeft/Top: where the control's container sits at design size), not the
// sizes, so controls that touch at design size, or touch their container's edge, never
// overlap it by a rounding pixel.
ScaledGeometry scale_geometry(const DesignGeometry& g, const ScaleFactors& f, double originLeft = 0,
                              double originTop = 0);

// The layout record appended to a control's descriptor text: ",#left#top#width#height#size#".
std::string append_layout_record(const std::string& tag, const DesignGeometry& g);

// Reads the five values back: after the first "#" each value runs to the next "#"; a value
// without a closing "#" counts as 0. Nullopt when the text holds no "#" at all.
std::optional<DesignGeometry> parse_layout_record(const std::string& tag);

} // namespace kpr
