#pragma once
// What the registry class needs from the platform's registry: open, create, close and delete
// keys, enumerate sub-keys and values, query, set and delete values. The results are the
// platform's own codes (0 success, 259 no more items, ...) so the class can act on them
// exactly as it would on the real thing.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kpr {

// A key handle. 0 is never a valid handle; the predefined roots have fixed values.
using HKey = std::uint32_t;

inline constexpr HKey HKeyClassesRoot = 0x80000000;
inline constexpr HKey HKeyCurrentUser = 0x80000001;
inline constexpr HKey HKeyLocalMachine = 0x80000002;
inline constexpr HKey HKeyUsers = 0x80000003;
inline constexpr HKey HKeyPerformanceData = 0x80000004;
inline constexpr HKey HKeyCurrentConfig = 0x80000005;
inline constexpr HKey HKeyDynData = 0x80000006;

// Result codes.
namespace reg {
inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;
inline constexpr long AccessDenied = 5;
inline constexpr long InvalidHandle = 6;
inline constexpr long InvalidParameter = 87;
inline constexpr long BadPathName = 161;
inline constexpr long MoreData = 234;
inline constexpr long NoMoreItems = 259;
inline constexpr long KeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t TypeNone = 0;
inline constexpr std::uint32_t TypeString = 1;
inline constexpr std::uint32_t TypeBinary = 3;
inline constexpr std::uint32_t TypeDword = 4;

// Access rights.
inline constexpr std::uint32_t QueryValue = 0x0001;
inline constexpr std::uint32_t SetValue = 0x0002;
inline constexpr std::uint32_t CreateSubKey = 0x0004;
inline constexpr std::uint32_t EnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t Notify = 0x0010;
inline constexpr std::uint32_t CreateLink = 0x0020;
inline constexpr std::uint32_t Delete = 0x00010000;
inline constexpr std::uint32_t ReadControl = 0x00020000;
inline constexpr std::uint32_t WriteDac = 0x00040000;
inline constexpr std::uint32_t WriteOwner = 0x00080000;
inline constexpr std::uint32_t MaximumAllowed = 0x02000000;

inline constexpr std::uint32_t AllAccess = 0xF003F; // full access
inline constexpr std::uint32_t WriteAccess = 0x20006;
inline constexpr std::uint32_t ReadAccess = 0x20019;
// Every right that changes something; a read-only key refuses a handle asking for any of them.
inline constexpr std::uint32_t ModifyingRights =
    SetValue | CreateSubKey | CreateLink | Delete | WriteDac | WriteOwner;

// Longest key name (one path component) the registry accepts.
inline constexpr std::size_t MaxKeyNameLength = 255;
// Deepest nesting of keys below a root.
inline constexpr int MaxKeyDepth = 512;
} // namespace reg

// The answer to a value query.
struct RegValueQuery {
    std::uint32_t type = reg::TypeNone;
    // Bytes the value needs. Strings are reported with a terminating zero, whether or not
    // one was stored.
    std::uint32_t size = 0;
    // The bytes, when a buffer was offered and was large enough.
    std::vector<std::uint8_t> data;
};

class RegistryBackend {
  public:
    virtual ~RegistryBackend() = default;

    // Opens parent\subKey asking for `access`; reg::MaximumAllowed grants whatever the key
    // allows. An empty subKey opens parent itself anew.
    virtual long openKey(HKey parent, std::string_view subKey, std::uint32_t access,
                         HKey& result) = 0;
    // Opens parent\subKey, creating every missing key on the way. Names longer than
    // MaxKeyNameLength or nesting deeper than MaxKeyDepth are refused (InvalidParameter).
    virtual long createKey(HKey parent, std::string_view subKey, HKey& result) = 0;
    virtual long closeKey(HKey key) = 0;
    // Deletes parent\subKey. A key that still has sub-keys is refused (AccessDenied).
    virtual long deleteKey(HKey parent, std::string_view subKey) = 0;

    // The index-th sub-key name in full; NoMoreItems past the last.
    virtual long enumKey(HKey key, std::uint32_t index, std::string& name) = 0;
    // The index-th value in full; NoMoreItems past the last. String data is given as stored.
    virtual long enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t& type,
                           std::vector<std::uint8_t>& data) = 0;

    // Queries a value. With no capacity only type and size are asked for. With a capacity
    // smaller than the value's size the answer is MoreData and `out.size` tells the size.
    // An empty name is the key's unnamed default value.
    virtual long queryValue(HKey key, std::string_view name, std::optional<std::uint32_t> capacity,
                            RegValueQuery& out) = 0;
    virtual long setValue(HKey key, std::string_view name, std::uint32_t type,
                          std::span<const std::uint8_t> data) = 0;
    virtual long deleteValue(HKey key, std::string_view name) = 0;
};

} // namespace kpr
