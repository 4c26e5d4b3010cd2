#include "common/safe_save.h"
#include "common/unique_fd.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kpr {

std::string SafeSaveResult::reason() const {
    return std::generic_category().message(error);
}

namespace {

int write_all(int fd, const uint8_t* p, std::size_t n, off_t at) {
    while (n > 0) {
        const ssize_t w = at >= 0 ? ::pwrite(fd, p, n, at) : ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (w == 0)
            return EIO;
        p += w;
        n -= static_cast<std::size_t>(w);
        if (at >= 0)
            at += w;
    }
    return 0;
}

int read_all(int fd, std::vector<uint8_t>& out) {
    uint8_t chunk[65536];
    for (off_t at = 0;;) {
        const ssize_t r = ::pread(fd, chunk, sizeof chunk, at);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (r == 0)
            return 0;
        out.insert(out.end(), chunk, chunk + r);
        at += r;
    }
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at (which may not exist yet).
int resolve_links(std::string& path) {
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        if (hops >= 40)
            return ELOOP;
        std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
        if (n < 0)
            return errno;
        const std::string to(buf.data(), static_cast<std::size_t>(n));
        path = (!to.empty() && to[0] == '/') || path.find('/') == std::string::npos
                   ? to
                   : folder_of(path) + "/" + to;
    }
}

// A fresh file beside `target` with a name no one else uses; -1 with the reason in errno.
int create_temporary(const std::string& target, std::string& name) {
    // One generator per thread: station positions save backups at the same time.
    thread_local std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFull));
        name = target + suffix;
        // 0666 less the umask for a new file; an existing file's mode is copied afterwards.
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int sync_folder(const std::string& target) {
    UniqueFd dir(::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get()); // best effort: not every file system syncs folders
    return 0;
}

// Writes through a device or FIFO.
int write_through(const std::string& target, std::span<const uint8_t> bytes) {
    // O_NONBLOCK: a FIFO nobody reads is refused (ENXIO) instead of waited on.
    UniqueFd f(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (f.get() < 0)
        return errno;
    ::fcntl(f.get(), F_SETFL, ::fcntl(f.get(), F_GETFL) & ~O_NONBLOCK);
    if (const int err = write_all(f.get(), bytes.data(), bytes.size(), -1))
        return err;
    return f.close();
}

enum class RenameOutcome { Done, Failed, UseInPlace };

// The new contents through a temporary file renamed over the target. `old` is the existing
// file (or nullptr for a new one).
RenameOutcome save_by_rename(const std::string& target, std::span<const uint8_t> bytes,
                             std::span<const uint8_t> tail, const struct stat* old, int& error) {
    std::string tmpName;
    UniqueFd tmp(create_temporary(target, tmpName));
    if (tmp.get() < 0) {
        error = errno;
        // No room in the name for a suffix, or a folder we may not add to: an existing file
        // can still be written in place.
        if (old && (error == ENAMETOOLONG || error == EACCES || error == EPERM))
            return RenameOutcome::UseInPlace;
        return RenameOutcome::Failed;
    }
    auto fail = [&](int err, RenameOutcome outcome = RenameOutcome::Failed) {
        tmp.close();
        ::unlink(tmpName.c_str());
        error = err;
        return outcome;
    };
    if (old) {
        // The new file takes the old one's owner; when the process cannot give it, the old
        // file is written in place rather than changing hands.
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(tmp.get(), old->st_uid, old->st_gid) != 0)
            return fail(errno, RenameOutcome::UseInPlace);
        if (::fchmod(tmp.get(), old->st_mode & 07777) != 0)
            return fail(errno);
    }
    if (int err = write_all(tmp.get(), bytes.data(), bytes.size(), -1))
        return fail(err);
    if (int err = write_all(tmp.get(), tail.data(), tail.size(), -1))
        return fail(err);
    if (::fsync(tmp.get()) != 0)
        return fail(errno);
    if (int err = tmp.close())
        return fail(err);
    if (::rename(tmpName.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpName.c_str());
        error = err;
        return RenameOutcome::Failed;
    }
    sync_folder(target);
    return RenameOutcome::Done;
}

// Overwrites the open file, putting its old bytes back when that fails.
int save_in_place(int fd, std::span<const uint8_t> bytes, const std::vector<uint8_t>& old,
                  bool keepTail) {
    const off_t newSize = keepTail && old.size() > bytes.size() ? static_cast<off_t>(old.size())
                                                                : static_cast<off_t>(bytes.size());
    int err = write_all(fd, bytes.data(), bytes.size(), 0);
    if (!err && ::ftruncate(fd, newSize) != 0)
        err = errno;
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (err) {
        write_all(fd, old.data(), old.size(), 0);
        [[maybe_unused]] int r = ::ftruncate(fd, static_cast<off_t>(old.size()));
        ::fsync(fd);
    }
    return err;
}

// A new file whose name leaves no room for a temporary suffix: created under its own name
// and removed again when it cannot be written whole.
int create_in_place(const std::string& target, std::span<const uint8_t> bytes) {
    UniqueFd f(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (f.get() < 0)
        return errno;
    int err = write_all(f.get(), bytes.data(), bytes.size(), -1);
    if (!err && ::fsync(f.get()) != 0)
        err = errno;
    if (const int closeErr = f.close(); !err)
        err = closeErr;
    if (err)
        ::unlink(target.c_str());
    return err;
}

} // namespace

SafeSaveResult safe_save(const std::string& path, std::span<const uint8_t> bytes,
                         SafeSaveOptions options) {
    std::string target = path;
    if (const int err = resolve_links(target))
        return {err};

    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return {errno};
        if (name_of(target).empty())
            return {ENOENT};
        int error = 0;
        save_by_rename(target, bytes, {}, nullptr, error);
        if (error == ENAMETOOLONG)
            return {create_in_place(target, bytes)};
        return {error};
    }
    if (S_ISDIR(st.st_mode))
        return {EISDIR};
    if (!S_ISREG(st.st_mode))
        return {write_through(target, bytes)};

    // An existing file: it must be writable itself, whichever way it is then replaced.
    UniqueFd existing(::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (existing.get() < 0)
        return {errno};
    if (::fstat(existing.get(), &st) != 0)
        return {errno};
    if (!S_ISREG(st.st_mode)) // swapped for something else since the check
        return {ENODEV};
    std::vector<uint8_t> old;
    if (const int err = read_all(existing.get(), old))
        return {err};
    std::span<const uint8_t> tail;
    if (options.keepLongerTail && old.size() > bytes.size())
        tail = std::span<const uint8_t>(old).subspan(bytes.size());

    if (st.st_nlink <= 1) {
        int error = 0;
        switch (save_by_rename(target, bytes, tail, &st, error)) {
        case RenameOutcome::Done:
            return {};
        case RenameOutcome::Failed:
            return {error};
        case RenameOutcome::UseInPlace:
            break;
        }
    }
    if (const int err = save_in_place(existing.get(), bytes, old, options.keepLongerTail))
        return {err};
    return {existing.close()};
}

} // namespace kpr
