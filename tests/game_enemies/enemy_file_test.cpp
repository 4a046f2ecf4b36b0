// The enemy file: the five generated files, byte-exact round trips, cut files
// and more paths than walkers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "EnemyManager.h"
#include "enemy_test_support.h"
#include "memorycontroller.h"

using enemy_test::AssetRoot;
using enemy_test::EncodeEnemyFile;
using enemy_test::Path;
using enemy_test::RoomPaths;
using quiltest::ReadBytes;
using quiltest::U32At;
using quiltest::WriteBytes;

namespace {

const char* const kTags[] = {"ROOM NME", "NME PROPS", "NME PATHS", "NME PNODES"};

uint32_t EnemyBlocks() {
    uint32_t n = 0;
    for (const char* tag : kTags) n += MemoryController::GetBlockCount(tag);
    return n;
}

std::string EnemyFileName(int level) {
    char name[32];
    std::snprintf(name, sizeof(name), "gfx/Enemy%d.dat", level);
    return name;
}

// The entered points of walker i.
Path WalkerPoints(uint32_t i) {
    const PatrolPath* path = GetEnemyManager()->GetEnemy(i)->GetPath();
    Path points;
    for (uint32_t k = 0; k < path->GetRawCount(); ++k) points.push_back({path->GetPoint(k)->x, path->GetPoint(k)->z});
    return points;
}

const Path kSquare = {{-112, 80}, {-48, 80}, {-48, 16}};
const Path kLine = {{16, -16}, {80, -16}};

class EnemyFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AssetRoot();
        GetEnemyManager()->Init();
    }
    void TearDown() override {
        EnemyManager* m = GetEnemyManager();
        m->Stop();
        m->Free();
        m->SetRoom(0);  // with no data: every walker out and none in use
        EXPECT_EQ(EnemyBlocks(), 0u);
    }
};

}  // namespace

TEST_F(EnemyFileTest, GeneratedFilesLoadAndSaveByteForByte) {
    EnemyManager* m = GetEnemyManager();
    for (int level = 0; level < 5; ++level) {
        SCOPED_TRACE(level);
        const std::vector<uint8_t> bytes = ReadBytes(EnemyFileName(level));
        ASSERT_GE(bytes.size(), 20u);
        ASSERT_TRUE(m->Load(EnemyFileName(level).c_str()));
        EXPECT_EQ(m->GetRoomCount(), U32At(bytes, 0));
        m->Start();
        ASSERT_EQ(m->GetCount(), std::min(U32At(bytes, 8), 6u));
        // The first walker walks the stored points in the stored order.
        const uint32_t nodes = std::min(U32At(bytes, 32), 32u);
        const Path points = WalkerPoints(0);
        ASSERT_EQ(points.size(), nodes);
        for (uint32_t k = 0; k < nodes; ++k) {
            float xz[2];
            std::memcpy(xz, &bytes[40 + 8 * k], 8);
            EXPECT_EQ(points[k], std::make_pair(xz[0], xz[1])) << k;
        }
        ASSERT_TRUE(m->Save("roundtrip.dat"));
        EXPECT_EQ(ReadBytes("roundtrip.dat"), bytes);
        m->Stop();
    }
    // The editor's lower-case name reaches the same file.
    EXPECT_TRUE(m->Load("gfx/enemy0.dat"));
}

TEST_F(EnemyFileTest, TruncatedFilesAreRejectedWithoutLeaks) {
    EnemyManager* m = GetEnemyManager();
    const std::vector<uint8_t> whole = EncodeEnemyFile({{kSquare}, {kLine, kSquare}});
    ASSERT_TRUE(m->Load("gfx/Enemy1.dat"));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        WriteBytes("cut.dat", std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
        EXPECT_FALSE(m->Load("cut.dat")) << cut;
        EXPECT_EQ(EnemyBlocks(), 0u) << cut;
        m->Start();
        EXPECT_EQ(m->GetCount(), 0u) << cut;
    }
    WriteBytes("whole.dat", whole);
    EXPECT_TRUE(m->Load("whole.dat"));
}

TEST_F(EnemyFileTest, MoreThanSixPathsGiveSixWalkersAndKeepEveryPath) {
    EnemyManager* m = GetEnemyManager();
    RoomPaths eight;
    for (int i = 0; i < 8; ++i) eight.push_back({{float(i), 0}, {float(i), 32}});
    // And one path of 40 points: the walker takes the first 32.
    Path long40;
    for (int i = 0; i < 40; ++i) long40.push_back({float(i), 1});
    eight[0] = long40;
    const std::vector<uint8_t> bytes = EncodeEnemyFile({eight});
    WriteBytes("eight.dat", bytes);
    ASSERT_TRUE(m->Load("eight.dat"));
    m->Start();
    EXPECT_EQ(m->GetCount(), 6u);
    EXPECT_EQ(m->GetEnemy(0)->GetPath()->GetRawCount(), 32u);
    EXPECT_EQ(m->GetEnemy(5)->GetPath()->GetPoint(0)->x, 5.0f);
    ASSERT_TRUE(m->Save("eight_out.dat"));
    EXPECT_EQ(ReadBytes("eight_out.dat"), bytes);
}
