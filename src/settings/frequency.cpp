#include "settings/frequency.h"

#include "settings/numeric_text.h"

#include <cstdio>

namespace kpr {

BandLimits band_limits(const std::string& entryText) {
    BandLimits b;
    if (entryText.size() >= 7) {
        b.lowerText = entryText.substr(0, 3);
        b.upperText = entryText.substr(4, 3);
        b.lower = std::stoll(b.lowerText) * 10000;
        b.upper = std::stoll(b.upperText) * 10000;
    }
    return b;
}

std::string frequency_limit_message(const BandLimits& limits) {
    return "Frequency setting error(" + limits.lowerText +
           "0000 < = Frequency < =" + limits.upperText + "0000 )";
}

bool raster_passes(double value, int64_t origin, int64_t stepHz) {
    const int64_t diff = round_half_even(value * 100.0 - static_cast<double>(origin) * 100.0);
    return diff % stepHz == 0;
}

std::optional<PllCall> choose_raster(int band, int spacing, bool unversionedFirmware,
                                     double value) {
    struct Test {
        int64_t origin;
        int64_t stepHz;
        PllCall call;
    };
    auto pick = [&](std::initializer_list<Test> tests) -> std::optional<PllCall> {
        for (const Test& t : tests) {
            if (raster_passes(value, t.origin, t.stepHz))
                return t.call;
        }
        return std::nullopt;
    };
    switch (band) {
    case 2:
        return pick({{9280125, 25000, {false, 9280125, 25.0, 4}}});
    case 1:
        return pick({{3800000, 25000, {false, 3800000, 25.0, 4}},
                     {3800125, 25000, {false, 3800125, 25.0, 4}}});
    case 0:
        if (!unversionedFirmware) {
            switch (spacing) {
            case 0:
                return pick({{1300000, 5000, {true, 1300000, 2.5, 1}}});
            case 1:
                return pick({{1300125, 6250, {true, 1300125, 6.25, 1}}});
            case 2:
                return pick({{1300000, 12500, {true, 1300000, 12.5, 1}},
                             {1300125, 6250, {true, 1300125, 6.25, 1}},
                             {1300000, 2500, {true, 1300000, 2.5, 1}}});
            default:
                return std::nullopt;
            }
        }
        switch (spacing) {
        case 0:
            return pick({{1300000, 5000, {true, 1300000, 5.0, 2}}});
        case 1:
            return pick({{1300125, 25000, {true, 1300125, 25.0, 4}}});
        case 2:
            return pick({{1300000, 25000, {true, 1300000, 25.0, 2}},
                         {1300125, 25000, {true, 1300125, 25.0, 4}},
                         {1300000, 5000, {true, 1300000, 5.0, 2}}});
        default:
            return std::nullopt;
        }
    default:
        return std::nullopt;
    }
}

uint32_t read_u32(const PagerImage& image, int addr) {
    return (static_cast<uint32_t>(image[addr]) << 24) |
           (static_cast<uint32_t>(image[addr + 1]) << 16) |
           (static_cast<uint32_t>(image[addr + 2]) << 8) | image[addr + 3];
}

void Set_Freq(PagerImage& image, int32_t f, int addr) {
    const auto u = static_cast<uint32_t>(f);
    image[addr] = static_cast<uint8_t>(u >> 24);
    image[addr + 1] = static_cast<uint8_t>(u >> 16);
    image[addr + 2] = static_cast<uint8_t>(u >> 8);
    image[addr + 3] = static_cast<uint8_t>(u);
}

namespace {

void store_step(PagerImage& image, double step) {
    const int64_t k = round_half_even(step * 1000.0);
    image[AddrStepKilohertz] = static_cast<uint8_t>(k / 1000);
    image[AddrStepHundredths] = static_cast<uint8_t>((k / 10) % 100);
}

} // namespace

void SetFreqPLL(PagerImage& image, int band, int32_t base, double step, int incd) {
    Set_Freq(image, base, AddrBaseFrequency);
    const int64_t fc = round_half_even(2.0 * step / incd * 1000.0);
    store_step(image, step);
    image[AddrIncd + 1] = static_cast<uint8_t>(incd & 0xFF);
    image[AddrIncd] = 0;
    const int64_t n = round_half_even((static_cast<double>(base) * 100.0 - 21400000.0) / fc);
    const auto nWord = static_cast<uint32_t>(n * 2);
    image[AddrPllN] = static_cast<uint8_t>(nWord >> 16);
    image[AddrPllN + 1] = static_cast<uint8_t>(nWord >> 8);
    image[AddrPllN + 2] = static_cast<uint8_t>(nWord);
    image[AddrPllR] = 0;
    const int p = band == 2 ? 5 : band == 1 ? 3 : 2;
    const int64_t r = round_half_even(p * 12800000.0 / fc);
    const auto rWord = static_cast<uint32_t>(r * 2 + 1);
    image[AddrPllR + 1] = static_cast<uint8_t>(rWord >> 8);
    image[AddrPllR + 2] = static_cast<uint8_t>(rWord);
}

void SetRoHSFreqPLL(PagerImage& image, int32_t base, double step, int incd) {
    store_step(image, step);
    const int incdWord = 128 * incd;
    image[AddrIncd + 1] = static_cast<uint8_t>(incdWord & 0xFF);
    image[AddrIncd] = static_cast<uint8_t>((incdWord >> 8) & 0xFF);
    const int64_t fc = round_half_even(step / incd * 1000.0);
    const int64_t r = 5237500 / fc;
    image[AddrPllR + 2] = 0x11;
    image[AddrPllR + 1] = static_cast<uint8_t>(r % 256);
    image[AddrPllR] = static_cast<uint8_t>((r / 256) & 0xFF);
    Set_Freq(image, base, AddrBaseFrequency);
    const int64_t n = round_half_even((static_cast<double>(base) * 100.0 - 21400000.0) / fc);
    const auto nWord = static_cast<uint32_t>(n * 128);
    image[AddrPllN + 2] = static_cast<uint8_t>(nWord);
    image[AddrPllN + 1] = static_cast<uint8_t>(nWord >> 8);
    image[AddrPllN] = static_cast<uint8_t>(nWord >> 16);
}

int incd_of(const PagerImage& image) {
    return image[AddrIncd] * 256 + image[AddrIncd + 1];
}

int channel_step_hundredths(const PagerImage& image) {
    const int h = image[AddrStepHundredths];
    return image[AddrStepKilohertz] * 100 + ((h == 25 || h == 50) ? h : 0);
}

std::string channel_text(int hundredths) {
    std::string s = std::to_string(hundredths / 100);
    const int frac = hundredths % 100;
    if (frac != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02d", frac);
        std::string f = buf;
        if (f.back() == '0')
            f.pop_back();
        s += "." + f;
    }
    return s + "KHz";
}

std::string word24_hex(const PagerImage& image, int addr) {
    const unsigned v = (static_cast<unsigned>(image[addr]) << 16) |
                       (static_cast<unsigned>(image[addr + 1]) << 8) | image[addr + 2];
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

int derive_spacing(const PagerImage& image) {
    const int step = channel_step_hundredths(image);
    if (step <= 500)
        return 0;
    if (step == 625 || (step == 2500 && incd_of(image) == 512))
        return 1;
    return 2;
}

} // namespace kpr
