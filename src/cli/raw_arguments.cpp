#include "cli/raw_arguments.h"

#include "settings/latin1_text.h"

namespace kpr::cli {

namespace {

constexpr char16_t CarriedByteBase = 0xDC00;

} // namespace

QString argument_text(const std::string& bytes) {
    QString out;
    for (std::size_t i = 0; i < bytes.size();) {
        uint32_t cp = 0;
        const std::size_t n = utf8_decode(bytes, i, cp);
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
