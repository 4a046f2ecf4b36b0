// Mesh and texture loading through the renderer: results, sharing, ownership and the fatal traps.
#include <cctype>
#include <fstream>

#include "d3dx8.h"
#include "render_test_support.h"

namespace quiltest {
namespace {

class LoaderTest : public RenderTest {
protected:
    std::string LastTrapText() const {
        const auto& shown = quil_automation::MessageBoxesShown();
        return shown.empty() ? std::string() : shown.back().text;
    }
};

TEST_F(LoaderTest, TextureAndMeshLoadAndTheCallerOwnsThem) {
    const std::string texPath = "loader_texture.tga", meshPath = "loader_mesh.x";
    WriteTga(texPath, 8, 4, 10, 20, 30);
    std::ofstream(meshPath) << "xof 0302txt 0032\n"
                               "Mesh quad {\n 4;\n -1.0;-1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;, -1.0;1.0;0.0;;\n"
                               " 2;\n 3;0,1,2;, 3;0,2,3;;\n}\n";
    Renderer renderer;
    IDirect3DTexture8* texture = renderer.LoadTexture(texPath.c_str());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(static_cast<FakeTexture*>(texture)->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(texture->GetLevelCount(), 4u);  // full mip chain of 8x4
    ID3DXMesh* mesh = renderer.LoadMesh(meshPath.c_str());
    ASSERT_NE(mesh, nullptr) << LastTrapText();
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    // A second user of either file (named with the other separator and case) shares it.
    std::string other = texPath;
    for (char& ch : other) ch = ch == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(renderer.LoadTexture(other.c_str()), texture);
    EXPECT_EQ(renderer.LoadMesh(meshPath.c_str()), mesh);
    const int live = device.liveResources;
    // Users let go: the cache keeps both while the device lives, and the last
    // user's release frees them once the cache has let go.
    EXPECT_EQ(texture->Release(), 2u);
    mesh->Release();
    renderer.ReleaseCaches();
    EXPECT_EQ(device.liveResources, live);
    EXPECT_EQ(texture->Release(), 0u);
    mesh->Release();
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    EXPECT_EQ(device.liveResources, 0);
}

TEST_F(LoaderTest, MissingFilesAreFatalTrapsThatNameTheFile) {
    Renderer renderer;
    const std::string longName = "gfx/" + std::string(300, 'n') + ".tga";
    struct Case { bool mesh; std::string name, message; };
    const Case cases[] = {
        {false, "gfx\\no_such_texture.tga", "Could not load texture file gfx\\no_such_texture.tga"},
        {true, "gfx/no_such_mesh.x", "Could not load mesh file gfx/no_such_mesh.x"},
        {false, longName, "Could not load texture file gfx/nnn"},  // cut, not overflowed
    };
    for (const Case& c : cases) {
        quil_automation::QueueMessageBoxAnswer(IDYES);  // "debug": the call returns
        if (c.mesh)
            EXPECT_EQ(renderer.LoadMesh(c.name.c_str()), nullptr);
        else
            EXPECT_EQ(renderer.LoadTexture(c.name.c_str()), nullptr);
        EXPECT_NE(LastTrapText().find(c.message), std::string::npos) << c.name;
        EXPECT_EQ(quil_automation::MessageBoxesShown().back().caption, "TRAP Error");
    }
    // A file that failed is not tried or reported again, also after a device change.
    const size_t reports = quil_automation::MessageBoxesShown().size();
    renderer.ReleaseCaches();
    EXPECT_EQ(renderer.LoadMesh("GFX\\no_such_mesh.x"), nullptr);
    EXPECT_EQ(renderer.LoadTexture("gfx/no_such_texture.tga"), nullptr);
    EXPECT_EQ(quil_automation::MessageBoxesShown().size(), reports);
    EXPECT_EQ(device.liveResources, 0);
}

}  // namespace
}  // namespace quiltest
