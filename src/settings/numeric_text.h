#pragma once
// What the editor's numeric entries accept as a number: optional blanks, an optional sign,
// decimal digits with an optional fractional part ("12", "-3", "12.5", ".5"). Letters,
// radix prefixes and exponents are not numbers here.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kpr {

std::optional<double> parse_numeric(std::string_view text);

// The whole number nearest to x, a tie going to the even neighbour.
int64_t round_half_even(double x);

} // namespace kpr
