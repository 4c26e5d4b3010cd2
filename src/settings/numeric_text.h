#pragma once
// What the editor's numeric entries accept as a number: optional blanks, an optional sign,
// decimal digits with an optional fractional part ("12", "-3", "12.5", ".5"). Letters,
// radix prefixes and exponents are not numbers here.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kpr {

std::optional<double> parse_numeric(std::string_view text);

// A decimal number as this program writes it ("-12.5", "+3", "1e5"), read the same way
// whatever locale the process runs in; the whole text must be the number.
std::optional<double> decimal_value(std::string_view text);

// The whole number nearest to x, a tie going to the even neighbour.
int64_t round_half_even(double x);

} // namespace kpr
