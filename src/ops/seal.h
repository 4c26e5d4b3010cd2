#pragma once
// The pure rules that guard a pager's memory: sealing an image before it is written
// (firmware byte, serial number, written flag, checksums) and the tests a read must pass
// (model text, the two image-checksum variants, the serial-number checksum). They work on
// plain byte arrays indexed by pager address, so the same code checks the editor's image
// and a read buffer.
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kpr {

inline constexpr const char* DefaultSerialNumber = "Vard0000000 ";
inline constexpr const char* ExpectedModel = "KPR35";

// Sum of 0..stp-2 leaving out the written flag at 992.
uint16_t image_checksum(std::span<const uint8_t> bytes, int stp);
// The same sum with the two firmware bytes counted as &HFF each (pagers with blank
// firmware bytes carry this one).
uint16_t image_checksum_blank_firmware(std::span<const uint8_t> bytes, int stp);
// Sum of the twelve serial-number characters.
uint16_t serial_checksum(std::span<const uint8_t> bytes);
// True when 1250/1251 hold the sum of 1238..1249 (high byte first).
bool serial_checksum_ok(std::span<const uint8_t> bytes);

// --- Sealing before a write -------------------------------------------------------

// Merges the pager's firmware byte into the image. Returns the new value of
// UnversionedFirmware: true for &HFF (the image keeps its own byte), false otherwise
// (the image takes the pager's byte).
bool merge_firmware_byte(PagerImage& image, uint8_t pagerByte);

// Merges the pager's serial area (bytes read at 1238..1251, fourteen of them). A valid
// serial number is copied with its checksum; an invalid one is replaced by the default
// serial number. Returns true when the default was put in, i.e. the serial checksum must
// be recomputed.
bool merge_serial(PagerImage& image, std::span<const uint8_t> pagerSerialArea);

// True when a serial number with a valid checksum names one pager: not the default serial a
// write gives a pager without one, not blank (spaces, zeros or erased bytes).
bool serial_identifies_pager(const std::string& bytes);

// The last steps of the seal, in the order that matters: written flag, serial checksum
// (when asked), image checksum at stp-1 (high) and stp (low).
void finish_seal(PagerImage& image, int stp, bool recomputeSerialChecksum);

// --- Checks after a read ----------------------------------------------------------

// The model text: bytes from 993 on while each is printable (32..127), at most 14.
std::string model_text(std::span<const uint8_t> bytes);
bool model_ok(const std::string& s);
// "This pager is not KPR35T !" with what the pager says it is.
std::string wrong_model_message(const std::string& s);
// The checksums are tested only for software versions above 3.72: characters 11, 13 and
// 14 of the model text read as a number.
bool checksum_switch_on(const std::string& s);
// Both stored image-checksum bytes must each match one of the two variants; the two
// bytes are tested independently.
bool image_checksum_ok(std::span<const uint8_t> bytes, int stp);

// --- Verify -----------------------------------------------------------------------

// First address in strt..stp where the two arrays differ, if any.
std::optional<int> first_difference(std::span<const uint8_t> expected,
                                    std::span<const uint8_t> actual, int strt, int stp);

} // namespace kpr
