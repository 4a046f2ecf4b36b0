// Parses bytes as a .x file and hands each top-level data object to a callback.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dxfile.h"

template <class F>
void ForEachDataObject(const uint8_t* data, size_t size, F&& f) {
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file))) return;
    DXFILELOADMEMORY mem{const_cast<uint8_t*>(data), DWORD(size)};
    IDirectXFileEnumObject* en = nullptr;
    if (SUCCEEDED(file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &en))) {
        IDirectXFileData* obj = nullptr;
        while (SUCCEEDED(en->GetNextDataObject(&obj))) {
            f(obj);
            obj->Release();
        }
        en->Release();
    }
    file->Release();
}
