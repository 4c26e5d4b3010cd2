#pragma once
// Reading a pager image as a plain 2048-byte file, as the table files hold it.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "image/pager_image.h"

namespace kpr::test {

// The first ImageSize bytes of the file; nothing when it is missing or shorter.
inline std::optional<PagerImage> load_image_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string d{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (d.size() < static_cast<size_t>(ImageSize))
        return std::nullopt;
    PagerImage img;
    std::copy_n(d.begin(), ImageSize, img.data());
    return img;
}

} // namespace kpr::test
