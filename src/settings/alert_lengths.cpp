#include "settings/alert_lengths.h"

#include <cstdio>

namespace kpr {

namespace {

int enable_addr(int drop) {
    return AddrMailDropEnable + (drop - 1) / 8;
}
int enable_bit(int drop) {
    return (drop - 1) % 8;
}

constexpr int PersonalValues[PersonalEntryCount] = {2, 8, 16, 32, 0};

} // namespace

std::string format_00(long long value) {
    char buf[32];
    if (value < 0)
        std::snprintf(buf, sizeof buf, "-%02lld", -value);
    else
        std::snprintf(buf, sizeof buf, "%02lld", value);
    return buf;
}

bool mail_drop_enabled(const PagerImage& image, int drop) {
    return image.get_bits(enable_addr(drop), enable_bit(drop), 1) == 1;
}

void set_mail_drop_enabled(PagerImage& image, int drop, bool on) {
    image.set_bits(enable_addr(drop), enable_bit(drop), on ? 1 : 0, 1);
}

std::optional<std::string> personal_length_text(const PagerImage& image) {
    switch (image[AddrPersonalAlert]) {
    case 2:
        return "02";
    case 8:
        return "08";
    case 16:
        return "16";
    case 32:
        return "32";
    case 0:
        return "CT";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> mail_drop_length_text(const PagerImage& image, int drop) {
    if (!mail_drop_enabled(image, drop))
        return "--";
    switch (image[AddrMailDropAlert + drop - 1]) {
    case 0:
        return "BP";
    case 1:
        return "01";
    case 16:
        return "16";
    default:
        return std::nullopt;
    }
}

std::string memory_text(int quarters) {
    // Whole KB, a half going to the even neighbour.
    long long kb = quarters / 4;
    const int rest = quarters % 4;
    if (rest > 2 || (rest == 2 && kb % 2 == 1))
        ++kb;
    return format_00(kb);
}

std::string history_text(int stored) {
    return format_00(stored - 1);
}

int personal_value_for_entry(int entry) {
    return PersonalValues[entry];
}

int personal_entry_for_value(int value) {
    for (int e = 0; e < PersonalEntryCount; ++e)
        if (PersonalValues[e] == value)
            return e;
    return -1;
}

int mail_alert_entry(const PagerImage& image, int drop) {
    if (!mail_drop_enabled(image, drop))
        return 0;
    switch (image[AddrMailDropAlert + drop - 1]) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 16:
        return 3;
    default:
        return -1;
    }
}

void set_mail_alert_entry(PagerImage& image, int drop, int entry) {
    static constexpr int Lengths[4] = {0, 0, 1, 16};
    if (entry == 0) {
        set_mail_drop_enabled(image, drop, false); // the length byte stays
        return;
    }
    set_mail_drop_enabled(image, drop, true);
    image[AddrMailDropAlert + drop - 1] = static_cast<uint8_t>(Lengths[entry]);
}

int history_entry(const PagerImage& image, int drop) {
    const int depth = image[AddrMailDropHistory + drop - 1] - 1;
    return depth >= 0 && depth <= 9 ? depth : -1;
}

void set_history_entry(PagerImage& image, int drop, int entry) {
    image[AddrMailDropHistory + drop - 1] = static_cast<uint8_t>(entry + 1);
}

} // namespace kpr
