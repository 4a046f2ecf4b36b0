#include "PatrolPath.h"

#include <cmath>

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.1415927f;

}  // namespace

PatrolPath::PatrolPath()
    : m_aPoints(), m_State{0.0f, 0.0f, 0.0f}, m_fT(0.0f), m_fSpeed(0.0f), m_fTurnRate(0.0f), m_uFlags(0),
      m_uSegment(0), m_uCount(0), m_uRawCount(0) {}

// An entered point added to a tour already built (the editor extending a
// walker's route while it walks) goes behind the entered points, not behind
// the mirrored return, and the tour is built again around it, so that the
// entered points always fill slots 0 .. rawCount-1.
void PatrolPath::AddPoint(const PathPoint& point, bool mirrored) {
    const bool extendTour = !mirrored && (m_uFlags & FLAG_LOOP_BUILT) != 0;
    if (extendTour) m_uCount = m_uRawCount;
    if (m_uCount < MAX_POINTS) {
        PathPoint& p = m_aPoints[m_uCount];
        p.x = point.x;
        p.z = point.z;
        m_uFlags &= ~FLAG_LOOP_BUILT;
        if (!mirrored) ++m_uRawCount;
        ++m_uCount;
    }
    if (!extendTour) return;
    BuildLoop();
    if (m_uSegment >= m_uCount) {
        m_uSegment = 0;
        m_fT = 0.0f;
    }
}

// Two points or more start the walk on segment 0, already facing along it; a
// single point only places the follower there.
void PatrolPath::Start(float speed) {
    m_uCount = m_uRawCount;  // a restart mirrors afresh rather than twice
    if (m_uCount == 0) return;
    if (m_uCount < 2) {
        m_State = {m_aPoints[0].x, m_aPoints[0].z, 0.0f};
        m_uFlags = 0;
        m_fTurnRate = 0.0f;
        return;
    }
    m_fT = 0.0f;
    m_fSpeed = speed;
    m_uSegment = 0;
    m_uFlags = FLAG_FOLLOWING;
    BuildLoop();
    m_State = {m_aPoints[0].x, m_aPoints[0].z, m_aPoints[0].heading};
    m_fTurnRate = 0.0f;
}

void PatrolPath::BuildLoop() {
    m_uCount = m_uRawCount;
    for (int i = static_cast<int>(m_uRawCount) - 2; i >= 1; --i) AddPoint(m_aPoints[i], true);
    if (m_uCount < 2) return;
    for (uint32_t k = 0; k + 1 < m_uCount; ++k) SetupSegment(m_aPoints[k], m_aPoints[k + 1]);
    SetupSegment(m_aPoints[m_uCount - 1], m_aPoints[0]);
    // A segment between two equal points is passed over at once; it faces the
    // way the walk goes on, so that a walker starting on one faces its way.
    for (uint32_t k = 0; k < m_uCount; ++k) {
        if (m_aPoints[k].length > 0.0f) continue;
        for (uint32_t j = 1; j < m_uCount; ++j) {
            const PathPoint& next = m_aPoints[(k + j) % m_uCount];
            if (next.length > 0.0f) {
                m_aPoints[k].heading = next.heading;
                break;
            }
        }
    }
    m_uFlags |= FLAG_LOOP_BUILT;
}

void PatrolPath::SetupSegment(PathPoint& a, const PathPoint& b) {
    a.dx = b.x - a.x;
    a.dz = b.z - a.z;
    a.length = std::sqrt(a.dx * a.dx + a.dz * a.dz);
    if (!(a.length > 0.0f)) {
        a.length = 0.0f;
        a.heading = 0.0f;
        return;
    }
    // Rounding can put the cosine a hair outside [-1, 1].
    const float c = std::fmax(-1.0f, std::fmin(1.0f, a.dz / a.length));
    float h = std::acos(c);
    if (a.dx < 0.0f) h = kTwoPi - h;
    if (h >= kTwoPi) h -= kTwoPi;
    a.heading = h;
}

void PatrolPath::Follow(float dt) {
    if (!(m_uFlags & FLAG_FOLLOWING) || m_uCount == 0) return;
    if (m_uSegment >= m_uCount) m_uSegment = 0;
    const PathPoint* s = &m_aPoints[m_uSegment];
    // A segment of length 0 is finished as soon as it is reached.
    bool finished = true;
    if (s->length > 0.0f) {
        m_fT += dt * m_fSpeed / s->length;
        finished = m_fT > 1.0f;
    }
    if (finished) {
        // On to the next point; the distance left over is dropped.
        m_fT = 0.0f;
        if (++m_uSegment >= m_uCount) m_uSegment = 0;
        s = &m_aPoints[m_uSegment];
        m_State.x = s->x;
        m_State.z = s->z;
        const float h = m_State.heading;
        m_fTurnRate = h < s->heading ? TURN_RATE : (h > s->heading ? -TURN_RATE : 0.0f);
        if (std::fabs(h - s->heading) > kPi) m_fTurnRate = -m_fTurnRate;  // the shorter way round
        return;
    }
    m_State.x = s->x + m_fT * s->dx;
    m_State.z = s->z + m_fT * s->dz;
    const float step = dt * m_fTurnRate;
    if (m_State.heading != s->heading) {
        float h = m_State.heading + step;
        if (h >= kTwoPi) h -= kTwoPi;
        else if (h < 0.0f) h += kTwoPi;
        if (std::fabs(h - s->heading) < std::fabs(2.0f * step)) h = s->heading;
        m_State.heading = h;
    }
}

void PatrolPath::Clear() {
    m_uFlags = 0;
    m_uSegment = 0;
    m_uCount = 0;
    m_uRawCount = 0;
}

const PathPoint* PatrolPath::FindNearest(float x, float z) const {
    const PathPoint* best = nullptr;
    float bestDist = 1e9f;
    for (uint32_t i = 0; i < m_uCount; ++i) {
        const float dx = m_aPoints[i].x - x, dz = m_aPoints[i].z - z;
        const float d2 = dx * dx + dz * dz;
        if (d2 < bestDist) {
            bestDist = d2;
            best = &m_aPoints[i];
        }
    }
    return best;
}
