// The Win32 calls that read the resource table as RCDATA (FindResource and friends).
#include <map>
#include "quil_resource_table.h"
#include "win32_internal.h"

namespace rt = quil_resources_table;

// A located resource: its type and id, pointing at the stored bytes.
struct QuilResourceHandle { const unsigned char* data; DWORD size; };

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    int id = rt::ResourceId(name);
    int typeId = rt::ResourceId(type);
    if (id < 0 || typeId != 10) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }  // only RCDATA is read as bytes
    const rt::DataDef* d = rt::FindData(id);
    if (!d) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }  // resource type or name not found
    static std::map<int, QuilResourceHandle> handles;
    auto& h = handles[id];
    h.data = d->data;
    h.size = static_cast<DWORD>(d->size);
    return reinterpret_cast<HRSRC>(&h);
}

HGLOBAL LoadResource(HMODULE, HRSRC res) {
    if (!res) return nullptr;
    auto* h = reinterpret_cast<QuilResourceHandle*>(res);
    return const_cast<unsigned char*>(h->data);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC res) {
    if (!res) return 0;
    return reinterpret_cast<QuilResourceHandle*>(res)->size;
}
