// The read side of the Level: grid conversions, rooms, nodes and room points,
// the visible blocks and the line-of-sight test.
#include <cmath>
#include <cstring>
#include "Level.h"
#include "LevelRenderer.h"
#include "Player.h"
#include "game.h"
#include "camera.h"
#include "trap.h"

namespace {

// Truncates toward zero; values far outside any grid (and NaN) become -1 or a
// large positive index, both outside the grid, without an out-of-range cast.
int TruncIndex(float v) {
    if (!(v > -1000.0f)) return -1;
    if (v > 1000.0f) return 1000;
    return static_cast<int>(v);
}

// Handed out after a bad node request has been reported: empty nodes that
// block nothing, refilled on every request so that writes do not persist.
Node* ScratchNodes() {
    static Node scratch[LEVEL_NODE_COUNT];
    for (Node& node : scratch) {
        std::memset(&node, 0, sizeof(node));
        std::memset(node.walls, NODE_EMPTY, sizeof(node.walls));
        std::memset(node.propIndex, NODE_EMPTY, sizeof(node.propIndex));
        std::memset(node.propType, NODE_EMPTY, sizeof(node.propType));
        node.floorTile = NODE_EMPTY;
        node.ceilTile = NODE_EMPTY;
    }
    return scratch;
}

bool InGrid(int i) { return i >= 0 && i < static_cast<int>(LEVEL_GRID_SIZE); }

}  // namespace

int Level::CellColFromX(float x) const { return TruncIndex((x - m_fOriginX) / m_fCellSize); }

int Level::CellRowFromZ(float z) const {
    return 7 - TruncIndex((z - m_fOriginZ) / m_fCellSize);
}

int Level::BlockColFromX(float x) const { return TruncIndex((x - m_fOriginX) / m_fBlockSize); }

int Level::BlockRowFromZ(float z) const { return TruncIndex((z - m_fOriginZ) / m_fBlockSize); }

// The room record, or null when there is no such room.
Room* Level::GetRoom(uint32_t room) {
    if (!m_pRooms || room >= m_uRoomCount) return nullptr;
    return &m_pRooms[room];
}

// The 64 nodes of a room; a missing room is reported.
Node* Level::GetNodeMap(uint32_t room) {
    if (!m_pRooms) {
        TrapError(__FILE__, __LINE__, "No pRooms on house!!");
        return ScratchNodes();
    }
    if (room >= m_uRoomCount) {
        TrapError(__FILE__, __LINE__, "Invalid room requested");
        return ScratchNodes();
    }
    return m_pRooms[room].nodes;
}

// Node (col, row) of the current room; a missing room or a node outside the
// grid is reported.
Node* Level::GetNode(uint32_t col, uint32_t row) {
    if (!m_pRooms) {
        TrapError(__FILE__, __LINE__, "No pRooms on house!!");
        return ScratchNodes();
    }
    if (m_uCurrentRoom >= m_uRoomCount) {
        TrapError(__FILE__, __LINE__, "Invalid room requested");
        return ScratchNodes();
    }
    if (col >= LEVEL_GRID_SIZE || row >= LEVEL_GRID_SIZE) {
        TrapError(__FILE__, __LINE__, "Invalid Node requested on a house");
        return ScratchNodes();
    }
    return &m_pRooms[m_uCurrentRoom].nodes[col + row * LEVEL_GRID_SIZE];
}

uint32_t Level::GetRoomStartX(uint32_t room) {
    const Room* r = GetRoom(room);
    return r ? r->startX : 0;
}

uint32_t Level::GetRoomStartZ(uint32_t room) {
    const Room* r = GetRoom(room);
    return r ? r->startZ : 0;
}

uint32_t Level::GetRoomPointCount() {
    const Room* r = GetRoom(m_uCurrentRoom);
    return r ? r->pointCount : 0;
}

// Point i of the current room; a point past the ten held is reported and
// answered with a scratch point.
Vec3* Level::GetRoomPoint(uint32_t i) {
    static Vec3 scratch;
    Room* r = GetRoom(m_uCurrentRoom);
    if (!r || i >= LEVEL_MAX_ROOM_POINTS) {
        TrapError(__FILE__, __LINE__, "Invalid room point requested");
        scratch = Vec3();
        return &scratch;
    }
    return &r->points[i];
}

// Sets the current room's point count, at most the ten points a room holds.
void Level::SetRoomPointCount(uint32_t n) {
    Room* r = GetRoom(m_uCurrentRoom);
    if (!r) return;
    r->pointCount = n < LEVEL_MAX_ROOM_POINTS ? n : LEVEL_MAX_ROOM_POINTS;
}

bool Level::IsBlockHidden(uint32_t bx, uint32_t bz) const {
    if (bx >= LEVEL_BLOCK_GRID_SIZE || bz >= LEVEL_BLOCK_GRID_SIZE) return false;
    return m_uVisibleBlocks[bx + bz * LEVEL_BLOCK_GRID_SIZE] == 0;
}

// From the current camera's height and the player's place and view direction.
void Level::UpdateVisibleBlocks() {
    Camera* camera = g_pCurrentCamera;
    Game* game = GetGame();
    if (!camera || !game) return;
    const Player* player = game->GetPlayer();
    Vec3 viewDir;
    player->GetViewDirXZ(&viewDir);
    UpdateVisibleBlocks(*camera->GetPosition(), *player->GetPosition(), viewDir);
}

// Hides the blocks behind the player's block when the player looks nearly
// straight along an axis; a camera above the walls leaves the flags alone.
void Level::UpdateVisibleBlocks(const Vec3& cameraPos, const Vec3& playerPos, const Vec3& viewDirXZ) {
    if (cameraPos.y > m_fWallHeight) return;
    const int last = static_cast<int>(LEVEL_BLOCK_GRID_SIZE) - 1;
    int bx = BlockColFromX(playerPos.x);
    int bz = BlockRowFromZ(playerPos.z + m_fCellSize);
    bx = bx < 0 ? 0 : (bx > last ? last : bx);
    bz = bz < 0 ? 0 : (bz > last ? last : bz);
    for (uint32_t& flag : m_uVisibleBlocks) flag = 0;
    const float s = std::sin(1.0461504f);
    int c0 = 0, c1 = last, r0 = 0, r1 = last;
    if (viewDirXZ.x >= s) c0 = bx;
    else if (viewDirXZ.x < -s) c1 = bx;
    if (viewDirXZ.z >= s) r0 = bz;
    else if (viewDirXZ.z < -s) r1 = bz;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) m_uVisibleBlocks[c + r * LEVEL_BLOCK_GRID_SIZE] = 1;
}

// Walks the node borders that the segment crosses in the given room, first
// the x borders, then the z borders; true, with where, when a wall stands in
// the way. Reads the level only, so many threads may ask at once.
bool Level::WallBetween(const Vec3& start, const Vec3& end, uint32_t roomIndex, Vec3* hitPoint) const {
    if (!m_pRooms || roomIndex >= m_uRoomCount) return false;
    const Node* nodes = m_pRooms[roomIndex].nodes;
    const float c = m_fCellSize;
    const float eps = 0.01f;
    const float sz = start.z + c;
    const float dx = end.x - start.x;
    const float dz = end.z - sz;
    bool blocked = false;
    float hitX = 0.0f, hitZ = 0.0f;
    // One walk: steps (px, pz) by (stepX, stepZ) while more(px, pz) holds,
    // looking at the node at (px + lookX, pz + lookZ); stops at the first node
    // with a wall on side `wall` and records where.
    auto walk = [&](float px, float pz, float stepX, float stepZ, float lookX, float lookZ, uint32_t wall,
                    auto more) {
        while (more(px, pz)) {
            const int col = CellColFromX(px + lookX), row = CellRowFromZ(pz + lookZ);
            if (!InGrid(col) || !InGrid(row)) return;
            if (nodes[col + row * LEVEL_GRID_SIZE].walls[wall] != NODE_EMPTY) {
                blocked = true;
                hitX = px;
                hitZ = pz;
                return;
            }
            px += stepX;
            pz += stepZ;
        }
    };

    // Walk 1: across x borders.
    if (dx != 0.0f) {
        float px = start.x, pz = sz;
        if (start.x < end.x) {
            const float slope = dz / dx;
            const float d = GetCellX(CellColFromX(start.x)) + c - start.x;
            if (d < c - eps) {
                px += d;
                pz += slope * d;
            }
            walk(px, pz, c, slope * c, -c, 0.0f, WALL_POS_X, [&](float x, float) { return x < end.x; });
        } else {
            const float slope = -dz / dx;
            const float d = start.x - GetCellX(CellColFromX(start.x));
            if (d < c - eps) {
                px -= d;
                pz += slope * d;
            }
            walk(px, pz, -c, slope * c, 0.0f, 0.0f, WALL_NEG_X, [&](float x, float) { return x > end.x; });
        }
    }

    // Walk 2: across z borders, from the start again (no step when dz is 0).
    if (dz != 0.0f) {
        float px = start.x, pz = sz;
        if (sz < end.z) {
            const float slope = dx / dz;
            const float d = GetCellZ(7 - CellRowFromZ(sz)) + c - sz;
            if (d < c - eps) {
                px += slope * d;
                pz += d;
            }
            walk(px, pz, slope * c, c, 0.0f, -c, WALL_POS_Z, [&](float, float z) { return z < end.z; });
        } else {
            const float slope = -dx / dz;
            const float d = sz - GetCellZ(7 - CellRowFromZ(sz));
            if (d < c - eps) {
                px += slope * d;
                pz -= d;
            }
            walk(px, pz, slope * c, -c, 0.0f, 0.0f, WALL_NEG_Z, [&](float, float z) { return z > end.z; });
        }
    }

    if (blocked && hitPoint) *hitPoint = Vec3(hitX, start.y, hitZ);
    return blocked;
}

// Walls of the current room, then (with bTestProps) every placed prop; keeps
// the segment for LineHitsCellObjects and where a wall was met.
bool Level::LineOfSight(const Vec3& start, const Vec3& end, bool bTestProps) {
    if (!m_bLoaded) return false;
    m_vSegStart = start;
    m_vSegEnd = Vec3(end.x, end.y, end.z - m_fCellSize);
    if (!GetRoom(m_uCurrentRoom)) return false;
    m_vHitPoint = Vec3();
    if (WallBetween(start, end, m_uCurrentRoom, &m_vHitPoint)) return true;
    if (bTestProps) {
        const uint32_t count = m_pLevelRenderer->GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            if (m_pLevelRenderer->GetObject(i)->LineTest(m_vSegStart, m_vSegEnd)) return true;
        }
    }
    return false;
}

// Whether the last line-of-sight segment meets one of the node's props.
bool Level::LineHitsCellObjects(const Node* node) {
    if (!node) return false;
    for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot) {
        if (node->propIndex[slot] == NODE_EMPTY || !IsPropType(node->propType[slot])) continue;
        if (m_pLevelRenderer->GetObject(node->propIndex[slot])->LineTest(m_vSegStart, m_vSegEnd)) return true;
    }
    return false;
}
