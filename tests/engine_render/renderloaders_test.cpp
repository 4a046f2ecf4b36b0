// Mesh and texture loading through the renderer: results, ownership and the fatal traps.
#include <fstream>

#include "d3dx8.h"
#include "render_test_support.h"

namespace quiltest {
namespace {

class LoaderTest : public RenderTest {
protected:
    // The trap's "Yes" (debug) lets the call return to its caller.
    void AnswerTrapWithYes() { quil_automation::QueueMessageBoxAnswer(IDYES); }
    std::string LastTrapText() const {
        const auto& shown = quil_automation::MessageBoxesShown();
        return shown.empty() ? std::string() : shown.back().text;
    }
};

TEST_F(LoaderTest, TextureLoadsManagedWithAFullMipChainAndTheCallerOwnsIt) {
    const std::string path = ::testing::TempDir() + "loader_texture.tga";
    ASSERT_TRUE(WriteTga(path, 8, 4, 10, 20, 30));
    Renderer renderer;
    IDirect3DTexture8* texture = renderer.LoadTexture(path.c_str());
    ASSERT_NE(texture, nullptr);
    auto* fake = static_cast<FakeTexture*>(texture);
    EXPECT_EQ(fake->width, 8u);
    EXPECT_EQ(fake->height, 4u);
    EXPECT_EQ(fake->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(device.liveResources, 0);
}

TEST_F(LoaderTest, MissingFilesAreFatalTrapsThatNameTheFile) {
    Renderer renderer;
    AnswerTrapWithYes();
    EXPECT_EQ(renderer.LoadTexture("gfx\\no_such_texture.tga"), nullptr);
    EXPECT_NE(LastTrapText().find("Could not load texture file gfx\\no_such_texture.tga"), std::string::npos);
    ASSERT_FALSE(quil_automation::MessageBoxesShown().empty());
    EXPECT_EQ(quil_automation::MessageBoxesShown().back().caption, "TRAP Error");

    AnswerTrapWithYes();
    EXPECT_EQ(renderer.LoadMesh("gfx/no_such_mesh.x"), nullptr);
    EXPECT_NE(LastTrapText().find("Could not load mesh file gfx/no_such_mesh.x"), std::string::npos);

    // A name too long for the message is cut, not overflowed.
    AnswerTrapWithYes();
    const std::string longName = "gfx/" + std::string(300, 'n') + ".tga";
    EXPECT_EQ(renderer.LoadTexture(longName.c_str()), nullptr);
    EXPECT_NE(LastTrapText().find("Could not load texture file gfx/nnn"), std::string::npos);
    EXPECT_EQ(device.liveResources, 0);
}

TEST_F(LoaderTest, MeshLoadsFromAnXFile) {
    const std::string path = ::testing::TempDir() + "loader_mesh.x";
    {
        std::ofstream out(path);
        out << "xof 0302txt 0032\n"
               "Mesh quad {\n 4;\n -1.0;-1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;, -1.0;1.0;0.0;;\n"
               " 2;\n 3;0,1,2;, 3;0,2,3;;\n"
               " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
               " MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }\n"
               "}\n";
    }
    Renderer renderer;
    ID3DXMesh* mesh = renderer.LoadMesh(path.c_str());
    ASSERT_NE(mesh, nullptr) << LastTrapText();
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
    EXPECT_EQ(mesh->GetOptions() & D3DXMESH_SYSTEMMEM, DWORD(D3DXMESH_SYSTEMMEM));
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    mesh->Release();
}

}  // namespace
}  // namespace quiltest
