#pragma once
// Table files (*.tbl): the 2048 image bytes at offset 0, nothing else. A file is accepted
// when its bytes 993-997 read "KPR35"; a longer file is read up to offset 2047, a shorter
// one is zero-filled.
#include "common/input_file.h"
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kpr {

// A file carries the model text where the pager does.
inline constexpr int TableModelOffset = AddrModelFirst;
inline constexpr std::string_view TableModelText = "KPR35";

enum class TableOpenStatus {
    Ok,
    Missing,     // no file of that name: "This file is not exit!"
    Unreadable,  // anything else that is not a readable regular file (path and reason)
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
inline constexpr std::string_view TableMissingMessage = MissingFileMessage;
std::string table_format_message(const std::string& fileName);
std::string table_write_error_message(const std::string& path, const std::string& reason);

// Builds the image from a file's bytes by the length rules and checks the model text.
// fileName is used only in the rejection message.
TableOpenResult table_from_bytes(std::span<const uint8_t> bytes, const std::string& fileName);

// Opens a table file through read_input_file: never blocks, and refuses anything but a
// regular file with the same message every caller shows. The path is used as given.
TableOpenResult open_table_file(const std::string& path);

// What an existing longer file keeps when a table is saved over it.
enum class TableTail {
    Keep,    // its bytes beyond offset 2047 (File > Save, Save As)
    Discard, // nothing: the file becomes exactly the 2048 image bytes
};

// Saves the image as the first 2048 bytes of path, through safe_save: never half a file,
// links written through, devices never replaced, owner, group, mode and hard links kept,
// a read-only existing file refused rather than replaced.
TableSaveResult save_table_file(const std::string& path, const PagerImage& image,
                                TableTail tail = TableTail::Keep);

} // namespace kpr
