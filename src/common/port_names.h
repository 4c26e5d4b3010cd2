#pragma once
// Where a list of serial port names comes from, asked afresh each time: the system's list, the
// registry's view of it, or a test's.
#include <functional>
#include <string>
#include <vector>

namespace kpr {

using PortNameSource = std::function<std::vector<std::string>()>;

} // namespace kpr
