#include "tables/table_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define KPR_HAVE_FSYNC 1
#endif

namespace fs = std::filesystem;

namespace kpr {

namespace {

std::string errno_text(int err) {
    return std::generic_category().message(err);
}

// Closes on every path out.
struct File {
    std::FILE* f = nullptr;
    File(const fs::path& p, const char* mode) : f(std::fopen(p.c_str(), mode)) {}
    ~File() {
        if (f)
            std::fclose(f);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // Closes now and reports whether everything buffered reached the file.
    bool close() {
        int rc = std::fclose(f);
        f = nullptr;
        return rc == 0;
    }
};

fs::path temporary_beside(const fs::path& target) {
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                  static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    fs::path tmp = target;
    tmp += suffix;
    return tmp;
}

} // namespace

std::string table_format_message(const std::string& fileName) {
    return "The [" + fileName + "] is not correct format, the file will discard !";
}

std::string table_read_error_message(const std::string& path, const std::string& reason) {
    return "The [" + path + "] could not be read: " + reason;
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
    TableOpenResult r;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) {
        r.status = TableOpenStatus::Missing;
        r.message = std::string(TableMissingMessage);
        return r;
    }
    if (ec) {
        r.status = TableOpenStatus::Unreadable;
        r.message = table_read_error_message(path, ec.message());
        return r;
    }
    if (st.type() == fs::file_type::directory) {
        r.status = TableOpenStatus::Unreadable;
        r.message = table_read_error_message(path, errno_text(EISDIR));
        return r;
    }

    File file(path, "rb");
    if (!file.f) {
        r.status = TableOpenStatus::Unreadable;
        r.message = table_read_error_message(path, errno_text(errno));
        return r;
    }
    std::vector<uint8_t> bytes(ImageSize);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file.f);
    if (got < bytes.size() && std::ferror(file.f)) {
        const int err = errno;
        r.status = TableOpenStatus::Unreadable;
        r.message = table_read_error_message(path, errno_text(err ? err : EIO));
        return r;
    }
    bytes.resize(got);
    return table_from_bytes(bytes, path);
}

TableSaveResult save_table_file(const std::string& path, const PagerImage& image) {
    auto fail = [&](const std::string& reason) {
        return TableSaveResult{false, table_write_error_message(path, reason)};
    };

    // Write where a symbolic link points, so the link itself survives the rename.
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::weakly_canonical(target, ec);
        if (ec)
            return fail(ec.message());
    }

    // An existing file must itself be writable (it is overwritten in place as far as the
    // operator can tell), and its bytes past the image are kept.
    std::vector<uint8_t> tail;
    std::optional<fs::perms> perms;
    const fs::file_status st = fs::status(target, ec);
    if (st.type() == fs::file_type::directory)
        return fail(errno_text(EISDIR));
    if (!ec && st.type() != fs::file_type::not_found && st.type() != fs::file_type::regular) {
        // A device or pipe (/dev/stdout, a FIFO): written straight through. Renaming a file
        // over it would replace the device node itself.
        File out(target, "wb");
        if (!out.f)
            return fail(errno_text(errno));
        const bool good = std::fwrite(image.data(), 1, ImageSize, out.f) == size_t(ImageSize);
        const int err = errno;
        if (!out.close() || !good)
            return fail(errno_text(good ? errno : (err ? err : EIO)));
        return {};
    }
    if (st.type() != fs::file_type::not_found && !ec) {
        File old(target, "r+b");
        if (!old.f)
            return fail(errno_text(errno));
        if (std::fseek(old.f, ImageSize, SEEK_SET) == 0) {
            uint8_t chunk[4096];
            size_t got;
            while ((got = std::fread(chunk, 1, sizeof chunk, old.f)) > 0)
                tail.insert(tail.end(), chunk, chunk + got);
            if (std::ferror(old.f))
                return fail(errno_text(errno ? errno : EIO));
        }
        perms = st.permissions();
    }

    const fs::path tmp = temporary_beside(target);
    {
        File out(tmp, "wbx");
        if (!out.f)
            return fail(errno_text(errno));
        bool good = std::fwrite(image.data(), 1, ImageSize, out.f) == size_t(ImageSize);
        if (good && !tail.empty())
            good = std::fwrite(tail.data(), 1, tail.size(), out.f) == tail.size();
        good = good && std::fflush(out.f) == 0;
#ifdef KPR_HAVE_FSYNC
        good = good && ::fsync(fileno(out.f)) == 0;
#endif
        const int err = errno;
        if (!out.close() || !good) {
            const int closeErr = errno;
            fs::remove(tmp, ec);
            return fail(errno_text(good ? closeErr : (err ? err : EIO)));
        }
    }
    if (perms) {
        fs::permissions(tmp, *perms, ec);
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(tmp, ec);
        return fail(reason);
    }
    return {};
}

} // namespace kpr
