// Helpers for the .x parser tests: loading from text or bytes and a binary token writer.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dxfile.h"

// Owns a file object and an enumerator made from bytes in memory.
struct Loaded {
    IDirectXFile* file = nullptr;
    IDirectXFileEnumObject* en = nullptr;
    HRESULT hr = E_FAIL;
    std::vector<uint8_t> bytes;
    Loaded() = default;
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    ~Loaded() {
        if (en) en->Release();
        if (file) file->Release();
    }
};

inline void loadBytes(Loaded& l, std::vector<uint8_t> bytes) {
    l.bytes = std::move(bytes);
    EXPECT_EQ(DirectXFileCreate(&l.file), DXFILE_OK);
    DXFILELOADMEMORY mem{l.bytes.data(), DWORD(l.bytes.size())};
    l.hr = l.file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &l.en);
}

inline void loadText(Loaded& l, const std::string& text) {
    loadBytes(l, std::vector<uint8_t>(text.begin(), text.end()));
}

// Writes binary .x tokens.
struct BinWriter {
    std::vector<uint8_t> b;
    explicit BinWriter(const char* header = "xof 0303bin 0032") { raw(header, 16); }
    BinWriter& raw(const void* p, size_t n) { b.insert(b.end(), (const uint8_t*)p, (const uint8_t*)p + n); return *this; }
    BinWriter& w16(uint16_t v) { return raw(&v, 2); }
    BinWriter& w32(uint32_t v) { return raw(&v, 4); }
    BinWriter& tok(uint16_t id) { w16(id); return *this; }
    BinWriter& name(const std::string& s) { w16(1); w32(uint32_t(s.size())); raw(s.data(), s.size()); return *this; }
    BinWriter& ints(std::vector<uint32_t> v) { w16(6); w32(uint32_t(v.size())); for (auto x : v) w32(x); return *this; }
    BinWriter& floats(std::vector<float> v) { w16(7); w32(uint32_t(v.size())); for (auto x : v) raw(&x, 4); return *this; }
    BinWriter& ob() { return tok(10); }
    BinWriter& cb() { return tok(11); }
};

inline std::string nameOf(IDirectXFileObject* o) {
    DWORD len = 0;
    if (FAILED(o->GetName(nullptr, &len)) || len == 0) return {};
    std::string s(len, '\0');
    o->GetName(&s[0], &len);
    s.resize(len ? len - 1 : 0);
    return s;
}
