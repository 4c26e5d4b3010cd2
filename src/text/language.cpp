#include "text/language.h"

#include "text/charset.h"

#include <algorithm>

namespace kpr {
namespace {

constexpr std::array<LanguageItem, LanguageListSize> Items{{
    {"English", language_code::English, TextLanguage::English, false},
    {"Spainish", language_code::Spanish, TextLanguage::Spanish, false},
    {"French", language_code::French, TextLanguage::French, true},
    {"German", language_code::German, TextLanguage::German, true},
    {"Danish", language_code::Danish, TextLanguage::English, false},
    {"Swedish", language_code::Swedish, TextLanguage::English, false},
}};

template <std::size_t N>
void copy_to(PagerImage& image, int address, const std::array<uint8_t, N>& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.bytes().begin() + address);
}

} // namespace

const std::array<LanguageItem, LanguageListSize>& language_list() {
    return Items;
}

const LanguageItem* language_item(int listPosition) {
    if (listPosition < 0 || listPosition >= LanguageListSize)
        return nullptr;
    return &Items[listPosition];
}

std::optional<int> language_list_position_for_code(int code) {
    if (code == 0 || code == 1)
        return 0;
    for (int i = 0; i < LanguageListSize; ++i)
        if (Items[i].code == code)
            return i;
    return std::nullopt;
}

bool apply_language(PagerImage& image, int listPosition) {
    image.set_bits(AddrPromptFlags, 0, 2, 2);
    const LanguageItem* item = language_item(listPosition);
    if (item == nullptr)
        return false;
    image.set_bits(AddrLanguageCode, 0, item->code, 4);
    image.set_bits(AddrLanguageCodeCopy, 0, item->code, 4);
    copy_to(image, AddrTextBlock, text_block(item->texts));
    if (item->writesHistory)
        copy_to(image, AddrHistoryPair, *language_history_pair(item->texts));
    copy_to(image, AddrFlashOnly, flash_only_entry(item->texts));
    return true;
}

} // namespace kpr
