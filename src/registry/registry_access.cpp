#include "registry/registry_access.h"

#include "common/hex.h"

#include "common/progress.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace kpr {

namespace {

struct RootName {
    const char* abbreviation;
    const char* fullName;
    HKey handle;
};

// The order full names are replaced in.
constexpr std::array<RootName, 7> RootNames = {{
    {"HKCU", "HKEY_CURRENT_USER", HKeyCurrentUser},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKeyLocalMachine},
    {"HKCR", "HKEY_CLASSES_ROOT", HKeyClassesRoot},
    {"HKUS", "HKEY_USERS", HKeyUsers},
    {"HKPD", "HKEY_PERFORMANCE_DATA", HKeyPerformanceData},
    {"HKDD", "HKEY_DYN_DATA", HKeyDynData},
    {"HKCC", "HKEY_CURRENT_CONFIG", HKeyCurrentConfig},
}};

// Registry scripts are small; anything bigger is not one.
constexpr std::uintmax_t MaxScriptSize = 64u * 1024u * 1024u;

constexpr std::uint32_t ReadStringBuffer = 255;

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string toUpper(std::string s) {
    for (char& c : s)
        c = upper(c);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (upper(s[i]) != upper(prefix[i]))
            return false;
    return true;
}

// Every occurrence of `from` (any letter case) replaced by `to`, left to right.
std::string replaceNoCase(const std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (startsWithNoCase(std::string_view(s).substr(i), from)) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string removeBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != ' ')
            out += c;
    return out;
}

// Whole bytes of hex digits, blanks ignored; empty text is zero bytes.
bool isWholeHexBytes(const std::string& hex) {
    const std::string digits = removeBlanks(hex);
    return digits.empty() || (digits.size() % 2 == 0 && clsRegistryAccess::isBinValid(digits));
}

std::string bytesToString(const std::vector<std::uint8_t>& data) {
    return std::string(data.begin(), data.end());
}

// The number a "dword:" entry holds: the hex digits up to the first other character (none
// gives 0). More than eight significant digits do not fit and are refused.
std::optional<std::int32_t> parseDword(std::string_view s) {
    std::uint64_t value = 0;
    int significant = 0;
    for (char c : s) {
        const int d = hex_digit(c);
        if (d < 0)
            break;
        if (significant > 0 || d != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Closes a key handle when it goes out of scope.
class OpenKey {
  public:
    explicit OpenKey(RegistryBackend& backend) : backend_(backend) {}
    ~OpenKey() { close(); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    long open(HKey root, const std::string& subKey, std::uint32_t access) {
        close();
        return backend_.openKey(root, subKey, access, handle_);
    }
    long create(HKey root, const std::string& subKey) {
        close();
        return backend_.createKey(root, subKey, handle_);
    }
    void close() {
        if (handle_ != 0)
            backend_.closeKey(handle_);
        handle_ = 0;
    }
    HKey handle() const { return handle_; }

  private:
    RegistryBackend& backend_;
    HKey handle_ = 0;
};

} // namespace

clsRegistryAccess::KeyPath clsRegistryAccess::ParseKeyPath(const std::string& sPath) {
    std::string path = sPath;
    for (const auto& r : RootNames)
        path = replaceNoCase(path, r.fullName, r.abbreviation);
    KeyPath result;
    std::string rootName;
    if (const auto slash = path.find('\\'); slash != std::string::npos) {
        rootName = toUpper(path.substr(0, 4));
        result.subKey = path.substr(slash + 1);
    } else {
        rootName = toUpper(path);
    }
    for (const auto& r : RootNames)
        if (rootName == r.abbreviation)
            result.root = r.handle;
    return result;
}

HKey clsRegistryAccess::CreateKey(const std::string& sPath) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.create(kp.root, kp.subKey) != reg::Success)
        return 0;
    return key.handle();
}

bool clsRegistryAccess::deleteTree(HKey root, const std::string& subKey) {
    std::vector<std::string> children;
    {
        OpenKey key(backend_);
        if (key.open(root, subKey, reg::AllAccess) != reg::Success)
            return false;
        std::string name;
        for (std::uint32_t i = 0; backend_.enumKey(key.handle(), i, name) == reg::Success; ++i)
            children.push_back(name);
    }
    for (const auto& child : children)
        if (!deleteTree(root, subKey + "\\" + child))
            return false;
    return backend_.deleteKey(root, subKey) == reg::Success;
}

HKey clsRegistryAccess::KillKey(const std::string& sPath) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::AllAccess) != reg::Success)
        return 0;
    const HKey handle = key.handle();
    key.close();
    std::string subKey = kp.subKey;
    if (!subKey.empty() && subKey.back() == '\\')
        subKey.pop_back();
    // A root key is never wiped as a whole.
    if (subKey.empty() || !deleteTree(kp.root, subKey))
        return 0;
    return handle;
}

bool clsRegistryAccess::KeyExists(const std::string& sPath) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    return key.open(kp.root, kp.subKey, reg::AllAccess) == reg::Success;
}

bool clsRegistryAccess::keyPresent(const std::string& sPath) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    return key.open(kp.root, kp.subKey, reg::MaximumAllowed) == reg::Success;
}

long clsRegistryAccess::EnumKeys(const std::string& sPath, std::vector<std::string>& keys) {
    keys.clear();
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::MaximumAllowed) != reg::Success)
        return -1;
    std::string name;
    // Any answer but success ends the list, so a failing key cannot loop forever.
    for (std::uint32_t i = 0; backend_.enumKey(key.handle(), i, name) == reg::Success; ++i)
        keys.push_back(name);
    return static_cast<long>(keys.size());
}

bool clsRegistryAccess::HaveSubkey(const std::string& sPath) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::MaximumAllowed) != reg::Success)
        return false;
    std::string name;
    return backend_.enumKey(key.handle(), 0, name) != reg::NoMoreItems;
}

HKey clsRegistryAccess::openForWrite(const std::string& sPath) {
    if (!KeyExists(sPath)) {
        if (!createKeyIfDoesntExists_)
            return 0;
        CreateKey(sPath);
    }
    const KeyPath kp = ParseKeyPath(sPath);
    HKey handle = 0;
    if (backend_.openKey(kp.root, kp.subKey, reg::WriteAccess, handle) != reg::Success)
        return 0;
    return handle;
}

HKey clsRegistryAccess::WriteString(const std::string& sPath, const std::string& sName,
                                    const std::string& sValue) {
    const HKey key = openForWrite(sPath);
    if (key == 0)
        return 0;
    const std::string name = sName == "@" ? std::string() : sName;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sValue.data());
    const long rc = backend_.setValue(key, name, reg::TypeString, {bytes, sValue.size()});
    backend_.closeKey(key);
    return rc == reg::Success ? key : 0;
}

HKey clsRegistryAccess::WriteDWORD(const std::string& sPath, const std::string& sName,
                                   std::int32_t lValue) {
    const HKey key = openForWrite(sPath);
    if (key == 0)
        return 0;
    const auto v = static_cast<std::uint32_t>(lValue);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 24)};
    const long rc = backend_.setValue(key, sName, reg::TypeDword, bytes);
    backend_.closeKey(key);
    return rc == reg::Success ? key : 0;
}

HKey clsRegistryAccess::WriteBinary(const std::string& sPath, const std::string& sName,
                                    const std::string& sValue) {
    // Checked before anything is created: text that is not whole bytes would store garbage.
    if (!isWholeHexBytes(sValue))
        return 0;
    const HKey key = openForWrite(sPath);
    if (key == 0)
        return 0;
    const std::string bin = StrToBin(sValue);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(bin.data());
    const long rc = backend_.setValue(key, sName, reg::TypeBinary, {bytes, bin.size()});
    backend_.closeKey(key);
    return rc == reg::Success ? key : 0;
}

std::string clsRegistryAccess::ReadString(const std::string& sPath, const std::string& sName,
                                          const std::string& sDefault) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::ReadAccess) != reg::Success)
        return sDefault;
    RegValueQuery q;
    if (backend_.queryValue(key.handle(), sName, ReadStringBuffer, q) != reg::Success)
        return sDefault;
    std::string text = trimBlanks(bytesToString(q.data));
    // The terminating zero goes; a string handed back without one keeps its last character.
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::int32_t clsRegistryAccess::ReadDWORD(const std::string& sPath, const std::string& sName,
                                          std::int32_t lDefault) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::ReadAccess) != reg::Success)
        return lDefault;
    RegValueQuery q;
    if (backend_.queryValue(key.handle(), sName, 4u, q) != reg::Success)
        return lDefault;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < q.data.size() && i < 4; ++i)
        v |= static_cast<std::uint32_t>(q.data[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::string clsRegistryAccess::ReadBinary(const std::string& sPath, const std::string& sName,
                                          const std::string& sDefault) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::ReadAccess) != reg::Success)
        return sDefault;
    RegValueQuery q;
    const long rc = backend_.queryValue(key.handle(), sName, 1u, q);
    if (rc == reg::MoreData) {
        const std::uint32_t size = q.size;
        if (backend_.queryValue(key.handle(), sName, size, q) != reg::Success)
            return sDefault;
    } else if (rc != reg::Success) {
        return sDefault;
    }
    return trimBlanks(BinToStr(bytesToString(q.data)));
}

HKey clsRegistryAccess::KillValue(const std::string& sPath, const std::string& sName) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::WriteAccess) != reg::Success)
        return 0;
    backend_.deleteValue(key.handle(), sName);
    return key.handle();
}

bool clsRegistryAccess::ValueExists(const std::string& sPath, const std::string& sName) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::ReadAccess) != reg::Success)
        return false;
    RegValueQuery q;
    return backend_.queryValue(key.handle(), sName, std::nullopt, q) == reg::Success;
}

long clsRegistryAccess::listValues(const std::string& sPath, long typeFilter,
                                   std::vector<ValueEntry>& entries) {
    const KeyPath kp = ParseKeyPath(sPath);
    OpenKey key(backend_);
    if (key.open(kp.root, kp.subKey, reg::MaximumAllowed) != reg::Success)
        return -1;
    entries.clear();
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // Any answer but success ends the list, so a failing key cannot loop forever.
    for (std::uint32_t i = 0; backend_.enumValue(key.handle(), i, name, type, data) == reg::Success;
         ++i) {
        if (typeFilter != -1 && static_cast<long>(type) != typeFilter)
            continue;
        ValueEntry e;
        e.name = trimBlanks(name);
        e.type = type;
        if (type == reg::TypeString) {
            e.text = ReadString(sPath, e.name, "");
        } else if (type == reg::TypeDword) {
            e.number = ReadDWORD(sPath, e.name, 0);
            e.text = std::to_string(e.number);
        } else if (type == reg::TypeBinary && !data.empty()) {
            e.text = trimBlanks(BinToStr(bytesToString(data)));
        }
        entries.push_back(std::move(e));
    }
    return static_cast<long>(entries.size());
}

long clsRegistryAccess::EnumValues(const std::string& sPath, std::vector<std::string>& names,
                                   std::vector<std::string>& values, long typeFilter) {
    std::vector<ValueEntry> entries;
    const long n = listValues(sPath, typeFilter, entries);
    if (n < 0)
        return n;
    names.clear();
    values.clear();
    for (auto& e : entries) {
        names.push_back(std::move(e.name));
        values.push_back(std::move(e.text));
    }
    return n;
}

std::string clsRegistryAccess::BinToStr(const std::string& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::string clsRegistryAccess::StrToBin(const std::string& hex) {
    const std::string digits = removeBlanks(hex);
    std::string out;
    out.reserve(digits.size() / 2 + 1);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        int value = 0;
        for (std::size_t j = i; j < i + 2 && j < digits.size(); ++j) {
            const int d = hex_digit(digits[j]);
            if (d < 0)
                break;
            value = value * 16 + d;
        }
        out += static_cast<char>(value);
    }
    return out;
}

bool clsRegistryAccess::isBinValid(const std::string& sBin) {
    const std::string digits = removeBlanks(sBin);
    if (digits.empty())
        return false;
    for (char c : digits)
        if (hex_digit(c) < 0)
            return false;
    return true;
}

bool clsRegistryAccess::ExportKey(const std::string& sPath, bool includeSubkeys,
                                  ProgressSink* progress, const KeySink& sink) {
    std::string fullPath = sPath;
    for (const auto& r : RootNames)
        fullPath = replaceNoCase(fullPath, r.abbreviation, r.fullName);
    if (progress)
        progress->setStatus(fullPath);

    // A key that has gone (or never was) fails the export instead of leaving an empty section.
    std::vector<ValueEntry> strings, binaries, dwords;
    if (listValues(sPath, reg::TypeString, strings) < 0 ||
        listValues(sPath, reg::TypeBinary, binaries) < 0 ||
        listValues(sPath, reg::TypeDword, dwords) < 0)
        return false;

    static constexpr const char* CRLF = "\r\n";
    std::string block = "[" + fullPath + "]" + CRLF;
    const std::string noDefault(1, '\0');
    const std::string def = ReadString(sPath, "", noDefault);
    // The script has no escape for a line break: a name or value holding one would write
    // lines of its own into the script (a "[-key]" among them). Such a key is not exported.
    if (hasLineBreak(fullPath) || (def != noDefault && hasLineBreak(def)))
        return false;
    for (const auto* list : {&strings, &binaries, &dwords})
        for (const auto& e : *list)
            if (hasLineBreak(e.name) || hasLineBreak(e.text))
                return false;
    if (def != noDefault)
        block += "@=\"" + def + "\"" + CRLF;
    for (const auto& e : strings)
        if (!e.name.empty())
            block += "\"" + e.name + "\"=\"" + e.text + "\"" + CRLF;
    for (const auto& e : binaries) {
        std::string hex = trimBlanks(e.text);
        for (char& c : hex)
            if (c == ' ')
                c = ',';
        block += "\"" + e.name + "\"=hex:" + hex + CRLF;
    }
    for (const auto& e : dwords) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(e.number));
        block += "\"" + e.name + "\"=dword:" + digits + CRLF;
    }
    block += CRLF;
    if (!sink(block))
        return false;

    if (includeSubkeys) {
        std::vector<std::string> subkeys;
        if (EnumKeys(sPath, subkeys) < 0)
            return false;
        for (const auto& sub : subkeys)
            if (!ExportKey(sPath + "\\" + sub, true, progress, sink))
                return false;
    }
    return true;
}

int clsRegistryAccess::ExportToReg(const std::string& sPath, const std::string& sRegFile,
                                   bool IncludeSubkeys, ProgressSink* progress) {
    try {
        const std::filesystem::path file(sRegFile);
        std::error_code ec;
        if (std::filesystem::exists(file, ec) || ec)
            return 0;
        // Nothing to export: no file at all rather than an empty one.
        if (!keyPresent(sPath))
            return 0;
        {
            // "x": a file that appeared since the check above is not overwritten either.
            std::FILE* out = std::fopen(sRegFile.c_str(), "wbx");
            if (!out)
                return 0;
            static constexpr char header[] = "REGEDIT4\r\n\r\n";
            const bool written =
                std::fwrite(header, 1, sizeof header - 1, out) == sizeof header - 1;
            if (std::fclose(out) != 0 || !written)
                return 0;
        }
        const auto appendKey = [&file](const std::string& block) {
            std::ofstream out(file, std::ios::binary | std::ios::app);
            out << block;
            return static_cast<bool>(out.flush());
        };
        return ExportKey(sPath, IncludeSubkeys, progress, appendKey) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int clsRegistryAccess::ExportToRegText(const std::string& sPath, std::string& text,
                                       bool IncludeSubkeys, ProgressSink* progress) {
    try {
        text.clear();
        if (!keyPresent(sPath))
            return 0;
        text = "REGEDIT4\r\n\r\n";
        const auto appendKey = [&text](const std::string& block) {
            text += block;
            return true;
        };
        return ExportKey(sPath, IncludeSubkeys, progress, appendKey) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int clsRegistryAccess::ImportFromReg(const std::string& sRegFile) {
    createKeyIfDoesntExists_ = true;
    try {
        const std::filesystem::path file(sRegFile);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            return 0;
        const std::uintmax_t size = std::filesystem::file_size(file, ec);
        if (ec || size > MaxScriptSize)
            return 0;
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return 0;
        std::string text(static_cast<std::size_t>(size), '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        if (static_cast<std::uintmax_t>(in.gcount()) != size)
            return 0;
        return ImportFromRegText(text);
    } catch (...) {
        return 0;
    }
}

namespace {

struct ImportStep {
    enum Kind { KillKey, CreateKey, KillValue, WriteBinary, WriteDword, WriteString } kind;
    std::string key;
    std::string name;
    std::string data;
    std::int32_t number = 0;
};

// One script line as the import sees it: blanks trimmed, then double quotes removed (in
// that order, so a quoted value that starts with blanks and a "[" stays a value).
std::string cleanLine(std::string_view line) {
    std::string out;
    for (char c : trimBlanks(line))
        if (c != '"')
            out += c;
    return out;
}

// A path the registry can hold: a known root, and below it names of 1 to 255 characters,
// nested no deeper than the registry allows.
bool isWritableKeyPath(const std::string& path) {
    const auto kp = clsRegistryAccess::ParseKeyPath(path);
    if (kp.root == 0)
        return false;
    std::string_view rest = kp.subKey;
    if (rest.empty())
        return true;
    if (rest.back() == '\\')
        rest.remove_suffix(1);
    int depth = 0;
    for (std::size_t start = 0;;) {
        const std::size_t slash = rest.find('\\', start);
        const std::size_t len = (slash == std::string_view::npos ? rest.size() : slash) - start;
        if (len == 0 || len > reg::MaxKeyNameLength || ++depth > reg::MaxKeyDepth)
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

// Turns the script into the steps it asks for; nullopt when it cannot be applied as a whole.
std::optional<std::vector<ImportStep>> parseScript(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 2;
    }
    if (toUpper(std::string(lines[0])) != "REGEDIT4")
        return std::nullopt;

    // A lone CR or LF inside a line is a value that broke out of its quotes, or a file
    // edited elsewhere: either way it cannot be applied as meant.
    for (const auto line : lines)
        if (hasLineBreak(line))
            return std::nullopt;

    std::vector<ImportStep> steps;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string line = cleanLine(lines[i]);
        if (line.empty() || line[0] != '[')
            continue;
        // A section line cut short would name some other key.
        if (line.size() < 2 || line.back() != ']')
            return std::nullopt;
        const std::string key = line.substr(1, line.size() - 2);
        if (!key.empty() && key[0] == '-') {
            steps.push_back({ImportStep::KillKey, key.substr(1), {}, {}, 0});
            continue;
        }
        if (!isWritableKeyPath(key))
            return std::nullopt;
        steps.push_back({ImportStep::CreateKey, key, {}, {}, 0});
        std::size_t j = i + 1;
        for (; j < lines.size(); ++j) {
            const std::string entry = cleanLine(lines[j]);
            if (!entry.empty() && entry[0] == '[')
                break;
            if (entry.empty() || entry[0] == ';')
                continue;
            const std::size_t eq = entry.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string name = entry.substr(0, eq);
            const std::size_t eq2 = entry.find('=', eq + 1);
            const std::string data = eq2 == std::string::npos ? entry.substr(eq + 1)
                                                              : entry.substr(eq + 1, eq2 - eq - 1);
            if (trimBlanks(data) == "-") {
                steps.push_back({ImportStep::KillValue, key, name, {}, 0});
            } else if (startsWithNoCase(data, "hex:")) {
                std::string hex = data.substr(4);
                for (char& c : hex)
                    if (c == ',')
                        c = ' ';
                if (!isWholeHexBytes(hex))
                    return std::nullopt;
                steps.push_back({ImportStep::WriteBinary, key, name, hex, 0});
            } else if (startsWithNoCase(data, "dword:")) {
                const auto number = parseDword(std::string_view(data).substr(6));
                if (!number)
                    return std::nullopt;
                steps.push_back({ImportStep::WriteDword, key, name, {}, *number});
            } else {
                steps.push_back({ImportStep::WriteString, key, name, data, 0});
                if (name == "@" && data.empty())
                    steps.push_back({ImportStep::KillValue, key, {}, {}, 0});
            }
        }
        i = j - 1;
    }
    return steps;
}

} // namespace

int clsRegistryAccess::ImportFromRegText(const std::string& text) {
    createKeyIfDoesntExists_ = true;
    try {
        const auto steps = parseScript(text);
        if (!steps)
            return 0;
        for (const auto& s : *steps) {
            bool ok = true;
            switch (s.kind) {
            case ImportStep::KillKey:
                // Deleting a key that is not there is done; one that stays is a failure.
                ok = KillKey(s.key) != 0 || !keyPresent(s.key);
                break;
            case ImportStep::CreateKey:
                ok = CreateKey(s.key) != 0;
                break;
            case ImportStep::KillValue:
                ok = KillValue(s.key, s.name) != 0 || !keyPresent(s.key);
                break;
            case ImportStep::WriteBinary:
                ok = WriteBinary(s.key, s.name, s.data) != 0;
                break;
            case ImportStep::WriteDword:
                ok = WriteDWORD(s.key, s.name, s.number) != 0;
                break;
            case ImportStep::WriteString:
                ok = WriteString(s.key, s.name, s.data) != 0;
                break;
            }
            if (!ok)
                return 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

} // namespace kpr
