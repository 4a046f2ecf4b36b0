// COM start-up and the class table behind CoCreateInstance.
#include <mutex>
#include <vector>
#include "objbase.h"

namespace {
struct ClassEntry { CLSID clsid; QuilClassFactory factory; };
std::mutex g_mutex;
std::vector<ClassEntry>& Classes() {
    static std::vector<ClassEntry> classes;
    return classes;
}
}  // namespace

HRESULT CoInitialize(LPVOID) { return S_OK; }
void CoUninitialize() {}

void QuilRegisterClass(REFCLSID clsid, QuilClassFactory factory) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& e : Classes()) {
        if (IsEqualGUID(e.clsid, clsid)) { e.factory = factory; return; }
    }
    Classes().push_back({clsid, factory});
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return E_NOINTERFACE;  // no aggregation here
    QuilClassFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (auto& e : Classes()) {
            if (IsEqualGUID(e.clsid, clsid)) { factory = e.factory; break; }
        }
    }
    if (!factory) return (HRESULT)0x80040154L;  // REGDB_E_CLASSNOTREG
    return factory(iid, ppv);
}
