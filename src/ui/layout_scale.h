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

// Left and Width scale by x, Top and Height by y, the font by the smaller factor. A choice
// list ("cbo…") keeps its height, given as currentHeight.
ScaledGeometry scale_geometry(const DesignGeometry& g, const ScaleFactors& f, bool keepHeight,
                              int currentHeight);

// True for controls whose height stays when the window is resized: the choice lists.
bool keeps_height(const std::string& controlName);

// The layout record appended to a control's descriptor text: ",#left#top#width#height#size#".
std::string append_layout_record(const std::string& tag, const DesignGeometry& g);

// Reads the five values back: after the first "#" each value runs to the next "#"; a value
// without a closing "#" counts as 0. Nullopt when the text holds no "#" at all.
std::optional<DesignGeometry> parse_layout_record(const std::string& tag);

} // namespace kpr
