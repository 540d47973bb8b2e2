// The registry as an in-memory tree. Key and value names match without regard to case.
// Tests seed it and read it back with the same Win32 calls the program uses.
#include "platform/host/host_state.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

std::string lower(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = (char)std::tolower((unsigned char)c);
    return out;
}

struct Value {
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::map<std::string, std::unique_ptr<Key>> children;   // by lower-case name
    std::map<std::string, Value> values;                     // by lower-case name
    std::string name;                                        // as it was created
    bool deleted = false;
};

// Roots live as long as the process; reset clears their contents.
Key hkcr, hkcu, hklm;
std::set<Key*> write_denied;

// Open handles refer to keys; a deleted key's handle stays valid but empty, as on Windows.
std::map<HKEY, Key*> open_keys;
uintptr_t next_handle = 0x1000;

Key* root_of(HKEY h) {
    if (h == HKEY_CLASSES_ROOT) return &hkcr;
    if (h == HKEY_CURRENT_USER) return &hkcu;
    if (h == HKEY_LOCAL_MACHINE) return &hklm;
    auto it = open_keys.find(h);
    return it == open_keys.end() ? nullptr : it->second;
}

Key* top_root(Key* k) {
    // Write refusal is set per root; find the root that holds this key.
    for (Key* r : {&hkcr, &hkcu, &hklm}) {
        std::vector<Key*> stack{r};
        while (!stack.empty()) {
            Key* x = stack.back();
            stack.pop_back();
            if (x == k) return r;
            for (auto& c : x->children) stack.push_back(c.second.get());
        }
    }
    return nullptr;
}

std::vector<std::string> split(const char* subkey) {
    std::vector<std::string> parts;
    if (!subkey) return parts;
    std::string s(subkey);
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find('\\', i);
        if (j == std::string::npos) j = s.size();
        if (j > i) parts.push_back(s.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

Key* walk(Key* from, const char* subkey) {
    Key* k = from;
    for (const std::string& part : split(subkey)) {
        auto it = k->children.find(lower(part));
        if (it == k->children.end()) return nullptr;
        k = it->second.get();
    }
    return k;
}

// The key that holds the last part of `subkey` below `from`, and that part's lower-case
// name; null when a key on the way is missing.
Key* parent_of(Key* from, const char* subkey, std::string& leaf) {
    std::vector<std::string> parts = split(subkey);
    if (parts.empty()) return nullptr;
    leaf = lower(parts.back());
    parts.pop_back();
    Key* parent = from;
    for (const std::string& p : parts) {
        auto it = parent->children.find(lower(p));
        if (it == parent->children.end()) return nullptr;
        parent = it->second.get();
    }
    return parent;
}

HKEY new_handle(Key* k) {
    HKEY h = reinterpret_cast<HKEY>(next_handle);
    next_handle += 4;
    open_keys[h] = k;
    return h;
}

bool denied(Key* k) { return write_denied.count(top_root(k)) != 0; }

}  // namespace

void host_reset_registry() {
    for (Key* r : {&hkcr, &hkcu, &hklm}) {
        r->children.clear();
        r->values.clear();
    }
    write_denied.clear();
    open_keys.clear();
}

void host_deny_registry_writes(HKEY root, bool deny) {
    Key* r = root_of(root);
    if (!r) return;
    if (deny) write_denied.insert(r);
    else write_denied.erase(r);
}

LONG RegOpenKeyA(HKEY key, LPCSTR subkey, PHKEY result) {
    return RegOpenKeyExA(key, subkey, 0, KEY_ALL_ACCESS, result);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD, REGSAM, PHKEY result) {
    Key* from = root_of(key);
    if (!from) return ERROR_INVALID_HANDLE;
    Key* k = walk(from, subkey);
    if (!k) return ERROR_FILE_NOT_FOUND;
    *result = new_handle(k);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subkey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY result,
                     LPDWORD disposition) {
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    bool created = false;
    for (const std::string& part : split(subkey)) {
        auto& slot = k->children[lower(part)];
        if (!slot) {
            if (denied(k)) {
                k->children.erase(lower(part));
                return ERROR_ACCESS_DENIED;
            }
            slot = std::make_unique<Key>();
            slot->name = part;
            created = true;
        }
        k = slot.get();
    }
    *result = new_handle(k);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, BYTE* data, LPDWORD size) {
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    auto it = k->values.find(lower(name ? name : ""));
    if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& v = it->second;
    if (type) *type = v.type;
    if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD need = (DWORD)v.data.size();
    if (data && *size < need) {
        *size = need;
        return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, v.data.data(), need);
    *size = need;
    return ERROR_SUCCESS;
}

LONG RegQueryValueA(HKEY key, LPCSTR subkey, LPSTR data, LONG* size) {
    Key* from = root_of(key);
    if (!from) return ERROR_INVALID_HANDLE;
    Key* k = walk(from, subkey);
    if (!k) return ERROR_FILE_NOT_FOUND;
    auto it = k->values.find("");
    // A key without a default value reads as the empty string, as on Windows.
    std::vector<BYTE> text = it == k->values.end() ? std::vector<BYTE>{0} : it->second.data;
    if (text.empty() || text.back() != 0) text.push_back(0);
    LONG need = (LONG)text.size();
    if (!size) return ERROR_INVALID_PARAMETER;
    if (data && *size < need) {
        *size = need;
        return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, text.data(), (size_t)need);
    *size = need;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    host::kill_point();   // a registry write is a step a killed run may stop at
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (denied(k)) return ERROR_ACCESS_DENIED;
    Value v{type, std::vector<BYTE>(data, data + size)};
    k->values[lower(name ? name : "")] = v;
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
    host::kill_point();   // a registry write is a step a killed run may stop at
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (denied(k)) return ERROR_ACCESS_DENIED;
    return k->values.erase(lower(name ? name : "")) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subkey) {
    host::kill_point();   // a registry write is a step a killed run may stop at
    Key* from = root_of(key);
    if (!from) return ERROR_INVALID_HANDLE;
    if (split(subkey).empty()) return ERROR_INVALID_PARAMETER;
    std::string leaf;
    Key* parent = parent_of(from, subkey, leaf);
    if (!parent) return ERROR_FILE_NOT_FOUND;
    auto it = parent->children.find(leaf);
    if (it == parent->children.end()) return ERROR_FILE_NOT_FOUND;
    if (denied(parent)) return ERROR_ACCESS_DENIED;
    if (!it->second->children.empty()) return ERROR_ACCESS_DENIED;   // only keys without subkeys
    for (auto h = open_keys.begin(); h != open_keys.end();) {
        if (h->second == it->second.get()) h = open_keys.erase(h);
        else ++h;
    }
    parent->children.erase(it);
    return ERROR_SUCCESS;
}

namespace {

void copy_key(const Key& from, Key& to) {
    for (const auto& [name, value] : from.values) to.values[name] = value;
    for (const auto& [name, child] : from.children) {
        auto& slot = to.children[name];
        if (!slot) {
            slot = std::make_unique<Key>();
            slot->name = child->name;
        }
        copy_key(*child, *slot);
    }
}

// Forgets the handles open on `k` and on every key below it.
void close_handles_below(Key* k) {
    for (auto& c : k->children) close_handles_below(c.second.get());
    for (auto h = open_keys.begin(); h != open_keys.end();) {
        if (h->second == k) h = open_keys.erase(h);
        else ++h;
    }
}

}  // namespace

LONG RegCopyTreeA(HKEY source, LPCSTR subkey, HKEY dest) {
    host::kill_point();
    Key* from = root_of(source);
    Key* to = root_of(dest);
    if (!from || !to) return ERROR_INVALID_HANDLE;
    if (subkey && !(from = walk(from, subkey))) return ERROR_FILE_NOT_FOUND;
    if (denied(to)) return ERROR_ACCESS_DENIED;
    copy_key(*from, *to);
    return ERROR_SUCCESS;
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subkey) {
    host::kill_point();
    Key* from = root_of(key);
    if (!from) return ERROR_INVALID_HANDLE;
    if (denied(from)) return ERROR_ACCESS_DENIED;
    if (split(subkey).empty()) {
        for (auto& c : from->children) close_handles_below(c.second.get());
        from->children.clear();
        from->values.clear();
        return ERROR_SUCCESS;
    }
    std::string leaf;
    Key* parent = parent_of(from, subkey, leaf);
    if (!parent) return ERROR_FILE_NOT_FOUND;
    auto it = parent->children.find(leaf);
    if (it == parent->children.end()) return ERROR_FILE_NOT_FOUND;
    close_handles_below(it->second.get());
    parent->children.erase(it);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return open_keys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// Subkeys in the order of their lower-case names (Windows gives no order either).
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPSTR, LPDWORD, FILETIME*) {
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->children.begin();
    std::advance(it, index);
    const std::string& n = it->second->name;
    if (n.size() + 1 > *name_size) return ERROR_MORE_DATA;
    std::memcpy(name, n.c_str(), n.size() + 1);
    *name_size = (DWORD)n.size();
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPDWORD type, BYTE* data,
                   LPDWORD data_size) {
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->values.begin();
    std::advance(it, index);
    // The stand-in keeps value names in lower case: Windows compares them so as well.
    const std::string& n = it->first;
    if (n.size() + 1 > *name_size) return ERROR_MORE_DATA;
    std::memcpy(name, n.c_str(), n.size() + 1);
    *name_size = (DWORD)n.size();
    if (type) *type = it->second.type;
    if (data_size) {
        DWORD need = (DWORD)it->second.data.size();
        if (data && *data_size < need) return ERROR_MORE_DATA;
        if (data) std::memcpy(data, it->second.data.data(), need);
        *data_size = need;
    }
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR, LPDWORD, LPDWORD, LPDWORD subkeys, LPDWORD, LPDWORD,
                      LPDWORD values, LPDWORD, LPDWORD, LPDWORD, FILETIME*) {
    Key* k = root_of(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (subkeys) *subkeys = (DWORD)k->children.size();
    if (values) *values = (DWORD)k->values.size();
    return ERROR_SUCCESS;
}

namespace host {

namespace {
const char SESSION_MANAGER[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char PENDING_RENAMES[] = "PendingFileRenameOperations";
}  // namespace

std::string pending_renames_value() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
    DWORD size = 0, type = 0;
    std::string bytes;
    if (RegQueryValueExA(key, PENDING_RENAMES, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, PENDING_RENAMES, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        // The value's own end (the empty string after the last pair) is not part of a pair.
        if (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    }
    RegCloseKey(key);
    return bytes;
}

bool set_pending_renames_value(const std::string& pairs) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return false;
    std::string value = pairs + '\0';
    bool written = RegSetValueExA(key, PENDING_RENAMES, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                                  (DWORD)value.size()) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

}  // namespace host
