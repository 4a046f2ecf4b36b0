// The generated meshes and textures through D3DX on a real device, with the calls and flags the
// renderer uses: every static mesh loads in the position-normal-texture layout with the attribute
// ranges its users draw, every texture loads with a full mip chain, and the skinned models convert
// for shader skinning within the bone palette.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "d3dx8mesh.h"
#include "dxfile.h"
#include "generated_set.h"
#include "assets.h"
#include "mesh.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"

namespace {

struct MeshRow {
    const char* file;
    DWORD subsets;
};
const MeshRow kStatic[] = {
    {"gfx/lamp.x", 2}, {"gfx/table.x", 1}, {"gfx/tv.x", 2}, {"gfx/shade.x", 1}, {"gfx/picture.x", 1},
    {"gfx/door.x", 1}, {"gfx/picture2.x", 1}, {"gfx/chairs.x", 1}, {"gfx/sofa.x", 1}, {"gfx/sofachair.x", 1},
    {"gfx/draws.x", 1}, {"gfx/arc1.x", 1}, {"gfx/tree.x", 2}, {"gfx\\present.x", 1}, {"gfx\\health.x", 1},
    {"gfx\\time.x", 1}, {"gfx\\star.x", 1}, {"gfx\\northpole.x", 1}, {"gfx\\house.x", 1}, {"gfx\\trees.x", 1},
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        ASSERT_EQ(quil_automation::CreateOffscreenDevice(320, 240, true, &d3d, &device), D3D_OK);
        assets_test::GeneratedRoot();
        ASSERT_EQ(chdir(assets_test::GeneratedRoot().c_str()), 0);
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
    }
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

// Converts every skinned Mesh found below a data object.
void ConvertSkins(IDirectXFileData* data, IDirect3DDevice8* device, const std::string& file, int& skins) {
    const GUID* type = nullptr;
    ASSERT_EQ(data->GetType(&type), DXFILE_OK);
    if (*type == TID_D3DRMMesh) {
        LPD3DXBUFFER adjacency = nullptr, materials = nullptr, names = nullptr, offsets = nullptr, combos = nullptr;
        DWORD numMaterials = 0, numCombos = 0;
        LPD3DXSKINMESH skin = nullptr;
        ASSERT_EQ(D3DXLoadSkinMeshFromXof(data, 0, device, &adjacency, &materials, &numMaterials, &names, &offsets, &skin), D3D_OK) << file;
        EXPECT_GT(skin->GetNumBones(), 1u) << file;
        EXPECT_LE(skin->GetNumBones(), 28u) << file;
        DWORD influences = 0;
        EXPECT_EQ(skin->GetMaxVertexInfluences(&influences), D3D_OK);
        EXPECT_LE(influences, 4u) << file;
        LPD3DXMESH blended = nullptr;
        EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED | 0x04000000, static_cast<DWORD*>(adjacency->GetBufferPointer()), 28,
                                                    nullptr, &numCombos, &combos, nullptr, nullptr, &blended),
                  D3D_OK)
            << file;
        EXPECT_EQ(numCombos, 1u) << file << ": the whole model fits one bone palette";
        if (blended) blended->Release();
        for (LPD3DXBUFFER b : {adjacency, materials, names, offsets, combos})
            if (b) b->Release();
        skin->Release();
        ++skins;
        return;
    }
    IDirectXFileObject* child = nullptr;
    while (data->GetNextObject(&child) == DXFILE_OK) {
        IDirectXFileData* childData = nullptr;
        if (child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)) == S_OK) {
            ConvertSkins(childData, device, file, skins);
            childData->Release();
        }
        child->Release();
    }
}

}  // namespace

TEST_F(DeviceTest, EveryStaticMeshLoadsWithItsSubsets) {
    for (const MeshRow& row : kStatic) {
        LPD3DXBUFFER materials = nullptr;
        DWORD numMaterials = 0;
        LPD3DXMESH mesh = nullptr;
        ASSERT_EQ(D3DXLoadMeshFromX(row.file, D3DXMESH_SYSTEMMEM, device, nullptr, &materials, &numMaterials, &mesh), D3D_OK) << row.file;
        EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)) << row.file;
        EXPECT_EQ(numMaterials, row.subsets) << row.file;
        mesh->OptimizeInplace(0x07000000, nullptr, nullptr, nullptr, nullptr);
        DWORD ranges = 0;
        EXPECT_EQ(mesh->GetAttributeTable(nullptr, &ranges), D3D_OK);
        EXPECT_EQ(ranges, row.subsets) << row.file;
        std::vector<D3DXATTRIBUTERANGE> table(ranges);
        mesh->GetAttributeTable(table.data(), &ranges);
        for (DWORD i = 0; i < ranges; ++i) {
            EXPECT_EQ(table[i].AttribId, i) << row.file;
            EXPECT_GT(table[i].FaceCount, 0u) << row.file;
        }
        if (materials) materials->Release();
        mesh->Release();
    }
}

TEST_F(DeviceTest, EveryTextureLoadsAsTheRendererLoadsIt) {
    for (const std::string& entry : assets_test::GameFiles(".tga")) {
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(device, entry.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                               D3DPOOL_MANAGED, 0x70004, 0x70004, 0, nullptr, nullptr, &tex),
                  D3D_OK)
            << entry;
        EXPECT_GT(tex->GetLevelCount(), 5u) << entry;
        tex->Release();
    }
}

TEST_F(DeviceTest, SkinnedModelsConvertForShaderSkinning) {
    for (const char* name : {"gfx\\tiny.x", "gfx\\goblin.x", "gfx\\snowman.x"}) {
        IDirectXFile* xfile = nullptr;
        ASSERT_EQ(DirectXFileCreate(&xfile), DXFILE_OK);
        ASSERT_EQ(xfile->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
        IDirectXFileEnumObject* en = nullptr;
        ASSERT_EQ(xfile->CreateEnumObject(const_cast<char*>(name), DXFILELOAD_FROMFILE, &en), DXFILE_OK) << name;
        int skins = 0;
        IDirectXFileData* data = nullptr;
        while (en->GetNextDataObject(&data) == DXFILE_OK) {
            ConvertSkins(data, device, name, skins);
            data->Release();
        }
        EXPECT_EQ(skins, 1) << name;
        en->Release();
        xfile->Release();
    }
}

// The engine's skinned-mesh loader, with no failure report, every animation driving a frame and
// the animation moving the model.
TEST_F(DeviceTest, TheEngineLoadsEverySkinnedModelAndAnimatesIt) {
    RenderDevice_Bind(device);
    quil_automation::ClearMessageBoxesShown();
    for (const char* name : {"gfx\\tiny.x", "gfx\\goblin.x", "gfx\\snowman.x"}) {
        SkinMesh mesh;
        mesh.Setup(name, "gfx\\tiny.tga");
        ASSERT_EQ(mesh.LoadMeshHierarchy(name), S_OK) << name;
        SkinDrawElement* e = mesh.GetElements();
        ASSERT_NE(e, nullptr) << name;
        int nodes = 0;
        for (SkinFrame* a = e->pAnimations; a; a = a->pNextAnimation, ++nodes) {
            EXPECT_NE(a->pTarget, nullptr) << name;
            EXPECT_GE(a->uNumRotateKeys, 2u) << name;
        }
        EXPECT_GE(nodes, 5) << name;
        // A quarter of a second on, some frame of the model has moved.
        std::vector<Matrix> before;
        for (SkinFrame* a = e->pAnimations; a; a = a->pNextAnimation) before.push_back(a->pTarget->mLocal);
        mesh.Update(0.25f);
        bool moved = false;
        size_t i = 0;
        for (SkinFrame* a = e->pAnimations; a; a = a->pNextAnimation, ++i)
            for (int k = 0; k < 16; ++k) moved |= std::fabs((&a->pTarget->mLocal.m[0][0])[k] - (&before[i].m[0][0])[k]) > 1e-3f;
        EXPECT_TRUE(moved) << name;
        mesh.InvalidateDeviceObjects();
    }
    for (const auto& m : quil_automation::MessageBoxesShown()) ADD_FAILURE() << m.text;
    RenderDevice_Unbind();
}

// The engine poses a model as it was meant: at a key time every animated frame's rotation is the
// one the generator put into that key (so the sense of the stored rotations is right).
TEST_F(DeviceTest, TheEnginePosesTheWalkerAsModelled) {
    RenderDevice_Bind(device);
    mkassets::MeshCapture capture;
    mkassets::g_meshCapture = &capture;
    mkassets::WriteCharacters(assets_test::GeneratedRoot() + "/capture");
    mkassets::g_meshCapture = nullptr;
    ASSERT_FALSE(capture.skinned.empty());
    const mkassets::SkinnedModel& model = capture.skinned[0].second;
    SkinMesh mesh;
    ASSERT_EQ(mesh.LoadMeshHierarchy("gfx/tiny.x"), S_OK);
    SkinDrawElement* e = mesh.GetElements();
    ASSERT_NE(e, nullptr);
    const uint32_t keyTime = model.tracks[0].times[2];
    mesh.Update(keyTime / 4800.0f + 1e-5f);
    int checked = 0;
    for (const mkassets::BoneTrack& t : model.tracks) {
        SkinFrame* f = e->FindFrame(model.bones[t.bone].name.c_str());
        ASSERT_NE(f, nullptr);
        const mkassets::V3 a = t.euler[2];
        const mkassets::Xform want = mkassets::Xform::rotateX(a.x).then(mkassets::Xform::rotateY(a.y)).then(mkassets::Xform::rotateZ(a.z));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(f->mLocal.m[r][c], want.m[r][c], 2e-3f) << model.bones[t.bone].name << " " << r << c;
        ++checked;
    }
    EXPECT_GE(checked, 10);
    mesh.InvalidateDeviceObjects();
    RenderDevice_Unbind();
}
