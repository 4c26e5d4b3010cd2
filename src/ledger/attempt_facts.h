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

// Fills serial, firmware, capcodes, frequency, language and imageSha256 from `image`. With
// inPager false the image was only meant for the pager (nothing went to it or was read from
// it): what only a pager can tell (serial, firmware byte, hash) stays empty.
void describe_image(LedgerAttempt& attempt, const PagerImage& image, bool inPager = true);

} // namespace kpr
