// Where the device's cursor call puts the pointer, and when it moves it at all.
#include <gtest/gtest.h>

#include "device8.h"

namespace {
using quil_d3d8::CursorTarget;
using quil_d3d8::CursorWarpNeeded;

bool At(SDL_Point p, int x, int y) { return p.x == x && p.y == y; }

TEST(CursorPosition, WindowedTakesDesktopCoordinatesFullScreenStretchesTheBackBuffer) {
    // In a window the framework hands over the pointer's own desktop position.
    EXPECT_TRUE(At(CursorTarget(true, 100, 120, SDL_Rect{68, 91, 640, 500}, 640, 480), 100, 120));
    EXPECT_TRUE(At(CursorTarget(false, 1023, 767, SDL_Rect{0, 0, 1024, 768}, 1024, 768), 1023, 767));
    // An 800 x 600 back buffer on a 1024 x 768 display placed at (1920, 0).
    EXPECT_TRUE(At(CursorTarget(false, 400, 300, SDL_Rect{1920, 0, 1024, 768}, 800, 600), 2432, 384));
    EXPECT_TRUE(At(CursorTarget(false, 5, 6, SDL_Rect{1920, 0, 1024, 768}, 0, 0), 5, 6));  // no back buffer yet
}

TEST(CursorPosition, WarpsOnlyWhenThePointerIsElsewhereAndNeverChasesTheSameTarget) {
    const SDL_Point at{300, 200}, other{310, 200}, elsewhere{0, 0};
    EXPECT_FALSE(CursorWarpNeeded(at, at, nullptr)) << "a warp's own mouse move must not warp again";
    EXPECT_TRUE(CursorWarpNeeded(at, other, nullptr));
    EXPECT_FALSE(CursorWarpNeeded(at, other, &at)) << "the last warp could not get there: no spinning";
    EXPECT_TRUE(CursorWarpNeeded(at, other, &elsewhere));
}

}  // namespace
