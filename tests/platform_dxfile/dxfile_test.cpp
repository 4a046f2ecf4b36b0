// The .x parser on well-formed files: object order, packed data, children, references,
// templates declared in files, number forms, binary files with 32- and 64-bit floats.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "dxfile_test_util.h"

namespace {

std::string dataPath(const char* name) { return std::string(QUIL_TEST_DATA_DIR) + "/" + name; }

template <class T>
T at(const void* base, size_t offset) {
    T v;
    std::memcpy(&v, static_cast<const uint8_t*>(base) + offset, sizeof(T));
    return v;
}

// Collects the children of a data object: data objects and references in file order.
struct Children {
    std::vector<IDirectXFileObject*> all;
    explicit Children(IDirectXFileData* d) {
        IDirectXFileObject* c = nullptr;
        while (SUCCEEDED(d->GetNextObject(&c))) all.push_back(c);
        EXPECT_EQ(d->GetNextObject(&c), DXFILEERR_NOMOREOBJECTS);
        EXPECT_EQ(c, nullptr);
    }
    ~Children() {
        for (auto* c : all) c->Release();
    }
    IDirectXFileData* data(size_t i) {
        IDirectXFileData* d = nullptr;
        EXPECT_EQ(all[i]->QueryInterface(IID_IDirectXFileData, (void**)&d), S_OK);
        if (d) d->Release();  // the child keeps it alive
        return d;
    }
};

// The packed data of an object (or of one member) as (size, pointer); a failure reads as
// empty, zero-filled data.
std::pair<DWORD, void*> dataOf(IDirectXFileData* d, const char* member = nullptr) {
    static uint64_t zeros[32];
    DWORD size = 0;
    void* p = nullptr;
    EXPECT_EQ(d->GetData(member, &size, &p), DXFILE_OK) << (member ? member : "");
    return p ? std::make_pair(size, p) : std::make_pair(DWORD(0), (void*)zeros);
}

const GUID* typeOf(IDirectXFileData* d) {
    const GUID* g = nullptr;
    EXPECT_EQ(d->GetType(&g), DXFILE_OK);
    return g;
}

class SceneFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
        ASSERT_EQ(file->RegisterTemplates((void*)D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
        // Separators and case of the name do not matter.
        std::string path = dataPath("SCENE.X");
        for (char& c : path)
            if (c == '/') c = '\\';
        ASSERT_EQ(file->CreateEnumObject((void*)path.c_str(), DXFILELOAD_FROMFILE, &en), DXFILE_OK);
        IDirectXFileData* d = nullptr;
        while (SUCCEEDED(en->GetNextDataObject(&d))) top.push_back(d);
    }
    void TearDown() override {
        for (auto* d : top) d->Release();
        if (en) en->Release();
        if (file) file->Release();
    }
    IDirectXFile* file = nullptr;
    IDirectXFileEnumObject* en = nullptr;
    std::vector<IDirectXFileData*> top;
};

TEST_F(SceneFile, ObjectsInFileOrderChildrenReferencesAndInFileTemplates) {
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(*typeOf(top[0]), TID_DXFILEHeader);
    EXPECT_EQ(*typeOf(top[1]), TID_D3DRMFrame);
    EXPECT_EQ(*typeOf(top[2]), TID_D3DRMMaterial);
    EXPECT_EQ(*typeOf(top[4]), TID_D3DRMAnimationSet);
    EXPECT_EQ(nameOf(top[1]), "Root");
    EXPECT_EQ(nameOf(top[4]), "Walk");
    char small[3];  // a short buffer is refused
    DWORD len = sizeof(small);
    EXPECT_TRUE(FAILED(top[1]->GetName(small, &len)));

    auto [size, p] = dataOf(top[0]);
    ASSERT_EQ(size, 8u);  // WORD, WORD, DWORD
    EXPECT_EQ(at<uint16_t>(p, 0), 1);
    EXPECT_EQ(at<uint32_t>(p, 4), 1u);

    Children root(top[1]);
    ASSERT_EQ(root.all.size(), 3u);
    EXPECT_EQ(*typeOf(root.data(0)), TID_D3DRMFrameTransformMatrix);

    // The last child is a reference: not a data object, resolves to the frame by name.
    IDirectXFileData* notData = nullptr;
    EXPECT_EQ(root.all[2]->QueryInterface(IID_IDirectXFileData, (void**)&notData), E_NOINTERFACE);
    EXPECT_EQ(notData, nullptr);
    IDirectXFileDataReference* ref = nullptr;
    ASSERT_EQ(root.all[2]->QueryInterface(IID_IDirectXFileDataReference, (void**)&ref), S_OK);
    EXPECT_EQ(nameOf(ref), "Arm");
    IDirectXFileData* resolved = nullptr;
    ASSERT_EQ(ref->Resolve(&resolved), DXFILE_OK);
    EXPECT_EQ(*typeOf(resolved), TID_D3DRMFrame);
    EXPECT_EQ(nameOf(resolved), "Arm");
    resolved->Release();
    EXPECT_EQ(ref->Release(), 1u);

    Children arm(root.data(1));
    ASSERT_EQ(arm.all.size(), 2u);
    IDirectXFileData* mesh = arm.data(1);
    EXPECT_EQ(*typeOf(mesh), TID_D3DRMMesh);
    EXPECT_EQ(nameOf(mesh), "ArmMesh");
    // One member alone.
    std::tie(size, p) = dataOf(mesh, "nFaces");
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(at<uint32_t>(p, 0), 2u);
    EXPECT_TRUE(FAILED(mesh->GetData("noSuchMember", &size, &p)));

    // A template declared in the file is packed in its member order.
    const GUID marker = {0xA1B2C3D4, 0x0001, 0x0002, {0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}};
    EXPECT_EQ(*typeOf(top[3]), marker);
    std::tie(size, p) = dataOf(top[3]);
    const size_t ptr = sizeof(char*);
    ASSERT_EQ(size, 2 + 8 + ptr + 24 + 4 + 3);
    EXPECT_EQ(at<uint16_t>(p, 0), 3);
    EXPECT_DOUBLE_EQ(at<double>(p, 2), 0.125);
    EXPECT_STREQ(at<const char*>(p, 10), "a label");
    EXPECT_FLOAT_EQ(at<float>(p, 10 + ptr + 20), 6.0f);
    EXPECT_EQ(at<uint32_t>(p, 10 + ptr + 24), 3u);
    EXPECT_EQ(at<uint8_t>(p, 10 + ptr + 28 + 2), 9);
}

// The binary files with 32- and 64-bit floats yield the same packed data.
TEST(DxFileBinary, FloatSizesGiveTheSameData) {
    std::vector<std::vector<uint8_t>> meshes, coords;
    for (const char* name : {"quad_bin32.x", "Quad_Bin64.X"}) {
        Loaded l;
        ASSERT_EQ(DirectXFileCreate(&l.file), DXFILE_OK);
        ASSERT_EQ(l.file->CreateEnumObject((void*)dataPath(name).c_str(), DXFILELOAD_FROMFILE, &l.en), DXFILE_OK);
        IDirectXFileData* frame = nullptr;
        ASSERT_EQ(l.en->GetNextDataObject(&frame), DXFILE_OK);
        EXPECT_EQ(nameOf(frame), "Root");
        Children kids(frame);
        ASSERT_EQ(kids.all.size(), 2u);
        auto [size, p] = dataOf(kids.data(0));
        EXPECT_EQ(size, 64u);
        EXPECT_FLOAT_EQ(at<float>(p, 52), 20.0f);
        std::tie(size, p) = dataOf(kids.data(1));
        meshes.emplace_back((uint8_t*)p, (uint8_t*)p + size);
        Children meshKids(kids.data(1));
        std::tie(size, p) = dataOf(meshKids.data(0));
        coords.emplace_back((uint8_t*)p, (uint8_t*)p + size);
        IDirectXFileData* tex = nullptr;
        ASSERT_EQ(l.en->GetNextDataObject(&tex), DXFILE_OK);
        std::tie(size, p) = dataOf(tex, "filename");
        EXPECT_STREQ(at<const char*>(p, 0), "skin.tga");
        tex->Release();
        EXPECT_EQ(l.en->GetNextDataObject(&tex), DXFILEERR_NOMOREOBJECTS);
        frame->Release();
    }
    ASSERT_EQ(meshes[0].size(), 4u + 48u + 4u + 32u);
    EXPECT_EQ(meshes[0], meshes[1]);
    EXPECT_EQ(coords[0].size(), 4u + 32u);
    EXPECT_EQ(coords[0], coords[1]);
}

// Number forms of the text format, read into a FLOAT member as strtod reads them.
TEST(DxFileText, NumberForms) {
    const struct { const char* text; float value; } cases[] = {
        {"0.1", 0.1f},     {"-.5", -0.5f},         {"+2.", 2.0f},     {"1e3", 1000.0f},
        {"2.5E-1", 0.25f}, {"-7", -7.0f},          {"1e999", INFINITY}, {"123456.7890123456789", 123456.789f},
        {"1e-30", 1e-30f}, {"0.000001", 0.000001f},
    };
    for (const auto& c : cases) {
        Loaded l;
        loadText(l, std::string("xof 0303txt 0032\ntemplate One { <11111111-2222-3333-4444-555555555555> FLOAT v; }\n"
                                "One { ") + c.text + "; }\n");
        ASSERT_EQ(l.hr, DXFILE_OK) << c.text;
        IDirectXFileData* d = nullptr;
        ASSERT_EQ(l.en->GetNextDataObject(&d), DXFILE_OK) << c.text;
        EXPECT_EQ(at<float>(dataOf(d).second, 0), c.value) << c.text;
        d->Release();
    }
}

}  // namespace
