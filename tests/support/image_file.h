#pragma once
// Reading a pager image as a plain 2048-byte file, as the table files hold it.
#include <algorithm>
#include <optional>
#include <string>

#include "image/pager_image.h"
#include "support/scratch_dir.h"

namespace kpr::test {

// The first ImageSize bytes of the file; nothing when it is missing or shorter.
inline std::optional<PagerImage> load_image_file(const std::string& path) {
    const std::string d = contents(path);
    if (d.size() < static_cast<size_t>(ImageSize))
        return std::nullopt;
    PagerImage img;
    std::copy_n(d.begin(), ImageSize, img.data());
    return img;
}

} // namespace kpr::test
