#include "cli/hexdump.h"

#include "image/bound_controls.h"

namespace kpr::cli {

QString hex_address(int addr) {
    return "&H" + QString::number(addr, 16).toUpper().rightJustified(3, '0');
}

QString hex_bytes(const PagerImage& image, int first, int last) {
    QString s;
    for (int a = first; a <= last; ++a) {
        if (a > first)
            s += ' ';
        s += QString::number(image[a], 16).toUpper().rightJustified(2, '0');
    }
    return s;
}

QString dump_row(const PagerImage& image, int row) {
    QString line = hex_address(row) + "  " + hex_bytes(image, row, row + 7) + "  " +
                   hex_bytes(image, row + 8, row + 15) + "  |";
    for (int a = row; a < row + 16; ++a) {
        const uint8_t b = image[a];
        line += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar('.');
    }
    line += '|';
    QStringList names;
    for (const auto& n : region_names(row, row + 15))
        names << QString::fromStdString(n);
    if (!names.isEmpty())
        line += "  " + names.join("; ");
    return line;
}

} // namespace kpr::cli
