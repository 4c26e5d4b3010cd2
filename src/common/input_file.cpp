#include "common/input_file.h"
#include "common/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kpr {

bool InputFile::missing() const {
    return error == ENOENT;
}

std::string InputFile::reason() const {
    if (error == ENODEV)
        return "not a regular file (a device, FIFO or socket)";
    return std::generic_category().message(error);
}

InputFile read_input_file(const std::string& path, std::size_t bound, InputBeyondBound beyond) {
    InputFile in;
    // O_NONBLOCK: opening a FIFO with no writer or a terminal must not wait.
    UniqueFd f{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (f.get() < 0) {
        in.error = errno;
        return in;
    }
    struct stat st {};
    if (::fstat(f.get(), &st) != 0) {
        in.error = errno;
        return in;
    }
    if (S_ISDIR(st.st_mode)) {
        in.error = EISDIR;
        return in;
    }
    if (!S_ISREG(st.st_mode)) {
        in.error = ENODEV;
        return in;
    }
    if (beyond == InputBeyondBound::Refuse && static_cast<std::uintmax_t>(st.st_size) > bound) {
        in.error = EFBIG;
        return in;
    }
    // Room for the size the file has now (a large bound costs nothing for a small file); a
    // file that grows while it is read gets more, and the bound holds either way.
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    in.bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(bound, size + 4096)));
    std::size_t got = 0;
    while (got < bound) {
        if (got == in.bytes.size())
            in.bytes.resize(std::min(bound, in.bytes.size() * 2));
        const ssize_t r = ::read(f.get(), in.bytes.data() + got, in.bytes.size() - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            in.error = errno;
            in.bytes.clear();
            return in;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    if (beyond == InputBeyondBound::Refuse && got == bound) {
        char extra;
        ssize_t r;
        while ((r = ::read(f.get(), &extra, 1)) < 0 && errno == EINTR) {
        }
        if (r > 0) {
            in.error = EFBIG;
            in.bytes.clear();
            return in;
        }
    }
    in.bytes.resize(got);
    return in;
}

std::string input_error_message(const std::string& path, const InputFile& file) {
    if (file.missing())
        return std::string(MissingFileMessage);
    return "The [" + path + "] could not be read: " + file.reason();
}

} // namespace kpr
