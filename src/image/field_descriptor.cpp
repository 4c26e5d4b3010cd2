#include "image/field_descriptor.h"

#include "common/hex.h"

#include "image/pager_image.h"

#include <vector>

namespace kpr {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<uint8_t> parse_byte(std::string_view text) {
    auto v = parse_int16_literal(text);
    if (!v || *v < 0 || *v > 255)
        return std::nullopt;
    return static_cast<uint8_t>(*v);
}

} // namespace

std::optional<int16_t> parse_int16_literal(std::string_view text) {
    text = trim(text);
    if (text.empty())
        return std::nullopt;
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        std::string_view digits = text.substr(2);
        if (digits.empty() || digits.size() > 4)
            return std::nullopt;
        unsigned v = 0;
        for (char c : digits) {
            int d = hex_digit(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
        }
        return static_cast<int16_t>(static_cast<uint16_t>(v));
    }
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (negative)
        v = -v;
    if (v < -32768 || v > 32767)
        return std::nullopt;
    return static_cast<int16_t>(v);
}

std::string_view field_kind_name(FieldKind kind) {
    switch (kind) {
    case FieldKind::Chk:
        return "chk";
    case FieldKind::ChkN:
        return "chkN";
    case FieldKind::ChkSource:
        return "chkSource";
    case FieldKind::Cbo:
        return "cbo";
    case FieldKind::CboBaud:
        return "cboBaud";
    case FieldKind::Lng:
        return "Lng";
    case FieldKind::Other:
        break;
    }
    return {};
}

bool FieldDescriptor::fits_image() const {
    return addr >= 0 && addr <= ImageUpperBound && len >= 1 && len <= 8 && bit + len <= 8;
}

std::optional<FieldDescriptor> parse_field_descriptor(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() < 4) {
        size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                            : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() < 4)
        return std::nullopt;

    auto addr = parse_int16_literal(fields[0]);
    auto bit = parse_byte(fields[1]);
    auto len = parse_byte(fields[2]);
    if (!addr || !bit || !len)
        return std::nullopt;

    FieldDescriptor d;
    d.addr = *addr;
    d.bit = *bit;
    d.len = *len;
    d.kindText = std::string(fields[3]);
    d.kind = FieldKind::Other;
    for (FieldKind k : {FieldKind::Chk, FieldKind::ChkN, FieldKind::ChkSource, FieldKind::Cbo,
                        FieldKind::CboBaud, FieldKind::Lng}) {
        if (fields[3] == field_kind_name(k)) {
            d.kind = k;
            break;
        }
    }
    return d;
}

} // namespace kpr
