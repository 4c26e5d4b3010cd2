#pragma once
// A registry kept in memory. It behaves as the platform registry does in everything the
// registry class relies on: the seven predefined roots, case-insensitive names, sub-keys
// listed in name order and values in the order they were first set, the result codes, the
// access rights (a read-only key refuses any handle that asks to change it), deletion that
// refuses keys which still have sub-keys, and strings handed back with a terminating zero.
#include "registry/registry_backend.h"

#include <functional>
#include <map>
#include <memory>

namespace kpr {

struct RegValue {
    std::string name;
    std::uint32_t type = reg::TypeNone;
    std::vector<std::uint8_t> data;
};

class InMemoryRegistry final : public RegistryBackend {
  public:
    InMemoryRegistry();
    ~InMemoryRegistry() override;

    long openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
    long createKey(HKey parent, std::string_view subKey, HKey& result) override;
    long closeKey(HKey key) override;
    long deleteKey(HKey parent, std::string_view subKey) override;
    long enumKey(HKey key, std::uint32_t index, std::string& name) override;
    long enumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;
    long queryValue(HKey key, std::string_view name, std::optional<std::uint32_t> capacity,
                    RegValueQuery& out) override;
    long setValue(HKey key, std::string_view name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override;
    long deleteValue(HKey key, std::string_view name) override;

    // Set-up, outside the handle world. The key root\subKey is created when missing.
    // A read-only key can be opened for reading only; its values and sub-keys cannot change
    // and it cannot be deleted.
    bool setReadOnly(HKey root, std::string_view subKey, bool readOnly);
    // The key's values are replaced by what `fill` returns whenever the key is opened while
    // no other handle to it is open, so one enumeration sees one consistent list.
    using ValueFiller = std::function<std::vector<RegValue>()>;
    bool setLiveValues(HKey root, std::string_view subKey, ValueFiller fill);

    // Handles opened and not yet closed; a leak shows up here.
    std::size_t openHandleCount() const { return handles_.size(); }
    // Every key under root with its values, one per line, in enumeration order: for
    // comparing whole trees.
    std::string dump(HKey root) const;

    struct Node;

  private:
    struct Handle {
        std::shared_ptr<Node> node;
        std::uint32_t granted = 0;
    };
    long resolve(HKey key, std::shared_ptr<Node>& node, std::uint32_t& granted) const;
    // resolve, and AccessDenied unless the handle was opened with `right`.
    long resolveFor(HKey key, std::uint32_t right, std::shared_ptr<Node>& node) const;
    // The existing key at subKey under parent: an open handle's node walked down the path.
    long findKey(HKey parent, std::string_view subKey, std::shared_ptr<Node>& node) const;
    HKey newHandle(const std::shared_ptr<Node>& node, std::uint32_t granted);
    std::shared_ptr<Node> ensureKey(HKey root, std::string_view subKey);

    std::map<HKey, std::shared_ptr<Node>> roots_;
    std::map<HKey, Handle> handles_;
    HKey nextHandle_ = 0x100;
};

} // namespace kpr
