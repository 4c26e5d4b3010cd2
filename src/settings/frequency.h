#pragma once
// Receive frequency, band and channel raster, and the synthesiser words derived from them.
// Frequencies are whole numbers of 100 Hz, as stored in the image and typed by the operator.
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kpr {

// The band list's entries; their text carries the limits (characters 1-3 and 5-7, in MHz).
inline const std::array<std::string, 3> BandEntries = {"130-180MHz-GP(RoHS)", "380-499MHz",
                                                       "929-932MHz"};
// The channel-spacing list of band 0.
inline const std::array<std::string, 3> SpacingEntries = {"5KHz", "6.25KHz", "Auto"};

struct BandLimits {
    std::string lowerText; // "380"
    std::string upperText; // "499"
    int64_t lower = 0;     // in 100 Hz units: lower MHz x 10000
    int64_t upper = 0;
};
// Limits parsed from a band entry text as the band list shows it.
BandLimits band_limits(const std::string& entryText);

// "Frequency setting error(3800000 < = Frequency < =4990000 )".
std::string frequency_limit_message(const BandLimits& limits);

// One synthesiser call chosen by the raster tests.
struct PllCall {
    bool rohs = false; // SetRoHSFreqPLL rather than SetFreqPLL
    int32_t base = 0;  // origin of the raster, 100 Hz units
    double step = 0;   // channel step in kHz
    int incd = 0;
};

// True when round_half_even(value x 100 - origin x 100) is a whole multiple of stepHz.
bool raster_passes(double value, int64_t origin, int64_t stepHz);

// The raster tests of a band (0-2) and spacing entry (0-2; used for band 0 only), tried in
// order; the first that passes names the synthesiser call. Nothing when none passes.
std::optional<PllCall> choose_raster(int band, int spacing, bool unversionedFirmware, double value);

uint32_t read_u32(const PagerImage& image, int addr);
// Set_Freq: stores f big-endian at addr .. addr + 3.
void Set_Freq(PagerImage& image, int32_t f, int addr);

// Synthesiser words of bands 1 and 2 (reference multiplier from the band: 5 for band 2, 3
// for band 1, 2 otherwise).
void SetFreqPLL(PagerImage& image, int band, int32_t base, double step, int incd);
// Synthesiser words of band 0, the 130-180 MHz "GP(RoHS)" hardware.
void SetRoHSFreqPLL(PagerImage& image, int32_t base, double step, int incd);

// INCD, &H0C-&H0D.
int incd_of(const PagerImage& image);
// Channel step in hundredths of a kHz (&H0E and the meaningful values of &H45A).
int channel_step_hundredths(const PagerImage& image);
// "25KHz", "6.25KHz", "12.5KHz".
std::string channel_text(int hundredths);
// 24-bit word at addr..addr+2 as upper-case hex without leading zeros.
std::string word24_hex(const PagerImage& image, int addr);

// Spacing entry a loaded band-0 image shows.
int derive_spacing(const PagerImage& image);

} // namespace kpr
