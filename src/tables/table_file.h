#pragma once
// Table files (*.tbl): the 2048 image bytes at offset 0, nothing else. A file is accepted
// when its bytes 993-997 read "KPR35"; a longer file is read up to offset 2047, a shorter
// one is zero-filled.
#include "image/pager_image.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kpr {

inline constexpr int TableModelOffset = 993; // &H3E1
inline constexpr std::string_view TableModelText = "KPR35";

enum class TableOpenStatus {
    Ok,
    Missing,     // no file of that name: "This file is not exit!"
    Unreadable,  // the file is there but could not be read (message names path and reason)
    WrongFormat, // the model text is not "KPR35": "The [name] is not correct format, ..."
};

struct TableOpenResult {
    TableOpenStatus status = TableOpenStatus::Ok;
    PagerImage image;    // the file's image when status is Ok; all zero otherwise
    std::string message; // the operator message for any other status (OK button, no icon)

    bool ok() const { return status == TableOpenStatus::Ok; }
};

struct TableSaveResult {
    bool ok = true;
    std::string message; // when not ok: "The [path] could not be written: reason"

    explicit operator bool() const { return ok; }
};

// The operator messages, exactly as shown.
inline constexpr std::string_view TableMissingMessage = "This file is not exit!";
std::string table_format_message(const std::string& fileName);
std::string table_read_error_message(const std::string& path, const std::string& reason);
std::string table_write_error_message(const std::string& path, const std::string& reason);

// Builds the image from a file's bytes by the length rules and checks the model text.
// fileName is used only in the rejection message.
TableOpenResult table_from_bytes(std::span<const uint8_t> bytes, const std::string& fileName);

// Opens a table file. The path is used as given in every message.
TableOpenResult open_table_file(const std::string& path);

// Saves the image as the first 2048 bytes of path. A longer existing file keeps its bytes
// beyond offset 2047; the file is written through a temporary file in the same folder and
// renamed over the old one, so a failure never leaves half a file. A read-only existing file
// is refused rather than replaced.
TableSaveResult save_table_file(const std::string& path, const PagerImage& image);

} // namespace kpr
