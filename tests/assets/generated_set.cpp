#include "generated_set.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "assets.h"

namespace assets_test {

void GenerateInto(const std::string& root) {
    mkassets::WriteAll(root);
}

namespace {

// Removes the generated folder when the test program ends.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (!folder().empty()) std::filesystem::remove_all(folder());
    }
    static std::string& folder() {
        static std::string f;
        return f;
    }
};
const ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

}  // namespace

const char* const kGameFiles[] = {
    "gfx/lamp.x", "gfx/table.x", "gfx/tv.x", "gfx/shade.x", "gfx/picture.x", "gfx/door.x", "gfx/picture2.x",
    "gfx/chairs.x", "gfx/sofa.x", "gfx/sofachair.x", "gfx/draws.x", "gfx/arc1.x", "gfx/tree.x",
    "gfx/lamp.tga", "gfx/table.tga", "gfx/tv.tga", "gfx/shade.tga", "gfx/picture2.tga", "gfx/door1.tga",
    "gfx/picture1.tga", "gfx/sofa.tga", "gfx/draws.tga", "gfx/arc.tga", "gfx/tree.tga",
    "gfx\\present.x", "gfx\\health.x", "gfx\\time.x", "gfx\\star.x",
    "gfx\\present.tga", "gfx\\health.tga", "gfx\\time.tga", "gfx\\star.tga",
    "gfx\\northpole.x", "gfx\\house.x", "gfx\\trees.x", "gfx\\tiny.x", "gfx\\goblin.x", "gfx\\snowman.x",
    "gfx\\house.tga", "gfx\\sky.tga", "gfx\\snow.tga", "gfx\\trees.tga", "gfx\\bar.tga", "gfx\\title.tga",
    "gfx\\snowman.tga", "gfx\\tiny.tga", "gfx\\goblin.tga",
    "gfx/walls.tga", "gfx/floor.tga", "gfx/ceil.tga", "gfx/hud.tga", "gfx/icons.tga", "gfx/flare.tga",
    "gfx/snowstorm2.tga", "gfx/bullets.tga",
    "sfx/footsteps/hard1.wav", "sfx/footsteps/hard2.wav", "sfx/footsteps/hard3.wav", "sfx/footsteps/hard4.wav",
    "sfx/footsteps/normal1.wav", "sfx/footsteps/normal2.wav", "sfx/footsteps/normal3.wav", "sfx/footsteps/normal4.wav",
    "sfx/footsteps/snow1.wav", "sfx/footsteps/snow2.wav", "sfx/footsteps/soft1.wav", "sfx/footsteps/soft2.wav",
    "sfx/footsteps/soft3.wav", "sfx/footsteps/soft4.wav", "sfx/heartbeat.wav", "sfx/hit.wav",
    "sfx/evilfire1.wav", "sfx/evilfire2.wav", "sfx/fire1.wav", "sfx/fire2.wav", "sfx\\goblindeath.wav",
    "sfx/spawn1.wav", "sfx/spawn2.wav", "sfx/gotpresent.wav", "sfx/dopresent.wav", "sfx/levelstart.wav",
    "sfx/levelcomplete.wav", "sfx/gameover.wav", "sfx\\menumove.wav", "sfx\\menuselect.wav",
    "sfx/quil_xmas_theme.mid", "sfx/letitsnow.mid", "sfx/whitexmas.mid",
    "gfx/Level0.dat", "gfx/Level1.dat", "gfx/Level2.dat", "gfx/Level3.dat", "gfx/Level4.dat",
    "gfx/Enemy0.dat", "gfx/Enemy1.dat", "gfx/Enemy2.dat", "gfx/Enemy3.dat", "gfx/Enemy4.dat",
};

std::vector<std::string> GameFiles(const std::string& ext) {
    std::vector<std::string> out;
    for (const std::string name : kGameFiles)
        if (name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) out.push_back(name);
    return out;
}

const std::string& GeneratedRoot() {
    static const std::string root = [] {
        const auto dir = std::filesystem::temp_directory_path() / ("mkassets_test_" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        Cleanup::folder() = dir.string();
        GenerateInto(dir.string());
        return dir.string();
    }();
    return root;
}

std::vector<uint8_t> ReadGenerated(const std::string& rel) {
    std::ifstream in(std::filesystem::path(GeneratedRoot()) / rel, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadGeneratedText(const std::string& rel) {
    const std::vector<uint8_t> b = ReadGenerated(rel);
    return std::string(b.begin(), b.end());
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

float F32(const std::vector<uint8_t>& b, size_t at) {
    const uint32_t v = U32(b, at);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

}  // namespace assets_test
