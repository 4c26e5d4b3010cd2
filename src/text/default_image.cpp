#include "text/default_image.h"

#include "text/language.h"
#include "text/language_tables.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

namespace kpr {
namespace {

// Settings bytes &H000-&H06F, row by row.
constexpr uint8_t Settings000[0x70] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xB4, 0xA0, 0x00, 0x00, 0x28, 0x01, 0x00, 0x02, 0x05, 0x0A,
    0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x3C, 0x3C,
    0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x5A, 0x96, 0x11, 0xFF,
    0xFF, 0xFB, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x41, 0x42, 0x0E, 0x40, 0x2C, 0x52, 0x00,
    0x61, 0x1E, 0x5A, 0xD0, 0x60, 0x22, 0x5A, 0xD0, 0x60, 0x46, 0x5A, 0xD0, 0x60, 0x6A, 0x5A, 0xD0,
    0x60, 0x8E, 0x5A, 0xD0, 0x60, 0xB2, 0x5A, 0xD0, 0x60, 0xD6, 0x5A, 0xD0, 0x60, 0xFA, 0x5A, 0xD0,
    0x40, 0x2A, 0x41, 0xA9, 0x00, 0x14, 0xE7, 0x90, 0x00, 0x17, 0x58, 0x90, 0x78, 0x12, 0xF7, 0xA2,
};
// &H077-&H07F: then the function-menu slots 7..13 and the history byte.
constexpr uint8_t Settings077[9] = {0xF0, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x00};
// &H080-&H090 (the rest of &H090-&H09F is 00).
constexpr uint8_t Settings080[17] = {0x21, 0x10, 0x16, 0x1C, 0x21, 0x24, 0x27, 0x2A, 0x2C,
                                     0x04, 0xA3, 0x22, 0x16, 0xCC, 0xDA, 0xE1, 0x08};
// &H0B4-&H0FF, after the FLASH ONLY entry.
constexpr uint8_t Tail0B4[0x4C] = {
    0xE1, 0x6C, 0x63, 0x87, 0x79, 0xE4, 0x61, 0xA4, 0xFC, 0xF0, 0x84, 0x7D, 0x6B, 0xFC, 0xA7, 0xC5,
    0x30, 0xA7, 0x79, 0x85, 0x71, 0xE4, 0x62, 0x87, 0xE1, 0xE6, 0xF9, 0xFE, 0xC3, 0x30, 0x92, 0x34,
    0xA7, 0xF9, 0x8C, 0x62, 0xA5, 0x01, 0xE4, 0xB6, 0xB1, 0x91, 0x27, 0xAA, 0xE4, 0x9E, 0x6B, 0x9C,
    0x87, 0xB9, 0xEF, 0x6B, 0x91, 0x71, 0x82, 0x8B, 0x21, 0xA7, 0x29, 0xE7, 0xB9, 0xF6, 0x44, 0x1B,
    0x87, 0xB9, 0xE6, 0x89, 0x12, 0xF8, 0xD1, 0xA3, 0xE8, 0x42, 0xCB, 0x42,
};
constexpr uint8_t Bytes36C[4] = {0x79, 0xC6, 0x3E, 0x05};
constexpr uint8_t Bytes3B4[4] = {0xE7, 0xF5, 0xB1, 0xB2};
// &H3E0: model and version text.
constexpr uint8_t Model3E0[16] = {0x0C, 'K', 'P', 'R', '3', '5', 'T', ' ',
                                  ' ',  '0', 'V', '5', '.', '2', '1', 0x90};
constexpr uint8_t Bytes3F0[16] = {0x94, 0xE9, 0x58, 0x44, 0xB0, 0x84, 0xB9, 0x89,
                                  0xFB, 0xC3, 0x4A, 0x24, 0x22, 0x70, 0x92, 0x0D};
constexpr uint8_t Bytes527[11] = {0x2D, 0x05, 0xB4, 0xD3, 0x02, 0xDD, 0x03, 0x30, 0x01, 0x00, 0x00};
constexpr uint8_t Bytes53E[2] = {0x2B, 0x00};
constexpr uint8_t KeyDisable7E0[32] = {
    0x01, 0x01, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF, 0xFF, 0xFF, 0xFF,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x08, 0x14, 0x0E, 0x0D, 0xCC, 0xFF, 0xFF, 0xFF,
};

constexpr int SourcePromptCount = 32;

class Writer {
  public:
    explicit Writer(PagerImage& image) : image_(image) {}
    void bytes(int addr, std::span<const uint8_t> b) {
        std::copy(b.begin(), b.end(), image_.bytes().begin() + addr);
    }
    void text(int addr, std::string_view s) {
        for (char c : s)
            image_[addr++] = static_cast<uint8_t>(c);
    }
    void fill(int first, int last, uint8_t v) {
        for (int a = first; a <= last; ++a)
            image_[a] = v;
    }

  private:
    PagerImage& image_;
};

// A text entry whose field past the text is filled with `pad`.
void entry(Writer& w, int addr, uint8_t attr, std::string_view text, uint8_t pad) {
    const uint8_t head[2] = {attr, static_cast<uint8_t>(text.size())};
    w.bytes(addr, head);
    w.fill(addr + 2, addr + TextEntrySize - 1, pad);
    w.text(addr + 2, text);
}

} // namespace

PagerImage build_default_image() {
    PagerImage image;
    Writer w(image);

    // &H000-&H0FF: settings, the English FLASH ONLY entry, the bytes after it.
    w.bytes(0x000, Settings000);
    w.text(AddrAirProgramText, std::string_view(DefaultAirProgramText));
    w.bytes(0x077, Settings077);
    w.bytes(0x080, Settings080);
    w.fill(0x091, 0x09F, 0x00);
    w.bytes(AddrFlashOnly, flash_only_entry(TextLanguage::English));
    w.bytes(0x0B4, Tail0B4);

    // &H100-&H36B: the English built-in texts.
    w.bytes(AddrTextBlock, text_block(TextLanguage::English));

    // &H36C-&H3FF.
    w.bytes(0x36C, Bytes36C);
    w.fill(0x370, 0x38F, 0x00);
    w.fill(0x390, 0x3AF, 0x02);
    const std::string_view pass(DefaultPassword);
    for (int i = 0; i < 4; ++i) // first digit at &H3B3, last at &H3B0
        image[AddrPassword + 3 - i] = static_cast<uint8_t>(pass[i] - '0');
    w.bytes(0x3B4, Bytes3B4);
    w.bytes(AddrHistoryPair, default_history_pair());
    w.bytes(0x3E0, Model3E0);
    w.bytes(0x3F0, Bytes3F0);

    // &H400-&H53F: erased except for a few records and bytes.
    w.fill(0x400, 0x53F, 0xFF);
    entry(w, 0x428, 0x27, "CHARGING", 0xFF);
    entry(w, 0x4E4, 0x43, "MAIL DROP AREA", ' ');
    image[0x4F8] = 0x27;
    image[0x520] = 0x96;
    w.bytes(0x527, Bytes527);
    w.text(AddrDisplayText, std::string_view(DefaultDisplayText));
    w.bytes(0x53E, Bytes53E);

    // &H540-&H7FF: source prompts NEWS 1 ... NEWS 32, their enable bytes (all unused), the
    // key-disable bytes and the rest.
    for (int n = 1; n <= SourcePromptCount; ++n)
        entry(w, AddrSourcePrompts + TextEntrySize * (n - 1), 0x05, "NEWS " + std::to_string(n),
              ' ');
    w.fill(0x7C0, 0x7DF, 0x00);
    w.bytes(0x7E0, KeyDisable7E0);

    // The serial-number text; its twelfth byte and check sum stay erased.
    w.text(AddrSerialFirst, std::string_view(DefaultSerialText));
    return image;
}

const PagerImage& default_image() {
    static const PagerImage image = build_default_image();
    return image;
}

bool load_default_prompt(PagerImage& image, int recordAddress, int languageListPosition) {
    const int a = recordAddress;
    const bool inTextBlock =
        a >= AddrTextBlock && a - AddrTextBlock + TextEntrySize <= TextBlockSize;
    const bool inHistoryArea = a >= 0x36C && a + TextEntrySize <= 0x400;
    const bool inUpperArea = a >= 0x400 && a + TextEntrySize <= ImageSize;
    if (a != AddrFlashOnly && !inTextBlock && !inHistoryArea && !inUpperArea)
        return false;

    const LanguageItem* item = language_item(languageListPosition);
    if (item == nullptr)
        return true;

    for (int k = 0; k < TextEntrySize; ++k) {
        if (a == AddrFlashOnly)
            image[a + k] = flash_only_entry(item->texts)[k];
        else if (inTextBlock)
            image[a + k] = text_block(item->texts)[a - AddrTextBlock + k];
        else
            image[a + k] = default_image()[a + k];
    }
    if (item->writesHistory)
        std::copy_n(language_history_pair(item->texts)->begin(), HistoryPairSize,
                    image.bytes().begin() + AddrHistoryPair);
    return true;
}

} // namespace kpr
