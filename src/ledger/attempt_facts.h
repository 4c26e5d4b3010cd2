#pragma once
// What a ledger row says about the machine and the pager: the time, this station's host
// name, the user, and the facts an image holds (serial number, firmware byte, capcodes with
// their ON boxes, frequency, language, SHA-256 of its bytes).
#include "image/pager_image.h"
#include "ledger/ledger.h"

#include <string>

namespace kpr {

std::string utc_now_text(); // "2026-03-01T12:34:56Z"
std::string station_name(); // the host name
std::string current_user(); // the login name, or the user id when there is none

std::string sha256_hex(const PagerImage& image);
// The image's serial number as shown ("" when it has no valid one).
std::string shown_serial_of(const PagerImage& image);

// This machine, by a stable id: /etc/machine-id, else one made once and kept in
// `fallbackFile` (the program's data folder). Cloned PCs may share a host name, not this.
std::string machine_id(const std::string& fallbackFile);
// This process of this machine, as the owner of the reservations it makes.
LedgerOwner this_owner(const std::string& fallbackIdFile);

// Bytes as two lowercase hex digits each.
std::string bytes_hex(const std::string& bytes);
// Text a database takes: valid UTF-8 as it is, every other byte (and NUL) as "\xNN".
std::string utf8_text(const std::string& text);

// Fills serial, firmware, capcodes, frequency, language and imageSha256 from `image`. With
// inPager false the image was only meant for the pager (nothing went to it or was read from
// it): what only a pager can tell (serial, firmware byte, hash) stays empty.
void describe_image(LedgerAttempt& attempt, const PagerImage& image, bool inPager = true);

} // namespace kpr
