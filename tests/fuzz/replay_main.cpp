// Runs a fuzz target over the files it is given (and the files of the folders
// it is given), once each: how the committed corpora are replayed in the
// normal and the sanitizer builds.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
// The input being replayed, named when a target's own check aborts.
const char* g_current = "";
void NameInputAndAbort(int sig) {
    const char* text = "aborted while replaying ";
    (void)!write(2, text, std::strlen(text));
    (void)!write(2, g_current, std::strlen(g_current));
    (void)!write(2, "\n", 1);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}
}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else {
            inputs.emplace_back(argv[i]);
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    std::signal(SIGABRT, NameInputAndAbort);
    for (const fs::path& p : inputs) {
        const std::string name = p.string();
        g_current = name.c_str();
        std::ifstream in(p, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
