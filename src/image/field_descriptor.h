#pragma once
// The descriptor text a bound control carries: "address,bit,length,kind", as "&H7E3,0,8,chkN".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kpr {

enum class FieldKind {
    Chk,       // "chk": checked when the field is 1
    ChkN,      // "chkN": checked when the field is 0
    ChkSource, // "chkSource": as "chk", and it enables the source prompt of the same index
    Cbo,       // "cbo": list position = field value
    CboBaud,   // "cboBaud": as "cbo", storing also writes the data-rate companion bytes
    Lng,       // "Lng": logo font code, translated through a code table
    Other,     // a fourth field that names none of the above (bound, but shown by no rule)
};

struct FieldDescriptor {
    int16_t addr = 0;
    uint8_t bit = 0;
    uint8_t len = 0;
    FieldKind kind = FieldKind::Other;
    std::string kindText; // field 3 as written

    // The field lies inside the image and inside one byte.
    bool fits_image() const;

    friend bool operator==(const FieldDescriptor&, const FieldDescriptor&) = default;
};

// Reads a signed 16-bit integer literal: decimal with an optional sign, or "&H" followed by
// up to four hex digits (16-bit two's complement, so "&HFFFF" is -1). Blanks around the
// literal are allowed. Anything else, or a value out of range, gives nothing.
std::optional<int16_t> parse_int16_literal(std::string_view text);

// Splits at every comma; fields 0-3 are address, bit, length and kind, further fields are
// ignored. Fewer than four fields (as the prompt entries' "836,0") is no descriptor, and so
// is a field 0-2 that does not convert (address to 16 bits, bit and length to a byte).
// The kind keyword is compared case-sensitively; an unknown keyword gives FieldKind::Other.
std::optional<FieldDescriptor> parse_field_descriptor(std::string_view text);

// The keyword of a kind ("chk", "chkN", ...); empty for Other.
std::string_view field_kind_name(FieldKind kind);

} // namespace kpr
