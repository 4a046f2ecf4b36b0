// mkassets: writes the default asset set of the game (meshes, textures, sounds, music, levels
// and enemy files, the lightmap folder) into the run folder given on the command line: the
// files that are missing, and newer defaults over older ones nobody has changed.
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
    mkassets::RestoreReport report;
    try {
        report = mkassets::RestoreDefaults(root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkassets: %s\n", e.what());
        return 1;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("mkassets: %s: %d default files written, %d updated, %d changed files kept (%.2f s)\n", root.c_str(),
                report.written, report.updated, report.kept, secs);
    return 0;
}
