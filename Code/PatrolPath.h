// The route of one walker: up to 32 points in the x-z plane, walked out along
// the entered points and back along them in reverse at a constant speed, the
// heading turning smoothly toward each new segment.
#pragma once
#include <cstdint>

// One point of a tour and the segment that leaves it.
struct PathPoint {
    float x, z;       // position
    float dx, dz;     // vector to the next point of the tour
    float heading;    // radians in [0, 2pi) of that vector: 0 faces +z, pi/2 faces +x
    float length;     // length of that vector
};

// The follower's place on the tour.
struct PathState {
    float x, z;
    float heading;
};

class PatrolPath {
public:
    static constexpr uint32_t MAX_POINTS = 32;
    static constexpr uint32_t FLAG_FOLLOWING = 1;
    static constexpr uint32_t FLAG_LOOP_BUILT = 4;
    static constexpr float TURN_RATE = 4.0f;  // radians per second

    PatrolPath();

    // Appends a point; an entered point (not mirrored) counts toward the raw
    // points that the enemy file stores. Beyond 32 points it is dropped.
    void AddPoint(const PathPoint& point, bool mirrored);
    // Builds the back-and-forth tour and puts the follower on point 0.
    void Start(float speed);
    // Advances the follower by dt seconds.
    void Follow(float dt);
    // Forgets every point and stops following.
    void Clear();
    // Fills a's vector, length and heading toward b.
    void SetupSegment(PathPoint& a, const PathPoint& b);

    const PathState* GetState() const { return &m_State; }
    float GetHeading() const { return m_State.heading; }
    uint32_t GetCount() const { return m_uCount; }
    uint32_t GetRawCount() const { return m_uRawCount; }
    // Point i of the tour, or null past the points in use.
    const PathPoint* GetPoint(uint32_t i) const { return i < m_uCount ? &m_aPoints[i] : nullptr; }
    // The point nearest to (x, z), or null when there is none.
    const PathPoint* FindNearest(float x, float z) const;

    uint32_t GetFlags() const { return m_uFlags; }
    uint32_t GetSegment() const { return m_uSegment; }
    float GetProgress() const { return m_fT; }
    float GetTurnRate() const { return m_fTurnRate; }

private:
    // Mirrors the entered points and sets up every segment of the closed tour.
    void BuildLoop();

    PathPoint m_aPoints[MAX_POINTS];
    PathState m_State;
    float m_fT;
    float m_fSpeed;
    float m_fTurnRate;
    uint32_t m_uFlags;
    uint32_t m_uSegment;
    uint32_t m_uCount;
    uint32_t m_uRawCount;
};
