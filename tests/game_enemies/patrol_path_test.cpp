// Building the back-and-forth tour, headings, walking, turning and the
// awkward paths: equal consecutive points, one point, more than 32 points, a
// path extended while it is walked.
#include <gtest/gtest.h>

#include <cmath>

#include "PatrolPath.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDt = 1.0f / 60.0f;

PathPoint P(float x, float z) { return PathPoint{x, z, 0, 0, 0, 0}; }

void Add(PatrolPath& path, std::initializer_list<PathPoint> points) {
    for (const PathPoint& p : points) path.AddPoint(p, false);
}

// The x of every point of the tour.
std::vector<float> TourX(const PatrolPath& path) {
    std::vector<float> xs;
    for (uint32_t i = 0; i < path.GetCount(); ++i) xs.push_back(path.GetPoint(i)->x);
    return xs;
}

}  // namespace

TEST(PatrolPathTour, MirrorsTheEnteredPointsAndClosesTheLoop) {
    PatrolPath abc;
    Add(abc, {P(1, 0), P(2, 0), P(3, 0)});
    EXPECT_EQ(abc.GetCount(), 3u);
    abc.Start(30.0f);
    EXPECT_EQ(TourX(abc), (std::vector<float>{1, 2, 3, 2}));
    EXPECT_FLOAT_EQ(abc.GetPoint(3)->dx, -1.0f);  // the closing segment runs back to the first point

    // Starting again, as a walker restarting without clearing would, does not mirror twice.
    abc.Start(30.0f);
    EXPECT_EQ(TourX(abc), (std::vector<float>{1, 2, 3, 2}));
}

TEST(PatrolPathWalk, TurnsTheShorterWayThroughZero) {
    const float a = 0.1f, b = 6.0f;
    const PathPoint p0 = P(0, 0);
    const PathPoint p1 = P(32 * std::sin(a), 32 * std::cos(a));
    const PathPoint p2 = P(p1.x + 32 * std::sin(b), p1.z + 32 * std::cos(b));
    PatrolPath path;
    Add(path, {p0, p1, p2});
    path.Start(30.0f);
    ASSERT_NEAR(path.GetHeading(), a, 1e-5);
    while (path.GetSegment() == 0) path.Follow(kDt);
    EXPECT_EQ(path.GetTurnRate(), -4.0f);
    bool wrapped = false;
    for (int i = 0; i < 20; ++i) {
        path.Follow(kDt);
        const float h = path.GetHeading();
        EXPECT_GE(h, 0.0f);
        EXPECT_LT(h, 2 * kPi);
        if (h > 6.0f) wrapped = true;
        EXPECT_TRUE(h <= a || h >= b - 1e-5) << "turned the long way: " << h;
    }
    EXPECT_TRUE(wrapped);
    EXPECT_NEAR(path.GetHeading(), path.GetPoint(1)->heading, 1e-6);
}

TEST(PatrolPathEdges, EqualConsecutivePointsArePassedWithoutDividingByZero) {
    PatrolPath path;
    Add(path, {P(0, 0), P(0, 0), P(32, 0)});
    path.Start(30.0f);
    // The walker starting on the empty segment already faces where it will go.
    EXPECT_NEAR(path.GetHeading(), kPi / 2, 1e-6);
    float maxX = 0.0f;
    for (int i = 0; i < 600; ++i) {
        path.Follow(kDt);
        const PathState* s = path.GetState();
        ASSERT_TRUE(std::isfinite(s->x) && std::isfinite(s->z) && std::isfinite(s->heading)) << i;
        ASSERT_TRUE(std::isfinite(path.GetProgress())) << i;
        maxX = std::fmax(maxX, s->x);
    }
    EXPECT_EQ(maxX, 32.0f);

    PatrolPath same;
    Add(same, {P(5, 5), P(5, 5)});
    same.Start(30.0f);
    for (int i = 0; i < 10; ++i) same.Follow(kDt);
    EXPECT_EQ(same.GetState()->x, 5.0f);
    EXPECT_EQ(same.GetState()->z, 5.0f);
}
