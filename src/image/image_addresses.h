#pragma once
// Where the pager keeps each setting and fact in its memory image, one name per address,
// ascending. A byte that holds several fields is named once; its comment lists the fields,
// and the bit positions are given where the field is read or written.
namespace kpr {

inline constexpr int AddrPllN = 0x05;             // &H05..&H07: synthesiser N word, 24 bits
inline constexpr int AddrPllR = 0x09;             // &H09..&H0B: synthesiser R word, 24 bits
inline constexpr int AddrIncd = 0x0C;             // &H0C..&H0D: channel increment, big-endian
inline constexpr int AddrStepKilohertz = 0x0E;    // channel step, whole kHz
inline constexpr int AddrMailDropHistory = 0x0F;  // + drop-1: history depth + 1
inline constexpr int AddrMailDropMemory = 0x1E;   // + drop-1, drops 1..14: quarters of a KB
inline constexpr int AddrTone = 0x2E;             // alert tone
inline constexpr int AddrPriority = 0x32;         // + slot/2, bit (slot%2)*4 + function bit
inline constexpr int AddrOptions = 0x36;          // bit 0: frequency modification (inverted)
inline constexpr int AddrMailDropEnable = 0x37;   // bit (drop-1)%8 of this + (drop-1)/8
inline constexpr int AddrLanguageCode = 0x3A;     // bits 0-3: what the text conversion uses
inline constexpr int AddrPromptFlags = 0x3B;      // bits 0-1: logo text present (2) or empty
                                                  // (0); bit 5: source prompt placement;
                                                  // bit 6: source prompts on
inline constexpr int AddrLockoutZoom = 0x3C;      // bits 0-3: sequential lockout; bit 4: zoom
inline constexpr int AddrOutOfRangeMenu = 0x3D;   // bits 1-3: out of range; bit 5: function
                                                  // menu incomplete
inline constexpr int AddrLanguageCodeCopy = 0x3E; // bits 0-3: what the language list shows
inline constexpr int AddrLogoFont = 0x3F;         // bits 0-3
inline constexpr int AddrDataRate = 0x61;      // bits 0-1: rate; bit 2 polarity; bits 3-4 data rate
inline constexpr int AddrDataRateWord = 0x62;  // whole byte, follows the data rate
inline constexpr int AddrDataRateMode = 0x63;  // bits 6-7, follow the data rate
inline constexpr int AddrBaseFrequency = 0x64; // 100 Hz units, 32 bits big-endian
inline constexpr int AddrReceiveFrequency = 0x68; // 100 Hz units, 32 bits big-endian
inline constexpr int AddrPersonalMemory = 0x6C;   // quarters of a KB
inline constexpr int AddrAirProgramText = 0x70;   // &H70..&H76
inline constexpr int AddrMenuSlots = 0x78; // &H78..&H7E: function-menu codes 7..13, 32 unused
inline constexpr int MenuSlotCount = 7;
inline constexpr int AddrContrast = 0x89;
inline constexpr int AddrBatteryLevel = 0x8D; // Low, Med, High at &H8D..&H8F
inline constexpr int AddrPersonalAlert = 0x90;
inline constexpr int AddrMailDropAlert = 0x91; // + drop-1
inline constexpr int AddrFlashOnly = 0xA0;     // &HA0..&HB3: the FLASH ONLY text entry
inline constexpr int AddrTextBlock = 0x100;    // &H100..&H36B: the 31 built-in texts
inline constexpr int AddrLampSymbol = 0x35A;   // 16 with the push-key lamp on, else 32
inline constexpr int AddrClassCode = 0x370;    // + 4 * slot + function bit
inline constexpr int AddrDisplayCode = 0x390;  // + 4 * slot + function bit
inline constexpr int AddrPassword = 0x3B0;     // &H3B0..&H3B3: digits, the first at &H3B3
inline constexpr int AddrHistoryPair = 0x3B8;  // &H3B8..&H3DF: the two history texts
inline constexpr int AddrWrittenFlag = 0x3E0;  // 1 in every written image
inline constexpr int AddrModelFirst = 0x3E1;   // &H3E1..&H3EE: model text
inline constexpr int AddrModelLast = 0x3EE;
inline constexpr int AddrFirmware = 0x459;       // firmware version, tenths; &HFF none
inline constexpr int AddrStepHundredths = 0x45A; // channel step, hundredths of a kHz; counted
                                                 // as &HFF with the firmware byte by the
                                                 // blank-firmware checksum
inline constexpr int AddrSerialFirst = 0x4D6;    // &H4D6..&H4E1: twelve ASCII characters
inline constexpr int AddrSerialLast = 0x4E1;
inline constexpr int AddrSerialSumHigh = 0x4E2; // the 16-bit sum of the twelve characters
inline constexpr int AddrSerialSumLow = 0x4E3;
inline constexpr int SerialLength = AddrSerialLast - AddrSerialFirst + 1;
inline constexpr int AddrBatteryType = 0x4FC;    // bit 2: rechargeable 2.4 V pack
inline constexpr int AddrBatteryCleared = 0x530; // &H530..&H531: cleared when the type changes
inline constexpr int AddrDisplayText = 0x532;    // &H532..&H53D
inline constexpr int AddrSourcePrompts = 0x540;  // &H540..&H7BF: 32 source-prompt records

} // namespace kpr
