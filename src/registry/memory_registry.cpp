#include "registry/memory_registry.h"

#include <algorithm>
#include <cstdio>

namespace kpr {

struct InMemoryRegistry::Node {
    std::string name;
    Node* parent = nullptr;
    std::vector<std::shared_ptr<Node>> children; // kept in name order
    std::vector<RegValue> values;                // in the order first set
    bool readOnly = false;
    bool deleted = false;
    int depth = 0; // roots are 0
    int openHandles = 0;
    ValueFiller live;
};

namespace {

using Node = InMemoryRegistry::Node;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool nameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
    });
}

// Splits a relative key path into its names. A leading backslash or an empty name inside
// the path is a bad path; one trailing backslash is accepted and ignored.
long splitPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty())
        return reg::Success;
    if (path.front() == '\\')
        return reg::BadPathName;
    if (path.back() == '\\')
        path.remove_suffix(1);
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('\\', start);
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty())
            return reg::BadPathName;
        parts.push_back(part);
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return reg::Success;
}

std::shared_ptr<Node> findChild(const Node& node, std::string_view name) {
    for (const auto& child : node.children)
        if (sameName(child->name, name))
            return child;
    return nullptr;
}

std::shared_ptr<Node> addChild(Node& node, std::string_view name) {
    auto child = std::make_shared<Node>();
    child->name = std::string(name);
    child->parent = &node;
    child->depth = node.depth + 1;
    auto pos = std::upper_bound(node.children.begin(), node.children.end(), child,
                                [](const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) {
                                    return nameLess(a->name, b->name);
                                });
    node.children.insert(pos, child);
    return child;
}

RegValue* findValue(Node& node, std::string_view name) {
    for (auto& v : node.values)
        if (sameName(v.name, name))
            return &v;
    return nullptr;
}

void markDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.children)
        markDeleted(*child);
}

void dumpNode(const Node& node, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const auto& v : node.values) {
        out += "  \"" + v.name + "\" type " + std::to_string(v.type) + ":";
        for (std::uint8_t b : v.data) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", b);
            out += hex;
        }
        out += "\n";
    }
    for (const auto& child : node.children)
        dumpNode(*child, path + "\\" + child->name, out);
}

} // namespace

InMemoryRegistry::InMemoryRegistry() {
    static constexpr std::pair<HKey, const char*> rootNames[] = {
        {HKeyClassesRoot, "HKEY_CLASSES_ROOT"},
        {HKeyCurrentUser, "HKEY_CURRENT_USER"},
        {HKeyLocalMachine, "HKEY_LOCAL_MACHINE"},
        {HKeyUsers, "HKEY_USERS"},
        {HKeyPerformanceData, "HKEY_PERFORMANCE_DATA"},
        {HKeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
        {HKeyDynData, "HKEY_DYN_DATA"}};
    for (const auto& [handle, name] : rootNames) {
        auto node = std::make_shared<Node>();
        node->name = name;
        roots_[handle] = node;
    }
}

InMemoryRegistry::~InMemoryRegistry() = default;

long InMemoryRegistry::resolve(HKey key, std::shared_ptr<Node>& node,
                               std::uint32_t& granted) const {
    if (auto root = roots_.find(key); root != roots_.end()) {
        node = root->second;
        granted = reg::AllAccess;
        return reg::Success;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end())
        return reg::InvalidHandle;
    node = handle->second.node;
    granted = handle->second.granted;
    return node->deleted ? reg::KeyDeleted : reg::Success;
}

long InMemoryRegistry::resolveFor(HKey key, std::uint32_t right,
                                  std::shared_ptr<Node>& node) const {
    std::uint32_t granted = 0;
    if (long rc = resolve(key, node, granted); rc != reg::Success)
        return rc;
    return (granted & right) ? reg::Success : reg::AccessDenied;
}

HKey InMemoryRegistry::newHandle(const std::shared_ptr<Node>& node, std::uint32_t granted) {
    if (node->openHandles == 0 && node->live)
        node->values = node->live();
    ++node->openHandles;
    while (nextHandle_ == 0 || handles_.count(nextHandle_) || roots_.count(nextHandle_))
        ++nextHandle_;
    const HKey h = nextHandle_++;
    handles_[h] = Handle{node, granted};
    return h;
}

long InMemoryRegistry::findKey(HKey parent, std::string_view subKey,
                               std::shared_ptr<Node>& node) const {
    std::uint32_t granted = 0;
    if (long rc = resolve(parent, node, granted); rc != reg::Success)
        return rc;
    std::vector<std::string_view> parts;
    if (long rc = splitPath(subKey, parts); rc != reg::Success)
        return rc;
    for (auto part : parts) {
        node = findChild(*node, part);
        if (!node)
            return reg::FileNotFound;
    }
    return reg::Success;
}

long InMemoryRegistry::openKey(HKey parent, std::string_view subKey, std::uint32_t access,
                               HKey& result) {
    result = 0;
    std::shared_ptr<Node> node;
    if (long rc = findKey(parent, subKey, node); rc != reg::Success)
        return rc;
    std::uint32_t grant = access;
    if (access & reg::MaximumAllowed)
        grant = node->readOnly ? reg::ReadAccess : reg::AllAccess;
    else if (node->readOnly && (access & reg::ModifyingRights))
        return reg::AccessDenied;
    result = newHandle(node, grant);
    return reg::Success;
}

long InMemoryRegistry::createKey(HKey parent, std::string_view subKey, HKey& result) {
    result = 0;
    std::shared_ptr<Node> node;
    std::uint32_t granted = 0;
    if (long rc = resolve(parent, node, granted); rc != reg::Success)
        return rc;
    std::vector<std::string_view> parts;
    if (long rc = splitPath(subKey, parts); rc != reg::Success)
        return rc;
    for (auto part : parts)
        if (part.size() > reg::MaxKeyNameLength)
            return reg::InvalidParameter;
    if (node->depth + static_cast<int>(parts.size()) > reg::MaxKeyDepth)
        return reg::InvalidParameter;
    for (auto part : parts) {
        auto child = findChild(*node, part);
        if (!child) {
            if (node->readOnly)
                return reg::AccessDenied;
            child = addChild(*node, part);
        }
        node = child;
    }
    result = newHandle(node, node->readOnly ? reg::ReadAccess : reg::AllAccess);
    return reg::Success;
}

long InMemoryRegistry::closeKey(HKey key) {
    if (roots_.count(key))
        return reg::Success;
    auto handle = handles_.find(key);
    if (handle == handles_.end())
        return reg::InvalidHandle;
    --handle->second.node->openHandles;
    handles_.erase(handle);
    return reg::Success;
}

long InMemoryRegistry::deleteKey(HKey parent, std::string_view subKey) {
    std::shared_ptr<Node> node;
    if (long rc = findKey(parent, subKey, node); rc != reg::Success)
        return rc;
    if (!node->parent || node->readOnly || !node->children.empty())
        return reg::AccessDenied; // roots, protected keys and keys with sub-keys stay
    auto& siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    node->parent = nullptr;
    markDeleted(*node);
    return reg::Success;
}

long InMemoryRegistry::enumKey(HKey key, std::uint32_t index, std::string& name) {
    std::shared_ptr<Node> node;
    if (long rc = resolveFor(key, reg::EnumerateSubKeys, node); rc != reg::Success)
        return rc;
    if (index >= node->children.size())
        return reg::NoMoreItems;
    name = node->children[index]->name;
    return reg::Success;
}

long InMemoryRegistry::enumValue(HKey key, std::uint32_t index, std::string& name,
                                 std::uint32_t& type, std::vector<std::uint8_t>& data) {
    std::shared_ptr<Node> node;
    if (long rc = resolveFor(key, reg::QueryValue, node); rc != reg::Success)
        return rc;
    if (index >= node->values.size())
        return reg::NoMoreItems;
    const RegValue& v = node->values[index];
    name = v.name;
    type = v.type;
    data = v.data;
    return reg::Success;
}

long InMemoryRegistry::queryValue(HKey key, std::string_view name,
                                  std::optional<std::uint32_t> capacity, RegValueQuery& out) {
    out = RegValueQuery{};
    std::shared_ptr<Node> node;
    if (long rc = resolveFor(key, reg::QueryValue, node); rc != reg::Success)
        return rc;
    const RegValue* v = findValue(*node, name);
    if (!v)
        return reg::FileNotFound;
    std::vector<std::uint8_t> bytes = v->data;
    if (v->type == reg::TypeString && (bytes.empty() || bytes.back() != 0))
        bytes.push_back(0);
    out.type = v->type;
    out.size = static_cast<std::uint32_t>(bytes.size());
    if (!capacity)
        return reg::Success;
    if (*capacity < out.size)
        return reg::MoreData;
    out.data = std::move(bytes);
    return reg::Success;
}

long InMemoryRegistry::setValue(HKey key, std::string_view name, std::uint32_t type,
                                std::span<const std::uint8_t> data) {
    std::shared_ptr<Node> node;
    if (long rc = resolveFor(key, reg::SetValue, node); rc != reg::Success)
        return rc;
    if (node->readOnly)
        return reg::AccessDenied;
    if (name.size() > 16383)
        return reg::InvalidParameter;
    if (RegValue* v = findValue(*node, name)) {
        v->type = type;
        v->data.assign(data.begin(), data.end());
    } else {
        node->values.push_back(RegValue{std::string(name), type, {data.begin(), data.end()}});
    }
    return reg::Success;
}

long InMemoryRegistry::deleteValue(HKey key, std::string_view name) {
    std::shared_ptr<Node> node;
    if (long rc = resolveFor(key, reg::SetValue, node); rc != reg::Success)
        return rc;
    if (node->readOnly)
        return reg::AccessDenied;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const RegValue& v) { return sameName(v.name, name); });
    if (it == node->values.end())
        return reg::FileNotFound;
    node->values.erase(it);
    return reg::Success;
}

std::shared_ptr<Node> InMemoryRegistry::ensureKey(HKey root, std::string_view subKey) {
    auto it = roots_.find(root);
    if (it == roots_.end())
        return nullptr;
    std::vector<std::string_view> parts;
    if (splitPath(subKey, parts) != reg::Success)
        return nullptr;
    std::shared_ptr<Node> node = it->second;
    if (static_cast<int>(parts.size()) > reg::MaxKeyDepth)
        return nullptr;
    for (auto part : parts) {
        if (part.size() > reg::MaxKeyNameLength)
            return nullptr;
        auto child = findChild(*node, part);
        node = child ? child : addChild(*node, part);
    }
    return node;
}

bool InMemoryRegistry::setReadOnly(HKey root, std::string_view subKey, bool readOnly) {
    auto node = ensureKey(root, subKey);
    if (!node)
        return false;
    node->readOnly = readOnly;
    return true;
}

bool InMemoryRegistry::setLiveValues(HKey root, std::string_view subKey, ValueFiller fill) {
    auto node = ensureKey(root, subKey);
    if (!node)
        return false;
    node->live = std::move(fill);
    if (node->live && node->openHandles == 0)
        node->values = node->live();
    return true;
}

std::string InMemoryRegistry::dump(HKey root) const {
    std::string out;
    if (auto it = roots_.find(root); it != roots_.end())
        dumpNode(*it->second, it->second->name, out);
    return out;
}

} // namespace kpr
