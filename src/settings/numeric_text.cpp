#include "settings/numeric_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace kpr {

std::optional<double> parse_numeric(std::string_view text) {
    std::size_t i = 0;
    std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    std::string_view t = text.substr(i, n - i);
    if (t.empty())
        return std::nullopt;
    std::size_t p = 0;
    if (t[0] == '+' || t[0] == '-')
        p = 1;
    bool digits = false;
    bool point = false;
    for (std::size_t k = p; k < t.size(); ++k) {
        const char c = t[k];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return std::strtod(std::string(t).c_str(), nullptr);
}

int64_t round_half_even(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    double r;
    if (diff > 0.5) {
        r = f + 1;
    } else if (diff < 0.5) {
        r = f;
    } else {
        r = std::fmod(f, 2.0) == 0.0 ? f : f + 1;
    }
    return static_cast<int64_t>(r);
}

} // namespace kpr
