// The file services: round trips, short files, failures; their blocks are counted by tag.
#include <gtest/gtest.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include "file.h"
#include "memorycontroller.h"
#include "quil_automation.h"

namespace fs = std::filesystem;

namespace {
class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void WriteRaw(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    const fs::path dir = fs::current_path();  // the case's own working folder
};
}  // namespace

// The caller learns how many bytes were read, so a short file is detected.
TEST_F(FileTest, WholeFilesReportTheirSize) {
    const uint8_t data[8] = {1, 0, 0, 0, 0x39, 0x30, 0, 0};
    GetFile()->SaveFile(Path("frostwick.dat").c_str(), data, sizeof(data));
    WriteRaw("short.dat", std::string("\x01\x02\x03\x04\x05", 5));
    WriteRaw("empty.dat", "");
    const std::pair<const char*, uint32_t> cases[] = {{"frostwick.dat", 8}, {"short.dat", 5}, {"empty.dat", 0}};
    for (const auto& c : cases) {
        uint8_t* buf = nullptr;
        uint32_t got = 99;
        ASSERT_EQ(GetFile()->LoadFile(Path(c.first).c_str(), &buf, &got), 0) << c.first;
        ASSERT_NE(buf, nullptr);
        EXPECT_EQ(got, c.second) << c.first;
        EXPECT_EQ(MemoryController::GetBlockCount("FILE SYS"), 1u);
        EXPECT_EQ(GetFile()->FreeFile(&buf), 0);
        EXPECT_EQ(buf, nullptr);
    }
    EXPECT_EQ(MemoryController::GetBlockCount("FILE SYS"), 0u);
}

TEST_F(FileTest, MissingFilesAndBadModesFailQuietly) {
    void* buf = nullptr;
    uint32_t got = 7;
    EXPECT_EQ(GetFile()->LoadFile(Path("absent.dat").c_str(), &buf, &got), -1);
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetFile()->LoadFile(dir.string().c_str(), &buf), -1);  // a directory is no file
    EXPECT_EQ(GetFile()->Open(Path("absent.dat").c_str(), FILE_READ), nullptr);
    EXPECT_EQ(GetFile()->Open(Path("new.dat").c_str(), 2), nullptr);
    EXPECT_FALSE(fs::exists(Path("new.dat")));
    GetFile()->SaveFile(Path("no/such/dir.dat").c_str(), "x", 1);
    GetFile()->Close(nullptr);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
}

TEST_F(FileTest, NamesMatchWithEitherSeparatorAndAnyCase) {
    fs::create_directories(dir / "Gfx");
    WriteRaw("Gfx/Level0.dat", "old");
    const std::string lower = dir.string() + "\\gfx\\level0.dat";
    EXPECT_EQ(File::ResolveName(lower.c_str()), Path("Gfx/Level0.dat"));
    GetFile()->SaveFile(lower.c_str(), "new", 3);  // overwrites, no second file
    char* buf = nullptr;
    ASSERT_EQ(GetFile()->LoadFile(Path("GFX/LEVEL0.DAT").c_str(), &buf), 0);
    EXPECT_EQ(std::string(buf, 3), "new");
    GetFile()->FreeFile(&buf);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Gfx"), fs::directory_iterator()), 1);
    const std::string fresh = dir.string() + "/gfx/enemy1.dat";  // new file in an existing folder
    EXPECT_EQ(File::ResolveName(fresh.c_str()), Path("Gfx/enemy1.dat"));
}
