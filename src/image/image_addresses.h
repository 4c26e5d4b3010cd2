#pragma once
// Where the pager keeps the facts about itself in its memory image: its model text, its
// firmware version and its serial number with the checksum over it.
namespace kpr {

inline constexpr int AddrWrittenFlag = 992; // &H3E0: 1 in every written image
inline constexpr int AddrModelFirst = 993;  // &H3E1..&H3EE: model text
inline constexpr int AddrModelLast = 1006;
inline constexpr int AddrFirmware = 1113;    // &H459: firmware version, tenths; &HFF none
inline constexpr int AddrFirmware2 = 1114;   // &H45A: counted as &HFF by the blank variant
inline constexpr int AddrSerialFirst = 1238; // &H4D6..&H4E1: twelve ASCII characters
inline constexpr int AddrSerialLast = 1249;
inline constexpr int AddrSerialSumHigh = 1250; // &H4E2
inline constexpr int AddrSerialSumLow = 1251;  // &H4E3
inline constexpr int SerialLength = AddrSerialLast - AddrSerialFirst + 1;

} // namespace kpr
