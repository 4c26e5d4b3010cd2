// Opens arbitrary bytes as a table file, as File > Open does, and shows every setting as
// `kprtool show` does. Whatever the bytes: no crash, and an accepted file is shown exactly
// as it is — refreshing the controls never writes the image, so saving it again would give
// the same bytes.
#include "editor/editor.h"
#include "editor/settings_keys.h"
#include "tables/table_file.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The format reads 2048 bytes; a longer file only adds a tail that is never looked at.
    if (size > 4096)
        return 0;
    const kpr::TableOpenResult r =
        kpr::table_from_bytes(std::span<const std::uint8_t>(data, size), "fuzz.tbl");
    if (!r.ok()) {
        if (r.message.empty())
            std::abort(); // a refused file always tells the operator why
        return 0;
    }
    // The image is the file's first 2048 bytes, zero-filled when shorter.
    for (int i = 0; i < kpr::ImageSize; ++i)
        if (r.image[i] != (static_cast<std::size_t>(i) < size ? data[i] : 0))
            std::abort();

    const auto headless = kpr::Editor::headless(r.image);
    kpr::Editor& editor = *headless;
    if (editor.image() != r.image)
        std::abort();
    const auto settings = kpr::read_settings(editor);
    if (settings.empty())
        std::abort();
    editor.init_ctl();
    if (editor.image() != r.image)
        std::abort();
    return 0;
}
