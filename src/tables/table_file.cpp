#include "tables/table_file.h"

#include "common/safe_save.h"

#include <algorithm>

namespace kpr {

std::string table_format_message(const std::string& fileName) {
    return "The [" + fileName + "] is not correct format, the file will discard !";
}

std::string table_write_error_message(const std::string& path, const std::string& reason) {
    return "The [" + path + "] could not be written: " + reason;
}

TableOpenResult table_from_bytes(std::span<const uint8_t> bytes, const std::string& fileName) {
    TableOpenResult r;
    PagerImage buffer;
    const size_t n = std::min<size_t>(bytes.size(), ImageSize);
    std::copy_n(bytes.begin(), n, buffer.bytes().begin());
    const std::string_view model(reinterpret_cast<const char*>(buffer.data()) + TableModelOffset,
                                 TableModelText.size());
    if (model != TableModelText) {
        r.status = TableOpenStatus::WrongFormat;
        r.message = table_format_message(fileName);
        return r;
    }
    r.image = buffer;
    return r;
}

TableOpenResult open_table_file(const std::string& path) {
    const InputFile in = read_input_file(path, ImageSize);
    if (!in.ok()) {
        TableOpenResult r;
        r.status = in.missing() ? TableOpenStatus::Missing : TableOpenStatus::Unreadable;
        r.message = input_error_message(path, in);
        return r;
    }
    return table_from_bytes(in.bytes, path);
}

TableSaveResult save_table_file(const std::string& path, const PagerImage& image, TableTail tail) {
    const SafeSaveResult r = safe_save(path, std::span<const uint8_t>(image.data(), ImageSize),
                                       {.keepLongerTail = tail == TableTail::Keep});
    if (!r)
        return {false, table_write_error_message(path, r.reason())};
    return {};
}

} // namespace kpr
