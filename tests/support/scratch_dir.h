#pragma once
// A folder of its own for one test, made fresh and removed afterwards, and whole files read
// and written: the one pair every test uses.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#ifdef QT_CORE_LIB
#include <QByteArray>
#include <QString>
#endif

namespace kpr::test {

// The whole file; "<missing>" when it cannot be read, so a test tells it from an empty one.
inline std::string contents(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return "<missing>";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool store(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

#ifdef QT_CORE_LIB
inline QByteArray contents(const QString& p) {
    return QByteArray::fromStdString(contents(std::filesystem::path(p.toStdString())));
}
inline bool store(const QString& p, const QByteArray& bytes) {
    return store(std::filesystem::path(p.toStdString()), bytes.toStdString());
}
#endif

class ScratchDir {
  public:
    ScratchDir() {
        std::string name = (std::filesystem::temp_directory_path() / "kpr-test-XXXXXX").string();
        if (!::mkdtemp(name.data()))
            throw std::runtime_error("no scratch folder in " +
                                     std::filesystem::temp_directory_path().string());
        dir_ = name;
    }
    ~ScratchDir() {
        std::error_code ignored; // a test that made a file unremovable has already failed
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, std::string_view bytes) const {
        store(path(name), bytes);
        return path(name);
    }
    // A name in the folder, or an absolute path.
    std::string read(const std::string& name) const {
        return contents(name.front() == '/' ? name : path(name));
    }

  private:
    std::filesystem::path dir_;
};

} // namespace kpr::test
