// The ceiling's tile byte, height and quad layout (facing down into the room).
#include "Ceil.h"

#include "Level.h"

uint8_t Ceil::GetTile(const Node& node) const { return node.ceilTile; }

float Ceil::GetHeight(uint32_t room) const {
    Level* level = GetLevel();
    return level->GetRoomBaseY(room) + level->GetWallHeight();
}

void Ceil::WriteQuad(LevelVertex* v, float x, float y, float z, float cell, const TileUV& t, float lu,
                     float lv) const {
    const float s = LIGHTMAP_CELL_STEP;
    v[0] = {x, y, z - cell, 0xFFFFFFFFu, t.uL, t.vB, lu, lv};
    v[1] = {x + cell, y, z - cell, 0xFFFFFFFFu, t.uR, t.vB, lu + s, lv};
    v[2] = {x + cell, y, z, 0xFFFFFFFFu, t.uR, t.vT, lu + s, lv + s};
    v[3] = {x, y, z, 0xFFFFFFFFu, t.uL, t.vT, lu, lv + s};
}
