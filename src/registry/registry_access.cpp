#include "registry/registry_access.h"

#include "common/hex.h"

#include "registry/registry_text.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace kpr {

using namespace registry_text;

namespace {

constexpr std::uint32_t ReadStringBuffer = 255;

std::string bytesToString(const std::vector<std::uint8_t>& data) {
    return std::string(data.begin(), data.end());
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

namespace {
// Reads value sName of the key at kp: at most `size` bytes, or with size 0 the whole value
// (its size asked for first). False when the key or the value cannot be read.
bool read_value(RegistryBackend& backend, const clsRegistryAccess::KeyPath& kp,
                const std::string& sName, std::uint32_t size, RegValueQuery& q) {
    OpenKey key(backend);
    if (key.open(kp.root, kp.subKey, reg::ReadAccess) != reg::Success)
        return false;
    if (size == 0) {
        const long rc = backend.queryValue(key.handle(), sName, 1u, q);
        if (rc != reg::MoreData)
            return rc == reg::Success;
        size = q.size;
    }
    return backend.queryValue(key.handle(), sName, size, q) == reg::Success;
}
} // namespace

std::string clsRegistryAccess::ReadString(const std::string& sPath, const std::string& sName,
                                          const std::string& sDefault) {
    RegValueQuery q;
    if (!read_value(backend_, ParseKeyPath(sPath), sName, ReadStringBuffer, q))
        return sDefault;
    std::string text = trimBlanks(bytesToString(q.data));
    // The terminating zero goes; a string handed back without one keeps its last character.
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::int32_t clsRegistryAccess::ReadDWORD(const std::string& sPath, const std::string& sName,
                                          std::int32_t lDefault) {
    RegValueQuery q;
    if (!read_value(backend_, ParseKeyPath(sPath), sName, 4u, q))
        return lDefault;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < q.data.size() && i < 4; ++i)
        v |= static_cast<std::uint32_t>(q.data[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::string clsRegistryAccess::ReadBinary(const std::string& sPath, const std::string& sName,
                                          const std::string& sDefault) {
    RegValueQuery q;
    if (!read_value(backend_, ParseKeyPath(sPath), sName, 0, q))
        return sDefault;
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

} // namespace kpr
