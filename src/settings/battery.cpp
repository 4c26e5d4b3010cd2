#include "settings/battery.h"

#include "common/hex.h"

namespace kpr {

namespace {

constexpr std::array<CodedEntry, 15> Tones = {{{"Tone 1", 1},
                                               {"Tone 2", 2},
                                               {"Tone 3", 3},
                                               {"Tone 4", 4},
                                               {"Music 1", 17},
                                               {"Music 2", 18},
                                               {"Music 3", 19},
                                               {"Music 4", 20},
                                               {"Music 5", 21},
                                               {"Music 6", 22},
                                               {"Music 7", 23},
                                               {"Music 8", 24},
                                               {"Vibration", 32},
                                               {"Vibrate Then Beep", 33},
                                               {"Flash Only", 49}}};

constexpr std::array<CodedEntry, 11> Rechargeable = {{{"2.68V", 228},
                                                      {"2.65V", 225},
                                                      {"2.62V", 223},
                                                      {"2.59V", 220},
                                                      {"2.55V", 218},
                                                      {"2.52V", 214},
                                                      {"2.49V", 212},
                                                      {"2.46V", 209},
                                                      {"2.42V", 206},
                                                      {"2.40V", 204},
                                                      {"2.35V", 200}}};

constexpr std::array<CodedEntry, 13> SingleCell = {{{"1.58V", 135},
                                                    {"1.53V", 131},
                                                    {"1.48V", 126},
                                                    {"1.43V", 122},
                                                    {"1.39V", 119},
                                                    {"1.35V", 115},
                                                    {"1.29V", 110},
                                                    {"1.23V", 105},
                                                    {"1.19V", 102},
                                                    {"1.14V", 97},
                                                    {"1.09V", 93},
                                                    {"1.05V", 90},
                                                    {"1.00V", 85}}};

} // namespace

std::span<const CodedEntry> tone_entries() {
    return Tones;
}
std::span<const CodedEntry> rechargeable_levels() {
    return Rechargeable;
}
std::span<const CodedEntry> single_cell_levels() {
    return SingleCell;
}

std::optional<int> find_code(std::span<const CodedEntry> entries, int code) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].code == code)
            return static_cast<int>(i);
    return std::nullopt;
}

bool is_rechargeable(const PagerImage& image) {
    return image.get_bits(AddrBatteryType, 2, 1) == 1;
}

void apply_battery_type_defaults(PagerImage& image, bool rechargeable) {
    static constexpr uint8_t Recharge[3] = {0xCC, 0xDA, 0xE1};
    static constexpr uint8_t Single[3] = {0x66, 0x6E, 0x77};
    const uint8_t* levels = rechargeable ? Recharge : Single;
    for (int k = 0; k < 3; ++k)
        image[AddrBatteryLevel + k] = levels[k];
    image[AddrBatteryCleared] = 0;
    image[AddrBatteryCleared + 1] = 0;
}

bool battery_levels_rising(const PagerImage& image) {
    return image[AddrBatteryLevel] < image[AddrBatteryLevel + 1] &&
           image[AddrBatteryLevel + 1] < image[AddrBatteryLevel + 2];
}

std::string password_text(const PagerImage& image) {
    std::string text;
    for (int a = AddrPassword + 3; a >= AddrPassword; --a)
        text += std::to_string(image[a]);
    return text;
}

bool store_password_digits(PagerImage& image, std::string_view digits) {
    if (digits.empty() || digits.size() > 4)
        return false;
    for (char c : digits)
        if (c < '0' || c > '9')
            return false;
    const std::string padded = std::string(4 - digits.size(), '0') + std::string(digits);
    for (int k = 0; k < 4; ++k)
        image[AddrPassword + 3 - k] = static_cast<uint8_t>(padded[k] - '0');
    return true;
}

std::string shown_serial_number(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += c;
        } else {
            out += hex_escape(b);
        }
    }
    return out;
}

uint16_t serial_sum(std::span<const uint8_t> characters) {
    uint16_t sum = 0;
    for (int k = 0; k < SerialLength; ++k)
        sum = static_cast<uint16_t>(sum + characters[static_cast<std::size_t>(k)]);
    return sum;
}

bool serial_sum_matches(std::span<const uint8_t> area) {
    const uint16_t sum = serial_sum(area);
    return area[SerialLength] == (sum >> 8) && area[SerialLength + 1] == (sum & 0xFF);
}

std::optional<std::string> valid_serial_number(const PagerImage& image) {
    const auto area =
        std::span<const uint8_t>(image.bytes()).subspan(AddrSerialFirst, SerialLength + 2);
    if (!serial_sum_matches(area))
        return std::nullopt;
    return std::string(area.begin(), area.begin() + SerialLength);
}

} // namespace kpr
