#include "settings/numeric_text.h"

#include <charconv>
#include <cmath>

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
    return decimal_value(t);
}

std::optional<double> decimal_value(std::string_view t) {
    // from_chars takes no '+' and never looks at the locale's decimal point.
    if (t.size() > 1 && t[0] == '+' && t[1] != '-')
        t.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (end != t.data() + t.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // As strtod: too large is infinite, too small is zero.
        const auto e = t.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos
                ? e + 1 < t.size() && t[e + 1] == '-'
                : t.substr(0, t.find('.')).find_first_of("123456789") == std::string_view::npos;
        v = tiny ? 0.0 : HUGE_VAL;
        return t[0] == '-' ? -v : v;
    }
    if (ec != std::errc{})
        return std::nullopt;
    return v;
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
