// Shared set-up of the room geometry and prop tests: a scratch working
// directory holding small tile atlases, prop meshes and textures, a recording
// device bound for the test, and headless message boxes that can be read back.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Level.h"
#include "LevelSurface.h"
#include "LightMan.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "memorycontroller.h"

namespace geometry_test {

using quiltest::WriteTga;

// A text .x box from (x0, y0, z0) to (x1, y1, z1) with outward face normals:
// its four sides are subset 0 and its top and bottom subset 1.
inline std::string BoxX(float x0, float y0, float z0, float x1, float y1, float z1) {
    struct Face { float n[3]; float c[4][3]; int subset; };
    const Face faces[6] = {
        {{1, 0, 0}, {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}, 0},
        {{-1, 0, 0}, {{x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}}, 0},
        {{0, 0, 1}, {{x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}}, 0},
        {{0, 0, -1}, {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}, 0},
        {{0, 1, 0}, {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}, 1},
        {{0, -1, 0}, {{x0, y0, z1}, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}}, 1},
    };
    auto f = [](float v) { return std::to_string(v); };
    std::string o = "xof 0303txt 0032\n\nMesh box {\n 24;\n";
    for (int i = 0; i < 24; ++i) {
        const float* p = faces[i / 4].c[i % 4];
        o += " " + f(p[0]) + ";" + f(p[1]) + ";" + f(p[2]) + ";" + (i < 23 ? ",\n" : ";\n");
    }
    std::string tris = " 12;\n";
    for (int q = 0; q < 6; ++q) {
        const int b = 4 * q;
        tris += " 3;" + std::to_string(b) + "," + std::to_string(b + 1) + "," + std::to_string(b + 2) + ";,\n";
        tris += " 3;" + std::to_string(b) + "," + std::to_string(b + 2) + "," + std::to_string(b + 3) + ";" +
                (q < 5 ? ",\n" : ";\n");
    }
    o += tris + "\n MeshNormals {\n 24;\n";
    for (int i = 0; i < 24; ++i) {
        const float* n = faces[i / 4].n;
        o += " " + f(n[0]) + ";" + f(n[1]) + ";" + f(n[2]) + ";" + (i < 23 ? ",\n" : ";\n");
    }
    o += tris + " }\n\n MeshTextureCoords {\n 24;\n";
    for (int i = 0; i < 24; ++i) o += std::string(" 0.5;0.5;") + (i < 23 ? ",\n" : ";\n");
    o += " }\n\n MeshMaterialList {\n 2;\n 12;\n";
    for (int t = 0; t < 12; ++t) o += " " + std::to_string(faces[t / 2].subset) + (t < 11 ? ",\n" : ";\n");
    for (int s = 0; s < 2; ++s)
        o += "\n Material {\n  1.0;1.0;1.0;1.0;;\n  0.0;\n  0.0;0.0;0.0;;\n  0.0;0.0;0.0;;\n }\n";
    o += " }\n}\n";
    return o;
}

// Runs each test in a fresh directory with gfx/ (atlases, prop meshes and
// textures) and gfx/lightmaps, a recording device bound, and an empty level.
class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch.emplace("geometry");
        ASSERT_TRUE(m_scratch->Made());
        for (const char* atlas : {"gfx/floor.tga", "gfx/ceil.tga", "gfx/walls.tga"}) WriteTga(atlas, 16, 16, 200, 100, 50);
        // Every prop shares one box, 16 wide in x and 4 deep in z, standing 10 high
        // on the floor (the prop's origin is 10 above the floor).
        const std::string box = BoxX(-8.0f, -10.0f, -2.0f, 8.0f, 0.0f, 2.0f);
        for (const char* mesh : {"lamp", "table", "tv", "shade", "picture", "door", "picture2", "chairs", "sofa",
                                 "sofachair", "draws", "arc1", "tree"}) {
            FILE* f = std::fopen((std::string("gfx/") + mesh + ".x").c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fwrite(box.data(), 1, box.size(), f);
            std::fclose(f);
        }
        for (const char* tex : {"lamp", "table", "tv", "shade", "picture1", "picture2", "door1", "sofa", "draws", "arc",
                                "tree"})
            WriteTga(std::string("gfx/") + tex + ".tga", 8, 8, 255, 255, 255);

        quiltest::StartRecordingBoxes();
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
        GetLevel()->New();
        // Looking diagonally leaves every block visible.
        GetLevel()->UpdateVisibleBlocks(Vec3(0, 10, 0), Vec3(0, 10, 0), Vec3(0.7f, 0.0f, 0.7f));
    }

    void TearDown() override {
        GetLevel()->Free();
        GetLightMan()->Clear();
        RenderDevice_Unbind();
        m_scratch.reset();
    }

    static bool AnyBoxSays(const std::string& message) { return quiltest::AnyMessageBoxSays(message); }

    // The room's nodes; node (col, row) is nodes[col + row * 8].
    static Node* Nodes() { return GetLevel()->GetNodeMap(0); }
    static Room* Room0() { return GetLevel()->GetRoom(0); }

    // The vertices a surface wrote into its vertex buffer.
    static std::vector<LevelVertex> Vertices(const LevelSurface* surface) {
        std::vector<LevelVertex> out;
        auto* vb = static_cast<quiltest::FakeVertexBuffer*>(surface->GetVertexBuffer());
        if (!vb) return out;
        out.resize(vb->bytes.size() / sizeof(LevelVertex));
        std::memcpy(out.data(), vb->bytes.data(), out.size() * sizeof(LevelVertex));
        return out;
    }

    size_t CountLog(const std::string& prefix) const { return device.Matching(prefix).size(); }

    quiltest::RecordingDevice device;

private:
    std::optional<quiltest::ScratchFolder> m_scratch;
};

}  // namespace geometry_test
