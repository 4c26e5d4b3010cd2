#include "ui/layout_scale.h"

#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>

namespace kpr {

ScaleFactors scale_factors(double designWidth, double designHeight, double width, double height) {
    ScaleFactors f;
    if (designWidth > 0)
        f.x = width / designWidth;
    if (designHeight > 0)
        f.y = height / designHeight;
    return f;
}

ScaledGeometry scale_geometry(const DesignGeometry& g, const ScaleFactors& f, double originLeft,
                              double originTop) {
    auto at = [](double v, double factor) { return static_cast<int>(std::lround(v * factor)); };
    const int ox = at(originLeft, f.x);
    const int oy = at(originTop, f.y);
    ScaledGeometry s;
    s.left = at(originLeft + g.left, f.x) - ox;
    s.top = at(originTop + g.top, f.y) - oy;
    s.width = at(originLeft + g.left + g.width, f.x) - ox - s.left;
    s.height = at(originTop + g.top + g.height, f.y) - oy - s.top;
    s.fontSize = g.fontSize * f.font();
    return s;
}

static std::string number(double v) {
    std::ostringstream os;
    os.imbue(std::locale::classic()); // read back by parse_layout_record in any locale
    os << v;
    return os.str();
}

std::string append_layout_record(const std::string& tag, const DesignGeometry& g) {
    return tag + ",#" + number(g.left) + "#" + number(g.top) + "#" + number(g.width) + "#" +
           number(g.height) + "#" + number(g.fontSize) + "#";
}

std::optional<DesignGeometry> parse_layout_record(const std::string& tag) {
    auto p = tag.find('#');
    if (p == std::string::npos)
        return std::nullopt;
    double values[5] = {0, 0, 0, 0, 0};
    size_t start = p + 1;
    for (double& v : values) {
        auto end = tag.find('#', start);
        if (end == std::string::npos)
            break; // no closing mark: this value and the rest stay 0
        // The leading number of the field, read alike in every locale (0 when none).
        const std::string field = tag.substr(start, end - start);
        const char* first = field.c_str();
        while (*first == ' ')
            ++first;
        std::from_chars(first, field.c_str() + field.size(), v);
        start = end + 1;
    }
    return DesignGeometry{values[0], values[1], values[2], values[3], values[4]};
}

} // namespace kpr
