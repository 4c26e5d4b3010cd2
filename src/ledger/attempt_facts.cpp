#include "ledger/attempt_facts.h"

#include "ops/seal.h"
#include "settings/battery.h"
#include "settings/capcode.h"
#include "settings/frequency.h"
#include "text/charset.h"
#include "text/language.h"

#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace kpr {

std::string utc_now_text() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string station_name() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0 || !buf[0])
        return "localhost";
    return buf;
}

std::string current_user() {
    // The re-entrant lookup: a station's boards record their attempts from threads of their own.
    passwd entry{};
    passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &pw) == 0 && pw)
        return pw->pw_name;
    return std::to_string(geteuid());
}

std::string sha256_hex(const PagerImage& image) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(image.bytes().data(), image.bytes().size(), md, &len, EVP_sha256(), nullptr);
    std::string hex;
    char b[3];
    for (unsigned int i = 0; i < len; ++i) {
        std::snprintf(b, sizeof b, "%02x", md[i]);
        hex += b;
    }
    return hex;
}

void describe_image(LedgerAttempt& a, const PagerImage& image, bool inPager) {
    a.serial = inPager ? valid_serial_number(image).value_or("") : "";
    a.firmware = inPager ? image[AddrFirmware] : -1;
    for (int slot = 0; slot < CapcodeSlots; ++slot)
        a.capcodes[slot] = {decode_capcode(image, slot), (image[capcode_base(slot)] & 1) != 0};
    a.frequency = std::to_string(read_u32(image, FreqReceiveAddr));
    const auto pos = language_list_position_for_code(image[LanguageCodeCopyAddress] & 0x0F);
    const LanguageItem* item = pos ? language_item(*pos) : nullptr;
    a.language = item ? item->caption : "";
    a.imageSha256 = inPager ? sha256_hex(image) : "";
}

} // namespace kpr
