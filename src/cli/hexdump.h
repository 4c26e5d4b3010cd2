#pragma once
// Text forms of image bytes shared by dump and diff.
#include "image/pager_image.h"

#include <QString>
#include <QStringList>

namespace kpr::cli {

// "&H3E0", three hex digits.
QString hex_address(int addr);

// "4B 50 52" for bytes [first, last].
QString hex_bytes(const PagerImage& image, int first, int last);

// One dump row of 16 bytes at `row` (a multiple of 16): address, bytes, printable text and
// the names of the image regions the row touches.
QString dump_row(const PagerImage& image, int row);

} // namespace kpr::cli
