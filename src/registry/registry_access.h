#pragma once
// The registry utility class: keys named by one text path ("HKLM\HARDWARE\DEVICEMAP\SERIALCOMM"),
// string, 32-bit and binary values, enumeration, and export to / import from REGEDIT4 script
// files. Binary data travels as hex text, two digits a byte. Every operation reports failure
// by its result only; nothing is shown to the operator.
#include "registry/registry_backend.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kpr {

class ProgressSink;

class clsRegistryAccess {
  public:
    explicit clsRegistryAccess(RegistryBackend& backend) : backend_(backend) {}

    // When set (the initial state), the three writes create a missing key first.
    bool CreateKeyIfDoesntExists() const { return createKeyIfDoesntExists_; }
    void setCreateKeyIfDoesntExists(bool on) { createKeyIfDoesntExists_ = on; }

    struct KeyPath {
        HKey root = 0; // 0: the root name is unknown, and every platform call then fails
        std::string subKey;
    };
    // Root names may be given in full or as the four-letter abbreviations HKCR, HKCU, HKLM,
    // HKUS, HKPD, HKCC, HKDD, in any letter case. Full names are replaced by abbreviations
    // anywhere in the path, so a sub-key whose name contains one cannot be addressed.
    static KeyPath ParseKeyPath(const std::string& sPath);

    // Results of type HKey: nonzero (the already closed handle) on success, 0 on failure.
    HKey CreateKey(const std::string& sPath);
    // Deletes the key with everything below it. Fails, deleting nothing, for a root key.
    HKey KillKey(const std::string& sPath);
    // True when the key opens with full access: a key the user may only read counts as absent.
    bool KeyExists(const std::string& sPath);
    // Sub-key names; the number of them, or -1 if the key does not open.
    long EnumKeys(const std::string& sPath, std::vector<std::string>& keys);
    bool HaveSubkey(const std::string& sPath);

    // The name "@" is the key's unnamed default value. The string is stored without a
    // terminating zero.
    HKey WriteString(const std::string& sPath, const std::string& sName, const std::string& sValue);
    // Leading and trailing blanks are removed; values longer than 254 characters give sDefault.
    std::string ReadString(const std::string& sPath, const std::string& sName,
                           const std::string& sDefault = "");
    HKey WriteDWORD(const std::string& sPath, const std::string& sName, std::int32_t lValue);
    std::int32_t ReadDWORD(const std::string& sPath, const std::string& sName,
                           std::int32_t lDefault = 0);
    // sValue is hex text ("01 0A FF"); text that is not whole bytes of hex digits writes
    // nothing and gives 0. Empty text stores a value of zero bytes.
    HKey WriteBinary(const std::string& sPath, const std::string& sName, const std::string& sValue);
    // Hex text, upper case, a blank between bytes ("01 0A FF").
    std::string ReadBinary(const std::string& sPath, const std::string& sName,
                           const std::string& sDefault = "");
    // Nonzero if the key opened for writing, whether or not the value was there.
    HKey KillValue(const std::string& sPath, const std::string& sName);
    bool ValueExists(const std::string& sPath, const std::string& sName);
    // Names and values (strings as ReadString gives them, 32-bit numbers in decimal, binary as
    // hex text), only values of type typeFilter unless it is -1. The number listed, or -1 if
    // the key does not open (the arrays are then left untouched).
    long EnumValues(const std::string& sPath, std::vector<std::string>& names,
                    std::vector<std::string>& values, long typeFilter = -1);

    // Writes the key (and with IncludeSubkeys everything below it, depth first) to a new
    // REGEDIT4 file. An existing file is never touched. The progress sink's status shows the
    // key being written. 1 on success, 0 otherwise.
    int ExportToReg(const std::string& sPath, const std::string& sRegFile,
                    bool IncludeSubkeys = false, ProgressSink* progress = nullptr);
    // The same REGEDIT4 text, into memory.
    int ExportToRegText(const std::string& sPath, std::string& text, bool IncludeSubkeys = false,
                        ProgressSink* progress = nullptr);
    // Applies a REGEDIT4 file. The whole file is checked before anything is written: a file
    // that is not REGEDIT4 or holds a line that cannot be applied (bad hex, a dword of more
    // than eight digits, a bare "[") changes nothing. 1 when every entry was applied, 0
    // otherwise (entries applied before a refused one stay).
    int ImportFromReg(const std::string& sRegFile);
    // The same for script text already in memory.
    int ImportFromRegText(const std::string& text);

    // Hex text to bytes (a string of characters 0-255). Blanks are ignored. Meant for valid
    // hex (see isBinValid); otherwise an odd last digit makes a byte on its own and a pair
    // that is not hex counts up to its first non-hex character.
    static std::string StrToBin(const std::string& hex);
    // Bytes to hex text: a blank before each upper-case pair, so " 0A 00 FF".
    static std::string BinToStr(const std::string& bytes);
    // Non-empty after removing blanks and made only of hex digits.
    static bool isBinValid(const std::string& sBin);

  private:
    struct ValueEntry {
        std::string name;
        std::uint32_t type = 0;
        std::string text;
        std::int32_t number = 0;
    };
    long listValues(const std::string& sPath, long typeFilter, std::vector<ValueEntry>& entries);
    HKey openForWrite(const std::string& sPath);
    bool keyPresent(const std::string& sPath);
    bool deleteTree(HKey parent, const std::string& subKey);
    using KeySink = std::function<bool(const std::string&)>;
    bool ExportKey(const std::string& sPath, bool includeSubkeys, ProgressSink* progress,
                   const KeySink& sink);

    RegistryBackend& backend_;
    bool createKeyIfDoesntExists_ = true;
};

} // namespace kpr
