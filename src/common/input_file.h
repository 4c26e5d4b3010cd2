#pragma once
// Reading an input file the operator named, the one way every command and the window do it:
// opened without blocking (a FIFO with no writer, a terminal), checked to be a regular file,
// read up to a bound. Whatever goes wrong comes back as the system's reason, so every caller
// shows the same message for the same fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kpr {

inline constexpr std::string_view MissingFileMessage = "This file is not exit!";

struct InputFile {
    int error = 0;              // errno-style reason; 0 when the bytes were read
    std::vector<uint8_t> bytes; // the file's first bytes, at most the bound asked for

    bool ok() const { return error == 0; }
    bool missing() const; // no file of that name
    std::string reason() const;
};

// What to do with a file longer than the bound.
enum class InputBeyondBound {
    Ignore, // read the first `bound` bytes
    Refuse, // error EFBIG
};

// Reads path as given (no name conversion). Anything but a regular file is refused
// (EISDIR for a folder, ENODEV for a device, a FIFO or a socket).
InputFile read_input_file(const std::string& path, std::size_t bound,
                          InputBeyondBound beyond = InputBeyondBound::Ignore);

// The message for an input that could not be read, the same for every caller:
// "This file is not exit!" when there is none, else "The [path] could not be read: reason".
std::string input_error_message(const std::string& path, const InputFile& file);

} // namespace kpr
