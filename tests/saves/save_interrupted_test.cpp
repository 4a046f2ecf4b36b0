// Every writer of a file a player or designer would miss, run in a child
// process whose file-size limit stops it mid-write: killed by SIGXFSZ, or (with
// the signal ignored) failing with EFBIG as on a full disk. Either way the old
// file is intact; a failure is reported as one and leaves no scratch file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "EnemyManager.h"
#include "Level.h"
#include "LightMan.h"
#include "file.h"
#include "game.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "windows.h"

namespace {

using quiltest::ReadBytes;
using quiltest::WriteBytes;

enum class Stop { Killed, Refused };

// Runs save in a child limited to limit bytes per file; the child exits 0
// when save reported failure and 3 when it claimed success.
int RunLimited(const std::function<bool()>& save, rlim_t limit, Stop stop) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (stop == Stop::Refused) std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(save() ? 3 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

void ExpectOldFileSurvives(const std::string& path, const std::function<bool()>& save, rlim_t limit) {
    const std::vector<uint8_t> old = ReadBytes(path);
    ASSERT_GT(old.size(), 0u) << path;
    const int killed = RunLimited(save, limit, Stop::Killed);
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << path << " status " << killed;
    EXPECT_EQ(ReadBytes(path), old) << path << " after a kill mid-write";
    const int refused = RunLimited(save, limit, Stop::Refused);
    EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 0) << path << ": a failed save claimed success";
    EXPECT_EQ(ReadBytes(path), old) << path << " after a failed write";
    EXPECT_FALSE(std::filesystem::exists(path + ".new")) << path;
}

class SaveInterrupted : public ::testing::Test {
protected:
    void SetUp() override { quiltest::GeneratedAssetFolder("saves_tests"); }
};

TEST_F(SaveInterrupted, HiscoreLevelAndEnemyFilesKeepTheirOldContents) {
    WriteBytes(Game::HiscoreFile, {1, 0, 0, 0, 0x39, 0x30, 0, 0});  // 12345
    ExpectOldFileSurvives(Game::HiscoreFile, [] {
        uint8_t record[Game::HISCORE_FILE_SIZE];
        Game::EncodeHiscore(99999, record);
        return GetFile()->SaveFile(Game::HiscoreFile, record, sizeof(record));
    }, 4);
    // The editor's lower-case names reach the stored files.
    ExpectOldFileSurvives("gfx/Level2.dat", [] {
        GetLevel()->New();
        return GetLevel()->Save("gfx/level2.dat");
    }, 1000);
    ExpectOldFileSurvives("gfx/Enemy2.dat", [] {
        GetEnemyManager()->Load("gfx/Enemy3.dat");
        return GetEnemyManager()->Save("gfx/enemy2.dat");
    }, 16);

    // A complete save still goes through and leaves only the file itself.
    GetLevel()->New();
    ASSERT_TRUE(GetLevel()->Save("gfx/level2.dat"));
    EXPECT_EQ(ReadBytes("gfx/Level2.dat").size(), LEVEL_FILE_HEADER_SIZE + ROOM_RECORD_SIZE);
    EXPECT_FALSE(std::filesystem::exists("gfx/Level2.dat.new"));
    GetLevel()->Free();
}

TEST_F(SaveInterrupted, RegistryKeepsItsOldContents) {
    const std::string home = std::filesystem::current_path().string() + "/config";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    quil_automation::ReloadRegistry();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Saves", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr), ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(key, "Kept", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    const std::string path = quil_automation::RegistryFilePath();
    const auto size = static_cast<rlim_t>(std::filesystem::file_size(path));
    ExpectOldFileSurvives(path, [key] {
        const std::string text(200, 'x');
        return RegSetValueExA(key, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }, size);
    RegCloseKey(key);
    unsetenv("XDG_CONFIG_HOME");
    quil_automation::ReloadRegistry();
}

// A damaged texture reaching the fatal trap, answered No, ends the process at
// once: buffered C streams reach their files, and static objects are left as
// they are (the lights' flare list is still in the engine's process list).
TEST(ExitProcessDeathTest, FatalTrapFlushesStreamsAndSkipsStaticDestructors) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string out = dir / "quil_exit_flush.txt", texture = dir / "quil_damaged.tga";
    EXPECT_EXIT(
        {
            static FILE* f = std::fopen(out.c_str(), "w");
            struct Witness {
                ~Witness() { std::fputs(" destroyed", f); }
            };
            static Witness witness;
            std::fputs("buffered", f);
            static quiltest::RecordingDevice device;
            RenderDevice_Bind(&device, D3DCAPS8{}, D3DSURFACE_DESC{});
            GetLightMan()->GetFlares()->Activate();
            WriteBytes(texture, {0, 0, 2, 0, 0});
            quil_automation::SetHeadless(true);  // the trap's box answers No
            GetRenderer()->LoadTexture(texture.c_str());
        },
        ::testing::ExitedWithCode(1), "quil_damaged.tga");
    EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{'b', 'u', 'f', 'f', 'e', 'r', 'e', 'd'}));
    std::filesystem::remove(out);
    std::filesystem::remove(texture);
}

}  // namespace
