// The .x parser on bad input: every failure is an error code, never a crash or a hang.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dxfile_test_util.h"

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::vector<uint8_t> readData(const char* name) { return readFile(std::string(QUIL_TEST_DATA_DIR) + "/" + name); }

// The fuzz target: loads bytes and walks every object and reference they yield.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

void walkBytes(const std::vector<uint8_t>& bytes) { LLVMFuzzerTestOneInput(bytes.data(), bytes.size()); }

TEST(DxFileBadInput, HeaderErrors) {
    const struct { const char* text; HRESULT hr; } cases[] = {
        {"xof 0302txt 003", DXFILEERR_BADFILETYPE},
        {"abc 0302txt 0032", DXFILEERR_BADFILETYPE},
        {"xof 0201txt 0032", DXFILEERR_BADFILEVERSION},
        {"xof 0302zip 0032", DXFILEERR_BADFILETYPE},
        {"xof 0302tzip0032", DXFILEERR_BADFILECOMPRESSIONTYPE},
        {"xof 0302txt 0016", DXFILEERR_BADFILEFLOATSIZE},
    };
    for (const auto& c : cases) {
        Loaded l;
        loadText(l, c.text);
        EXPECT_EQ(l.hr, c.hr) << c.text;
        EXPECT_EQ(l.en, nullptr);
    }
    Loaded empty;
    loadText(empty, "xof 0303txt 0064");
    ASSERT_EQ(empty.hr, DXFILE_OK);
    IDirectXFileData* d = nullptr;
    EXPECT_EQ(empty.en->GetNextDataObject(&d), DXFILEERR_NOMOREOBJECTS);

    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    IDirectXFileEnumObject* en = nullptr;
    EXPECT_EQ(file->CreateEnumObject((void*)"no/such/file.x", DXFILELOAD_FROMFILE, &en), DXFILEERR_FILENOTFOUND);
    EXPECT_TRUE(FAILED(file->CreateEnumObject((void*)"x", DXFILELOAD_FROMURL, &en)));
    file->Release();
}

TEST(DxFileBadInput, MalformedTextFails) {
    const char* bodies[] = {
        "Frame A {",                                   // unterminated
        "Frame A { } }",                               // stray brace
        "Unknown U { 1; }",                            // no such template
        "Vector { 1.0; 2.0; }",                        // too few values
        "Vector { 1.0; \"x\"; 3.0; }",                 // string for a float
        "Header { 1.5; 0; 1; }",                       // float for an integer
        "Vector { 1; 2; 3; Frame F { } }",             // closed template with a child
        "MeshMaterialList { 1; 0; ; Frame F { } }",    // restricted template, wrong child
        "Frame { {  } }",                              // empty reference
        "Frame A { <1234> }",                          // bad GUID
        "Frame A { <12345678-1234-1234-1234-12-45678901-> }",  // dashes where digits belong
        "Frame A { \"open string }",
        "Mesh M { 4000000000; 1.0; 2.0; 3.0; }",       // absurd count, file runs out
        "Mesh M { 99999999999; }",                     // count out of range
        "template T { <11111111-2222-3333-4444-555555555555> array DWORD v[n]; }",  // unknown bound
        "template T { <11111111-2222-3333-4444-555555555555> Nope n; }",  // unknown member type
        "template T { DWORD a; }",                     // no GUID
        "@",
    };
    for (const char* body : bodies) {
        Loaded l;
        loadText(l, std::string("xof 0303txt 0032\n") + body);
        EXPECT_TRUE(FAILED(l.hr)) << body;
        EXPECT_EQ(l.en, nullptr) << body;
    }
}

TEST(DxFileBadInput, DeepNestingIsRefused) {
    std::string text = "xof 0303txt 0032\n";
    for (int i = 0; i < 5000; ++i) text += "Frame {";
    for (int i = 0; i < 5000; ++i) text += "}";
    Loaded l;
    loadText(l, text);
    EXPECT_TRUE(FAILED(l.hr));

    // Templates nested through their members are refused beyond a fixed depth too.
    std::string tmpl = "xof 0303txt 0032\ntemplate T0 { <00000000-0000-0000-0000-000000000001> DWORD v; }\n";
    for (int i = 1; i < 200; ++i) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "template T%d { <00000000-0000-0000-0000-%012d> T%d m; }\n", i, i + 1, i - 1);
        tmpl += buf;
    }
    Loaded t;
    loadText(t, tmpl);
    EXPECT_TRUE(FAILED(t.hr));
}

// Cyclic references load and resolve in both directions without recursion; a reference to
// nothing loads but does not resolve.
TEST(DxFileBadInput, CyclicAndDanglingReferences) {
    Loaded l;
    loadText(l, "xof 0303txt 0032\nFrame A { { B } }\nFrame B { { A } { Missing } }\n");
    ASSERT_EQ(l.hr, DXFILE_OK);
    IDirectXFileData* a = nullptr;
    ASSERT_EQ(l.en->GetNextDataObject(&a), DXFILE_OK);
    IDirectXFileData* b = nullptr;
    ASSERT_EQ(l.en->GetNextDataObject(&b), DXFILE_OK);
    IDirectXFileObject* c = nullptr;
    ASSERT_EQ(b->GetNextObject(&c), DXFILE_OK);
    c->Release();
    ASSERT_EQ(b->GetNextObject(&c), DXFILE_OK);
    IDirectXFileDataReference* ref = nullptr;
    ASSERT_EQ(c->QueryInterface(IID_IDirectXFileDataReference, (void**)&ref), S_OK);
    IDirectXFileData* t = nullptr;
    EXPECT_EQ(ref->Resolve(&t), DXFILEERR_BADDATAREFERENCE);
    EXPECT_EQ(t, nullptr);
    ref->Release();
    c->Release();
    a->Release();
    b->Release();
    const char* text = "xof 0303txt 0032\nFrame A { { B } }\nFrame B { { A } { Missing } }\n";
    walkBytes(std::vector<uint8_t>(text, text + std::strlen(text)));
}

TEST(DxFileBadInput, BadBinaryTokenStreams) {
    const std::vector<uint8_t> streams[] = {
        BinWriter().name("Frame").ob().tok(99).cb().b,                          // unknown token
        BinWriter().name("Vector").ob().tok(7).w32(0xFFFFFFFF).b,               // list longer than file
        BinWriter().name("Vector").ob().b,                                      // ends inside data
        BinWriter().name("Vector").ob().tok(7).w32(0x40000000).w32(0).b,        // huge list, no data
        BinWriter().tok(1).w32(0x7FFFFFFF).b,                                   // name longer than the file
        BinWriter().name("Mesh").ob().ints({0xFFFFFFFF}).floats({1, 2, 3}).cb().b,  // absurd vertex count
        BinWriter().name("TextureFilename").ob().tok(2).w32(3).raw("abc", 3).w32(77).cb().b,  // bad terminator
        BinWriter().name("Frame").ob().tok(5).w32(1).b,                         // truncated GUID
        BinWriter("xof 0302bin 0064").name("Vector").ob().ints({1, 2, 3}).floats({}).b,
    };
    for (size_t i = 0; i < std::size(streams); ++i) {
        Loaded l;
        loadBytes(l, streams[i]);
        EXPECT_TRUE(FAILED(l.hr)) << "stream " << i;
    }
}

// Every prefix of valid files (text and binary) and single-byte corruptions of them either
// load or fail cleanly; whatever loads can be walked completely.
TEST(DxFileBadInput, TruncatedAndCorruptedFiles) {
    for (const char* name : {"scene.x", "Quad_Bin32.x", "quad_bin64.x"}) {
        const std::vector<uint8_t> whole = readData(name);
        ASSERT_GT(whole.size(), 100u) << name;
        int loaded = 0;
        for (size_t n = 0; n < whole.size(); ++n) {
            Loaded l;
            loadBytes(l, std::vector<uint8_t>(whole.begin(), whole.begin() + n));
            if (SUCCEEDED(l.hr)) ++loaded;
        }
        EXPECT_LT(loaded, int(whole.size()) / 2) << name;
        uint32_t seed = 12345;
        for (int k = 0; k < 400; ++k) {
            std::vector<uint8_t> bytes = whole;
            seed = seed * 1103515245u + 12345u;
            bytes[16 + (seed >> 8) % (bytes.size() - 16)] = uint8_t(seed >> 3);
            walkBytes(bytes);
        }
    }
}

}  // namespace
