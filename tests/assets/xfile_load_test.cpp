// Every generated .x file through the platform's DirectX File parser, walked object by object as
// the skinned-mesh loader walks it: all objects parse, their data reads in the templates' layout,
// and the animation keys have the record sizes the loader steps by.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "dxfile.h"
#include "generated_set.h"

namespace {

const char* const kMeshes[] = {
    "gfx/lamp.x", "gfx/table.x", "gfx/tv.x", "gfx/shade.x", "gfx/picture.x", "gfx/door.x", "gfx/picture2.x",
    "gfx/chairs.x", "gfx/sofa.x", "gfx/sofachair.x", "gfx/draws.x", "gfx/arc1.x", "gfx/tree.x", "gfx/present.x",
    "gfx/health.x", "gfx/time.x", "gfx/star.x", "gfx/northpole.x", "gfx/house.x", "gfx/trees.x", "gfx/tiny.x",
    "gfx/goblin.x", "gfx/snowman.x",
};

struct Walk {
    int meshes = 0, frames = 0, animations = 0, keys = 0, references = 0;
    std::set<std::string> frameNames;
};

void Visit(IDirectXFileData* data, Walk& w, const std::string& file) {
    const GUID* type = nullptr;
    ASSERT_EQ(data->GetType(&type), DXFILE_OK) << file;
    DWORD size = 0;
    void* bytes = nullptr;
    EXPECT_EQ(data->GetData(nullptr, &size, &bytes), DXFILE_OK) << file;
    if (*type == TID_D3DRMMesh) ++w.meshes;
    if (*type == TID_D3DRMFrame) {
        ++w.frames;
        char name[256] = {};
        DWORD len = sizeof name;
        if (data->GetName(name, &len) == DXFILE_OK) w.frameNames.insert(name);
    }
    if (*type == TID_D3DRMAnimation) ++w.animations;
    if (*type == TID_D3DRMAnimationKey) {
        ++w.keys;
        ASSERT_GE(size, 8u) << file;
        uint32_t keyType, count;
        std::memcpy(&keyType, bytes, 4);
        std::memcpy(&count, static_cast<char*>(bytes) + 4, 4);
        const uint32_t record = keyType == 0 ? 24 : (keyType == 4 ? 72 : 20);
        EXPECT_TRUE(keyType == 0 || keyType == 2) << file;
        EXPECT_EQ(size, 8 + count * record) << file;
    }
    IDirectXFileObject* child = nullptr;
    while (data->GetNextObject(&child) == DXFILE_OK) {
        IDirectXFileData* childData = nullptr;
        IDirectXFileDataReference* ref = nullptr;
        if (child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)) == S_OK) {
            Visit(childData, w, file);
            childData->Release();
        } else if (child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&ref)) == S_OK) {
            IDirectXFileData* target = nullptr;
            EXPECT_EQ(ref->Resolve(&target), DXFILE_OK) << file;
            if (target) {
                const GUID* t = nullptr;
                target->GetType(&t);
                EXPECT_TRUE(t && *t == TID_D3DRMFrame) << file << ": an animation refers to something not a frame";
                target->Release();
            }
            ++w.references;
            ref->Release();
        }
        child->Release();
    }
}

}  // namespace

TEST(AssetsThroughTheGame, EveryMeshFileParsesObjectByObject) {
    for (const char* name : kMeshes) {
        IDirectXFile* xfile = nullptr;
        ASSERT_EQ(DirectXFileCreate(&xfile), DXFILE_OK);
        ASSERT_EQ(xfile->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
        const std::string path = assets_test::GeneratedRoot() + "/" + name;
        IDirectXFileEnumObject* en = nullptr;
        ASSERT_EQ(xfile->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &en), DXFILE_OK) << name;
        Walk w;
        IDirectXFileData* data = nullptr;
        while (en->GetNextDataObject(&data) == DXFILE_OK) {
            Visit(data, w, name);
            data->Release();
        }
        EXPECT_EQ(w.meshes, 1) << name;
        const bool skinned = std::string(name) == "gfx/tiny.x" || std::string(name) == "gfx/goblin.x" || std::string(name) == "gfx/snowman.x";
        if (skinned) {
            EXPECT_GE(w.frames, 5) << name;
            EXPECT_GE(w.animations, 5) << name;
            EXPECT_EQ(w.references, w.animations) << name << ": one frame per animation";
            EXPECT_GE(w.keys, w.animations) << name;
        }
        en->Release();
        xfile->Release();
    }
}
