// Shared set-up of the room geometry and prop tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Level.h"
#include "LevelSurface.h"
#include "LightMan.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "mesh.h"
#include "renderdevice.h"

namespace geometry_test {

using quiltest::WriteTga;

// A fresh directory with atlases, prop meshes and textures, a recording device, a new level.
class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch.emplace("geometry");
        ASSERT_TRUE(m_scratch->Made());
        for (const char* atlas : {"gfx/floor.tga", "gfx/ceil.tga", "gfx/walls.tga"}) WriteTga(atlas, 16, 16, 200, 100, 50);
        // Every prop is one box 16 wide in x, 4 deep in z, 10 high; its origin 10 above the floor.
        mkassets::MeshBuilder builder;
        builder.box({-8.0f, -10.0f, -2.0f}, {8.0f, 0.0f, 2.0f});
        const std::string box = mkassets::WriteStaticX(builder, "box", "table.tga");
        for (const char* mesh : {"lamp", "table", "tv", "shade", "picture", "door", "picture2", "chairs", "sofa",
                                 "sofachair", "draws", "arc1", "tree"})
            quiltest::WriteBytes(std::string("gfx/") + mesh + ".x", std::vector<uint8_t>(box.begin(), box.end()));
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

    // The front-face normal of quad q: (v1 - v0) x (v2 - v0).
    static Vec3 FrontNormal(const std::vector<LevelVertex>& v, size_t q = 0) {
        const LevelVertex* p = &v[4 * q];
        Vec3 n;
        n.Cross(Vec3(p[1].x - p[0].x, p[1].y - p[0].y, p[1].z - p[0].z),
                Vec3(p[2].x - p[0].x, p[2].y - p[0].y, p[2].z - p[0].z));
        return n;
    }

    quiltest::RecordingDevice device;

private:
    std::optional<quiltest::ScratchFolder> m_scratch;
};

}  // namespace geometry_test
