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
