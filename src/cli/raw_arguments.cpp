#include "cli/raw_arguments.h"

namespace kpr::cli {

namespace {

constexpr char16_t CarriedByteBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at s[i], or 0 when there is none.
std::size_t utf8_sequence(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n;
    char32_t cp;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (b(i + k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return overlong || surrogate || cp > 0x10FFFF ? 0 : n;
}

} // namespace

QString argument_text(const std::string& bytes) {
    QString out;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = utf8_sequence(bytes, i);
        if (n == 0) {
            out += QChar(
                static_cast<char16_t>(CarriedByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
        i += n;
    }
    return out;
}

QStringList program_arguments(int argc, char* argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << argument_text(argv[i]);
    return list;
}

std::string local_path(const QString& path) {
    std::string out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        const bool paired = i > 0 && path.at(i - 1).isHighSurrogate();
        if (c >= CarriedByteBase + 0x80 && c <= CarriedByteBase + 0xFF && !paired) {
            out += path.mid(start, i - start).toStdString();
            out += static_cast<char>(c - CarriedByteBase);
            start = i + 1;
        }
    }
    out += path.mid(start).toStdString();
    return out;
}

} // namespace kpr::cli
