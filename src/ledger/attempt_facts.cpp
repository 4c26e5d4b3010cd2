#include "ledger/attempt_facts.h"

#include "common/hex.h"
#include "ops/seal.h"
#include "settings/battery.h"
#include "settings/capcode.h"
#include "settings/frequency.h"
#include "text/charset.h"
#include "text/language.h"

#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
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
    return bytes_hex(std::string(reinterpret_cast<const char*>(md), len));
}

std::string shown_serial_of(const PagerImage& image) {
    return shown_serial_number(valid_serial_number(image).value_or(""));
}

std::string machine_id(const std::string& fallbackFile) {
    auto read_id = [](const std::string& path) {
        std::ifstream f(path);
        std::string id;
        std::getline(f, id);
        while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back())))
            id.pop_back();
        return id.size() >= 16 && id.size() <= 64 ? id : std::string();
    };
    if (const char* forced = std::getenv("KPR_MACHINE_ID"); forced && *forced)
        return forced;
    for (const char* system : {"/etc/machine-id", "/var/lib/dbus/machine-id"})
        if (std::string id = read_id(system); !id.empty())
            return id;
    if (std::string id = read_id(fallbackFile); !id.empty())
        return id;
    std::random_device rd;
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char b[9];
        std::snprintf(b, sizeof b, "%08x", static_cast<unsigned>(rd()));
        id += b;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(fallbackFile).parent_path(), ec);
    std::ofstream(fallbackFile) << id << "\n";
    // Another program may have made one at the same moment: the file's is the one.
    const std::string kept = read_id(fallbackFile);
    return kept.empty() ? id : kept;
}

LedgerOwner this_owner(const std::string& fallbackIdFile) {
    return {machine_id(fallbackIdFile), station_name(), static_cast<int64_t>(::getpid())};
}

std::string bytes_hex(const std::string& bytes) {
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string utf8_text(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80                ? 1
                          : b >= 0xC2 && b < 0xE0 ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF5 ? 4
                                                  : 0;
        bool whole = len > 0 && i + len <= s.size() && b != 0;
        for (std::size_t k = 1; whole && k < len; ++k)
            whole = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (whole && len == 3) { // no overlong forms, no UTF-16 surrogates
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            whole = !(b == 0xE0 && c1 < 0xA0) && !(b == 0xED && c1 >= 0xA0);
        }
        if (whole && len == 4) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            whole = !(b == 0xF0 && c1 < 0x90) && !(b == 0xF4 && c1 >= 0x90);
        }
        if (whole) {
            out.append(s, i, len);
            i += len;
        } else {
            out += hex_escape(b);
            ++i;
        }
    }
    return out;
}

void describe_image(LedgerAttempt& a, const PagerImage& image, bool inPager) {
    a.serialBytes = inPager ? valid_serial_number(image).value_or("") : "";
    a.serial = shown_serial_number(a.serialBytes);
    a.serialIdentifies = serial_identifies_pager(a.serialBytes);
    a.firmware = inPager ? image[AddrFirmware] : -1;
    for (int slot = 0; slot < CapcodeSlots; ++slot)
        a.capcodes[slot] = {decode_capcode(image, slot), (image[capcode_base(slot)] & 1) != 0};
    a.frequency = std::to_string(read_u32(image, AddrReceiveFrequency));
    const auto pos = language_list_position_for_code(image[AddrLanguageCodeCopy] & 0x0F);
    const LanguageItem* item = pos ? language_item(*pos) : nullptr;
    a.language = item ? item->caption : "";
    a.imageSha256 = inPager ? sha256_hex(image) : "";
}

} // namespace kpr
