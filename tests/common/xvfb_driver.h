// Runs a driver script that starts the real program under Xvfb and drives it
// with xdotool, and reads back what it reported: one line a thing seen, "TAG"
// or "TAG n n ...". The script gets the run folder, its report file and the
// caller's arguments; the program's own output lands beside the report.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quiltest {

struct DriverReport {
    int rc = 0;
    std::string report;   // the driver's lines, with a newline before the first
    std::string program;  // what the program printed

    // True when a line starts with part.
    bool Has(const std::string& part) const { return report.find("\n" + part) != std::string::npos; }
    // The numbers of the line "TAG n n ...", which must have count of them (-1 for each missing).
    std::vector<int> Line(const std::string& tag, size_t count) const {
        const size_t at = report.find("\n" + tag + " "), from = at + tag.size() + 2;
        std::istringstream line(at == std::string::npos ? "" : report.substr(from, report.find('\n', from) - from));
        std::vector<int> n;
        for (int v = 0; line >> v;) n.push_back(v);
        EXPECT_EQ(n.size(), count) << tag << "\n" << report << program;
        n.resize(count, -1);
        return n;
    }
};

// The run folder of the program under test: the one this tree built, unless
// QUIL_PROGRAM_RUN_DIR names another (the test command points it at the
// Release program that scripts/run builds).
inline std::string ProgramRunDir(const char* built) {
    const char* chosen = std::getenv("QUIL_PROGRAM_RUN_DIR");
    return chosen && *chosen ? chosen : built;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs script under "timeout seconds xvfb-run" on a screen of the given size
// ("1280x1024") with the arguments after the run folder and the report file.
// A run whose X server or window manager did not come up is tried twice more:
// on a busy machine the server of the test before may still hold its display
// while it goes (the search for a free display starts at a number of this
// process's own, so that the next server seldom meets it).
inline DriverReport RunXvfbDriver(const std::string& script, const std::string& runDir, const std::string& screen,
                                  int seconds, const std::string& args) {
    const std::string file = ::testing::TempDir() + "frostwick_xvfb_" + std::to_string(::getpid()) + ".txt";
    DriverReport r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string display = std::to_string(100 + (::getpid() * 7 + attempt * 101) % 800);
        const std::string cmd = "timeout " + std::to_string(seconds) + " xvfb-run -a -n " + display +
                                " -s '-screen 0 " + screen + "x24' sh '" + script + "' '" + runDir + "' '" + file +
                                "' " + args + " > /dev/null 2>&1";
        r.rc = std::system(cmd.c_str());
        r.report = "\n" + ReadWholeFile(file);
        r.program = ReadWholeFile(file + ".program");
        std::remove(file.c_str());
        std::remove((file + ".program").c_str());
        const bool noServer = !r.Has("XSTARTED") || r.Has("NOWM") ||
                              r.program.find("cannot open display") != std::string::npos;
        if (!noServer) break;
    }
    return r;
}

}  // namespace quiltest
