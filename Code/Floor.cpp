// The floor's tile byte, height and quad layout (facing up into the room).
#include "Floor.h"

#include "Level.h"

uint8_t Floor::GetTile(const Node& node) const { return node.floorTile; }

float Floor::GetHeight(uint32_t room) const { return GetLevel()->GetRoomBaseY(room); }

void Floor::WriteQuad(LevelVertex* v, float x, float y, float z, float cell, const TileUV& t, float lu,
                      float lv) const {
    const float s = LIGHTMAP_CELL_STEP;
    v[0] = {x, y, z, 0xFFFFFFFFu, t.uL, t.vT, lu, lv + s};
    v[1] = {x + cell, y, z, 0xFFFFFFFFu, t.uR, t.vT, lu + s, lv + s};
    v[2] = {x + cell, y, z - cell, 0xFFFFFFFFu, t.uR, t.vB, lu + s, lv};
    v[3] = {x, y, z - cell, 0xFFFFFFFFu, t.uL, t.vB, lu, lv};
}
