// The registry: keys and values kept in a text file in the user's configuration
// folder ($XDG_CONFIG_HOME or ~/.config, "quilengine/registry.txt"). Every change is
// written to a new file that replaces the old one once complete.
//
// File format, one entry per line:
//   [ROOT\sub\key]
//   "value name"=sz:<escaped text> | dword:<8 hex digits> | hex:<hex bytes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>
#include "windows.h"
#include "quil_automation.h"
#include "quil_save.h"

namespace {
struct Value { DWORD type; std::vector<BYTE> data; };
using Key = std::map<std::string, Value>;  // by lower-case value name
struct Store {
    bool loaded = false;
    std::map<std::string, Key> keys;                 // by lower-case path
    std::map<std::string, std::string> names;        // lower-case -> spelling
    std::map<std::string, std::string> valueNames;   // path|lower name -> spelling
};
Store g_store;
std::map<uintptr_t, std::string> g_open;  // open handles -> key path
uintptr_t g_nextKey = 0x40000;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string ConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) base = xdg;
    else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/quilengine";
}

}  // namespace

// Where the registry file lives (tests point XDG_CONFIG_HOME elsewhere).

std::string quil_automation::RegistryFilePath() { return ConfigDir() + "/registry.txt"; }

namespace {
std::string Escape(const std::vector<BYTE>& d) {
    std::string r;
    for (BYTE b : d) {
        if (b == 0) break;
        if (b == '\\') r += "\\\\";
        else if (b == '\n') r += "\\n";
        else if (b < 0x20 || b >= 0x7F) { char buf[8]; std::snprintf(buf, sizeof buf, "\\x%02x", b); r += buf; }
        else r += static_cast<char>(b);
    }
    return r;
}

std::vector<BYTE> Unescape(const std::string& s) {
    std::vector<BYTE> r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            if (n == 'n') r.push_back('\n');
            else if (n == 'x' && i + 2 < s.size()) {
                r.push_back(static_cast<BYTE>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16)));
                i += 2;
            } else r.push_back(static_cast<BYTE>(n));
        } else r.push_back(static_cast<BYTE>(s[i]));
    }
    r.push_back(0);
    return r;
}

void Load() {
    if (g_store.loaded) return;
    g_store.loaded = true;
    std::ifstream in(quil_automation::RegistryFilePath());
    std::string line, path;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '[' && line.back() == ']') {
            path = line.substr(1, line.size() - 2);
            g_store.keys[Lower(path)];
            g_store.names[Lower(path)] = path;
            continue;
        }
        if (line[0] != '"' || path.empty()) continue;  // unreadable lines are skipped
        size_t q = line.find("\"=", 1);
        if (q == std::string::npos) continue;
        std::string name = line.substr(1, q - 1);
        std::string rest = line.substr(q + 2);
        Value v{REG_NONE, {}};
        if (rest.rfind("sz:", 0) == 0) { v.type = REG_SZ; v.data = Unescape(rest.substr(3)); }
        else if (rest.rfind("dword:", 0) == 0) {
            v.type = REG_DWORD;
            DWORD d = static_cast<DWORD>(std::strtoul(rest.substr(6).c_str(), nullptr, 16));
            for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<BYTE>(d >> (8 * i)));
        } else if (rest.rfind("hex:", 0) == 0) {
            v.type = REG_BINARY;
            std::string h = rest.substr(4);
            for (size_t i = 0; i + 1 < h.size() + 1 && i + 2 <= h.size(); i += 3)
                v.data.push_back(static_cast<BYTE>(std::strtol(h.substr(i, 2).c_str(), nullptr, 16)));
        } else continue;
        g_store.keys[Lower(path)][Lower(name)] = v;
        g_store.valueNames[Lower(path) + "|" + Lower(name)] = name;
    }
}

bool Save() {
    std::string dir = ConfigDir();
    std::string parent = dir.substr(0, dir.rfind('/'));
    ::mkdir(parent.c_str(), 0755);
    ::mkdir(dir.c_str(), 0755);
    std::string path = quil_automation::RegistryFilePath();
    std::ostringstream out;
    for (const auto& k : g_store.keys) {
        out << '[' << g_store.names[k.first] << "]\n";
        for (const auto& v : k.second) {
            out << '"' << g_store.valueNames[k.first + "|" + v.first] << "\"=";
            if (v.second.type == REG_SZ) out << "sz:" << Escape(v.second.data);
            else if (v.second.type == REG_DWORD) {
                DWORD d = 0;
                for (size_t i = 0; i < 4 && i < v.second.data.size(); ++i) d |= static_cast<DWORD>(v.second.data[i]) << (8 * i);
                char buf[16];
                std::snprintf(buf, sizeof buf, "%08x", d);
                out << "dword:" << buf;
            } else {
                out << "hex:";
                for (size_t i = 0; i < v.second.data.size(); ++i) {
                    char buf[4];
                    std::snprintf(buf, sizeof buf, "%02x", v.second.data[i]);
                    out << (i ? "," : "") << buf;
                }
            }
            out << '\n';
        }
    }
    const std::string text = out.str();
    std::string why;
    if (quil_platform::ReplaceFile(path, text.data(), text.size(), &why)) return true;
    OutputDebugStringA(("Could not save the registry file " + path + " (" + why + ")\n").c_str());
    return false;
}

bool RootName(HKEY key, std::string* out) {
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    switch (static_cast<uint32_t>(v)) {
        case 0x80000000u: *out = "HKEY_CLASSES_ROOT"; return true;
        case 0x80000001u: *out = "HKEY_CURRENT_USER"; return true;
        case 0x80000002u: *out = "HKEY_LOCAL_MACHINE"; return true;
        case 0x80000003u: *out = "HKEY_USERS"; return true;
        default: break;
    }
    auto it = g_open.find(v);
    if (it == g_open.end()) return false;
    *out = it->second;
    return true;
}

std::string Join(const std::string& base, LPCSTR sub) {
    std::string r = base;
    if (sub && *sub) {
        std::string s = sub;
        for (char& c : s) if (c == '/') c = '\\';
        while (!s.empty() && s.back() == '\\') s.pop_back();
        if (!s.empty()) r += "\\" + s;
    }
    return r;
}

HKEY NewHandle(const std::string& path) {
    uintptr_t h = g_nextKey;
    g_nextKey += 4;
    g_open[h] = path;
    return reinterpret_cast<HKEY>(h);
}
}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) return 87;  // ERROR_INVALID_PARAMETER
    *result = nullptr;
    std::string base;
    if (!RootName(key, &base)) return ERROR_INVALID_HANDLE;
    Load();
    std::string path = Join(base, subKey);
    if (path != base && !g_store.keys.count(Lower(path))) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, struct _SECURITY_ATTRIBUTES*,
                     PHKEY result, LPDWORD disposition) {
    if (!result) return 87;
    *result = nullptr;
    std::string base;
    if (!RootName(key, &base)) return ERROR_INVALID_HANDLE;
    Load();
    std::string path = Join(base, subKey);
    bool exists = path == base || g_store.keys.count(Lower(path));
    if (!exists) {
        g_store.keys[Lower(path)];
        g_store.names[Lower(path)] = path;
        if (!Save()) { g_store.keys.erase(Lower(path)); return ERROR_ACCESS_DENIED; }
    }
    if (disposition) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    std::string path;
    if (!RootName(key, &path)) return ERROR_INVALID_HANDLE;
    Load();
    auto k = g_store.keys.find(Lower(path));
    if (k == g_store.keys.end()) return ERROR_FILE_NOT_FOUND;
    auto v = k->second.find(Lower(valueName ? valueName : ""));
    if (v == k->second.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->second.type;
    DWORD need = static_cast<DWORD>(v->second.data.size());
    if (!data) { if (dataSize) *dataSize = need; return ERROR_SUCCESS; }
    if (!dataSize) return 87;
    if (*dataSize < need) { *dataSize = need; return ERROR_MORE_DATA; }
    if (need) std::memcpy(data, v->second.data.data(), need);
    *dataSize = need;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    std::string path;
    if (!RootName(key, &path)) return ERROR_INVALID_HANDLE;
    if (type != REG_SZ && type != REG_DWORD && type != REG_BINARY) return 87;
    if (type == REG_DWORD && size != 4) return 87;
    if (size && !data) return 87;
    Load();
    Value v{type, std::vector<BYTE>(data, data + size)};
    if (type == REG_SZ && (v.data.empty() || v.data.back() != 0)) v.data.push_back(0);
    std::string lk = Lower(path), ln = Lower(valueName ? valueName : "");
    if (!g_store.keys.count(lk)) g_store.names[lk] = path;
    Key before = g_store.keys[lk];
    g_store.keys[lk][ln] = v;
    g_store.valueNames[lk + "|" + ln] = valueName ? valueName : "";
    if (!Save()) { g_store.keys[lk] = before; return ERROR_ACCESS_DENIED; }
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    std::string name;
    if (!RootName(key, &name)) return ERROR_INVALID_HANDLE;
    g_open.erase(reinterpret_cast<uintptr_t>(key));
    return ERROR_SUCCESS;
}

// Forgets what was read, so the next call reads the file again (tests).
void quil_automation::ReloadRegistry() {
    g_store = Store{};
}
