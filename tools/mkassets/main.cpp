// mkassets: writes the complete default asset set of the game into the folder given on the
// command line (meshes, textures, sounds, music, levels and enemy files, the lightmap folder).
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "assets.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkassets <output folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    const auto start = std::chrono::steady_clock::now();
    try {
        mkassets::WriteAll(root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkassets: %s\n", e.what());
        return 1;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("mkassets: wrote the asset set to %s in %.2f s\n", root.c_str(), secs);
    return 0;
}
