// libFuzzer entry: parses arbitrary bytes as a .x file and walks every object it yields.
#include <cstddef>
#include <cstdint>

#include "dxfile_each.h"

namespace {

void walk(IDirectXFileData* data, int depth) {
    const GUID* type = nullptr;
    data->GetType(&type);
    DWORD size = 0;
    void* bytes = nullptr;
    if (SUCCEEDED(data->GetData(nullptr, &size, &bytes)) && size > 0) {
        volatile uint8_t sink = static_cast<uint8_t*>(bytes)[size - 1];
        (void)sink;
    }
    char name[64];
    DWORD len = sizeof(name);
    data->GetName(name, &len);
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child))) {
        IDirectXFileData* sub = nullptr;
        IDirectXFileDataReference* ref = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&sub)))) {
            if (depth < 100) walk(sub, depth + 1);
            sub->Release();
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&ref)))) {
            IDirectXFileData* target = nullptr;
            if (SUCCEEDED(ref->Resolve(&target))) target->Release();
            ref->Release();
        }
        child->Release();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ForEachDataObject(data, size, [](IDirectXFileData* obj) { walk(obj, 0); });
    return 0;
}
