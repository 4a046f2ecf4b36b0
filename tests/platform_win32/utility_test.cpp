// The registry file.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include "quil_automation.h"
#include "windows.h"

namespace {
namespace qa = quil_automation;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "quilreg_" + std::to_string(::getpid());
        ::mkdir(dir.c_str(), 0755);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        std::remove(qa::RegistryFilePath().c_str());
        std::filesystem::create_directories(std::filesystem::path(qa::RegistryFilePath()).parent_path());
        qa::ReloadRegistry();
    }
    void TearDown() override {
        std::remove(qa::RegistryFilePath().c_str());
        qa::ReloadRegistry();
    }
    std::string dir;
};

TEST_F(RegistryTest, ValuesSurviveARoundTripMissingKeysFailAndADamagedFileLosesOnlyItsDamagedLines) {
    HKEY key = nullptr;
    DWORD disp = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quil\\Test", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const char* path = "C:\\Media\\with \"quotes\" and\nnewline";
    EXPECT_EQ(RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), static_cast<DWORD>(std::strlen(path) + 1)), ERROR_SUCCESS);
    DWORD number = 0xDEADBEEF;
    EXPECT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    GUID g{0x12345678, 0x9ABC, 0xDEF0, {0, 1, 2, 3, 4, 5, 6, 0xFF}};
    EXPECT_EQ(RegSetValueExA(key, "Guid", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&g), sizeof g), ERROR_SUCCESS);
    EXPECT_NE(RegSetValueExA(key, "Bad", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 2), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    struct stat st{};
    EXPECT_NE(::stat((qa::RegistryFilePath() + ".new").c_str(), &st), 0) << "no temporary file is left behind";

    qa::ReloadRegistry();  // read back from the file
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\quil\\test", 0, KEY_READ, &key), ERROR_SUCCESS);
    char buf[128];
    DWORD type = 0, size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "PATH", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buf, path);
    EXPECT_EQ(size, std::strlen(path) + 1);
    DWORD readNumber = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&readNumber), &size), ERROR_SUCCESS);
    EXPECT_EQ(readNumber, 0xDEADBEEFu);
    GUID readGuid{};
    size = sizeof readGuid;
    ASSERT_EQ(RegQueryValueExA(key, "Guid", nullptr, &type, reinterpret_cast<BYTE*>(&readGuid), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(IsEqualGUID(readGuid, g));
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, std::strlen(path) + 1);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // Missing keys and bad handles.
    key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX SDK", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_NE(RegCloseKey(reinterpret_cast<HKEY>(0x999)), ERROR_SUCCESS);
    EXPECT_NE(RegSetValueExA(reinterpret_cast<HKEY>(0x999), "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    // A damaged file loses only its damaged lines.
    {
        std::ofstream f(qa::RegistryFilePath());
        f << "[HKEY_CURRENT_USER\\A]\ngarbage line\n\"v\"=dword:0000002a\n\"w\"=what:1\n";
    }
    qa::ReloadRegistry();
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key), ERROR_SUCCESS);
    size = 4;
    ASSERT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE*>(&readNumber), &size), ERROR_SUCCESS);
    EXPECT_EQ(readNumber, 42u);
    RegCloseKey(key);
}

}  // namespace
