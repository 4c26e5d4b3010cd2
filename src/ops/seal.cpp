#include "ops/seal.h"

#include "common/printable_text.h"
#include "settings/battery.h"
#include "settings/numeric_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace kpr {

namespace {

void require_in_buffer(std::span<const uint8_t> bytes, int from, int to) {
    if (from < 0 || to < from || static_cast<size_t>(to) >= bytes.size())
        throw std::out_of_range("byte range outside the buffer");
}

// A plain decimal number with optional surrounding spaces, sign, point and exponent.
std::optional<double> parse_number(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos)
        return std::nullopt;
    size_t e = text.find_last_not_of(' ');
    std::string t = text.substr(b, e - b + 1);
    bool digit = false;
    for (char c : t) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E')
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    const auto v = decimal_value(t);
    if (!v || !std::isfinite(*v))
        return std::nullopt;
    return v;
}

} // namespace

uint16_t image_checksum(std::span<const uint8_t> bytes, int stp) {
    require_in_buffer(bytes, 0, stp);
    uint16_t s = 0;
    for (int i = 0; i <= stp - 2; ++i)
        if (i != AddrWrittenFlag)
            s = static_cast<uint16_t>(s + bytes[i]);
    return s;
}

uint16_t image_checksum_blank_firmware(std::span<const uint8_t> bytes, int stp) {
    require_in_buffer(bytes, 0, stp);
    uint16_t s = 0;
    for (int i = 0; i <= stp - 2; ++i) {
        if (i == AddrWrittenFlag)
            continue;
        uint8_t v = (i == AddrFirmware || i == AddrStepHundredths) ? 0xFF : bytes[i];
        s = static_cast<uint16_t>(s + v);
    }
    return s;
}

uint16_t serial_checksum(std::span<const uint8_t> bytes) {
    require_in_buffer(bytes, AddrSerialFirst, AddrSerialLast);
    return serial_sum(bytes.subspan(AddrSerialFirst));
}

bool serial_checksum_ok(std::span<const uint8_t> bytes) {
    require_in_buffer(bytes, AddrSerialFirst, AddrSerialSumLow);
    return serial_sum_matches(bytes.subspan(AddrSerialFirst));
}

bool merge_firmware_byte(PagerImage& image, uint8_t pagerByte) {
    if (pagerByte == 0xFF)
        return true;
    image[AddrFirmware] = pagerByte;
    return false;
}

bool merge_serial(PagerImage& image, std::span<const uint8_t> area) {
    constexpr size_t areaSize = AddrSerialSumLow - AddrSerialFirst + 1;
    if (area.size() != areaSize)
        throw std::invalid_argument("serial area must be 14 bytes");
    if (serial_sum_matches(area)) {
        for (size_t i = 0; i < areaSize; ++i)
            image[AddrSerialFirst + static_cast<int>(i)] = area[i];
        return false;
    }
    for (int i = 0; i < SerialLength; ++i)
        image[AddrSerialFirst + i] = static_cast<uint8_t>(DefaultSerialNumber[i]);
    return true;
}

bool serial_identifies_pager(const std::string& bytes) {
    if (bytes.empty() || bytes == std::string(DefaultSerialNumber, SerialLength))
        return false;
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b != 0x00 && b != 0x20 && b != 0xFF;
    });
}

void finish_seal(PagerImage& image, int stp, bool recomputeSerialChecksum) {
    if (stp < AddrSerialSumLow + 2 || stp > ImageUpperBound)
        throw std::out_of_range("seal range must cover the serial number and checksums");
    image[AddrWrittenFlag] = 1;
    if (recomputeSerialChecksum) {
        uint16_t c = serial_checksum(image.bytes());
        image[AddrSerialSumHigh] = static_cast<uint8_t>(c >> 8);
        image[AddrSerialSumLow] = static_cast<uint8_t>(c & 0xFF);
    }
    uint16_t sum = image_checksum(image.bytes(), stp);
    image[stp - 1] = static_cast<uint8_t>(sum >> 8);
    image[stp] = static_cast<uint8_t>(sum & 0xFF);
}

std::string model_text(std::span<const uint8_t> bytes) {
    std::string s;
    for (int a = AddrModelFirst; a <= AddrModelLast && static_cast<size_t>(a) < bytes.size(); ++a) {
        uint8_t c = bytes[a];
        if (c < 32 || c > 127)
            break;
        s.push_back(static_cast<char>(c));
    }
    return s;
}

bool model_ok(const std::string& s) {
    return s.compare(0, 5, ExpectedModel) == 0 && s.size() >= 5;
}

std::string wrong_model_message(const std::string& s) {
    return "This pager is not KPR35T !\r\n\r\nIt is " + mid(s, 1, 5) + " ( PCB " + mid(s, 6, 4) +
           ", Software " + mid(s, 10, 5) + " )";
}

bool checksum_switch_on(const std::string& s) {
    std::string v = mid(s, 11, 1) + mid(s, 13, 1) + mid(s, 14, 1);
    auto n = parse_number(v);
    return n && *n > 372;
}

bool image_checksum_ok(std::span<const uint8_t> bytes, int stp) {
    uint16_t a = image_checksum(bytes, stp);
    uint16_t b = image_checksum_blank_firmware(bytes, stp);
    uint8_t low = bytes[stp];
    uint8_t high = bytes[stp - 1];
    bool lowOk = low == (a & 0xFF) || low == (b & 0xFF);
    bool highOk = high == (a >> 8) || high == (b >> 8);
    return lowOk && highOk;
}

std::optional<int> first_difference(std::span<const uint8_t> expected,
                                    std::span<const uint8_t> actual, int strt, int stp) {
    require_in_buffer(expected, strt, stp);
    require_in_buffer(actual, strt, stp);
    for (int i = strt; i <= stp; ++i)
        if (expected[i] != actual[i])
            return i;
    return std::nullopt;
}

} // namespace kpr
