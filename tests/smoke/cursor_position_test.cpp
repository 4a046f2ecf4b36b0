// Where the device's cursor call puts the pointer, and when it moves it at all.
#include <gtest/gtest.h>

#include "device8.h"

namespace {
using quil_d3d8::CursorTarget;
using quil_d3d8::CursorWarpNeeded;

TEST(CursorPosition, WindowedTakesDesktopCoordinatesAsTheyAre) {
    // The window's place and the back buffer play no part: the framework hands
    // over the pointer's own desktop position.
    const SDL_Rect window{68, 91, 640, 500};
    const SDL_Point p = CursorTarget(true, 100, 120, window, 640, 480);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 120);
}

TEST(CursorPosition, FullScreenStretchesBackBufferCoordinatesOverTheWindow) {
    const SDL_Rect same{0, 0, 1024, 768};
    SDL_Point p = CursorTarget(false, 1023, 767, same, 1024, 768);
    EXPECT_EQ(p.x, 1023);
    EXPECT_EQ(p.y, 767);
    // An 800 x 600 back buffer shown on a 1024 x 768 display placed at (1920, 0).
    const SDL_Rect display{1920, 0, 1024, 768};
    p = CursorTarget(false, 400, 300, display, 800, 600);
    EXPECT_EQ(p.x, 1920 + 512);
    EXPECT_EQ(p.y, 384);
    p = CursorTarget(false, 0, 0, display, 0, 0);  // no back buffer yet
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(CursorPosition, WarpsOnlyWhenThePointerIsElsewhereAndNeverChasesTheSameTarget) {
    const SDL_Point at{300, 200}, other{310, 200};
    EXPECT_FALSE(CursorWarpNeeded(at, at, nullptr)) << "a warp's own mouse move must not warp again";
    EXPECT_TRUE(CursorWarpNeeded(at, other, nullptr));
    const SDL_Point last{300, 200};
    EXPECT_FALSE(CursorWarpNeeded(at, other, &last)) << "the last warp could not get there: no spinning";
    const SDL_Point elsewhere{0, 0};
    EXPECT_TRUE(CursorWarpNeeded(at, other, &elsewhere));
}

}  // namespace
