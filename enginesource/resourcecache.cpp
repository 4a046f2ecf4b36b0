// Shared device objects by file name.
#include "resourcecache.h"

#include <cctype>

#include "d3d8.h"

std::string ResourceCache::Key(const char* file) {
    std::string key(file ? file : "");
    for (char& c : key) c = c == '\\' ? '/' : char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

IUnknown* ResourceCache::Find(const char* file, bool* known) {
    auto it = m_entries.find(Key(file));
    *known = it != m_entries.end();
    if (!*known || !it->second) return nullptr;
    it->second->AddRef();
    return it->second;
}

void ResourceCache::Add(const char* file, IUnknown* object) {
    IUnknown*& slot = m_entries[Key(file)];
    if (slot) slot->Release();
    slot = object;
}

void ResourceCache::ReleaseObjects() {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second) {
            it->second->Release();
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

size_t ResourceCache::ObjectCount() const {
    size_t n = 0;
    for (const auto& e : m_entries) n += e.second != nullptr;
    return n;
}

bool ResourceCache::FileAtFault(HRESULT hr) {
    return hr != E_OUTOFMEMORY && hr != D3DERR_OUTOFVIDEOMEMORY && hr != D3DERR_INVALIDCALL &&
           hr != D3DERR_DEVICELOST && hr != D3DERR_NOTAVAILABLE && hr != S_FALSE;
}
