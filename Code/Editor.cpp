// The editor's life cycle, its mode handlers, the tile picker and the orbit
// camera.
#include "Editor.h"

#include <cmath>

#include "EnemyManager.h"
#include "Level.h"
#include "LevelRenderer.h"
#include "camera.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "renderer.h"
#include "trap.h"
#include "windows.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kHalfCell = 16.0f;
constexpr uint32_t kGrid = LEVEL_GRID_SIZE;

// Time of each handler's last action (engine seconds); 0: none since its keys
// were last all up.
float s_fMoveTime;
float s_fSizeTime;
float s_fWallsTime;
float s_fFloorTime;
float s_fCeilingTime;
float s_fRoomPointsTime;
float s_fPropsTime;
float s_fPathsTime;
float s_fPickerTime;

bool KeyDown(uint8_t code) { return GetPCSystem()->IsKeyDown(code) != 0; }

// The repeat rule shared by every handler: with none of its keys down the timer
// clears and nothing happens; otherwise the handler may act when its timer is
// clear or more than the delay old, and the action stamps the timer.
bool RepeatReady(float* last, bool anyKeyDown) {
    if (!anyKeyDown) {
        *last = 0.0f;
        return false;
    }
    const float now = g_fTotalTime;
    if (*last != 0.0f && !(now - *last > Editor::REPEAT_DELAY)) return false;
    *last = now;
    return true;
}

// Keys for direction 0..3 (+x, -x, +z, -z) seen from each camera quadrant.
constexpr uint8_t kArrowTable[4][4] = {
    {VK_RIGHT, VK_LEFT, VK_UP, VK_DOWN},
    {VK_DOWN, VK_UP, VK_RIGHT, VK_LEFT},
    {VK_LEFT, VK_RIGHT, VK_DOWN, VK_UP},
    {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT},
};

bool AnyArrowDown() { return KeyDown(VK_LEFT) || KeyDown(VK_RIGHT) || KeyDown(VK_UP) || KeyDown(VK_DOWN); }

// An angle brought into 0..2 pi, however far the mouse moved it.
float WrapAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    a = std::fmod(a, kTwoPi);
    if (a < 0.0f) a += kTwoPi;
    return a;
}

}  // namespace

Editor::Editor()
    : m_uMode(EDITOR_MODE_MOVE),
      m_uSelX(0),
      m_uSelY(0),
      m_uSelWidth(1),
      m_uSelHeight(1),
      m_uQuadVerts(4),
      m_uQuadTris(2),
      m_uTextureSet(EDITOR_SET_WALLS),
      m_uPath(0),
      m_fYaw(0.0f),
      m_fHeight(230.0f),
      m_fDistance(150.0f),
      m_pVB(nullptr),
      m_pIB(nullptr),
      m_pFillNodes(nullptr),
      m_aTileIndex{0, 0, 0},
      m_aVisited{},
      m_uPropType(0),
      m_bActive(0),
      m_bSaveFailureTold(0) {
    mat_Identity(&m_mTarget);
    m_mTarget.m[3][2] = -35.0f;
}

Editor::~Editor() = default;

// Starting state: a 1 by 1 selection at the corner, the camera high above the
// room, tile 0 of every set; builds the icon column and the tile preview.
void Editor::Init() {
    m_uMode = EDITOR_MODE_MOVE;
    m_uSelX = 0;
    m_uSelY = 0;
    m_uSelWidth = 1;
    m_uSelHeight = 1;
    mat_Identity(&m_mTarget);
    m_mTarget.m[3][2] = -35.0f;
    m_fDistance = 150.0f;
    m_fHeight = 230.0f;
    m_uTextureSet = EDITOR_SET_WALLS;
    for (uint8_t& tile : m_aTileIndex) tile = 0;
    SetupSprites();
    m_PreviewProp.Init();
}

// Releases the sprite lists at the end of the run.
void Editor::Shutdown() {
    m_PreviewProp.Update();
    m_Icons.Shutdown();
    m_Preview.Shutdown();
    Deactivate();
}

// Opens the editor: joins the frame and the overlay pass with its sprites.
void Editor::Activate() {
    if (m_bActive) return;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
    m_Icons.Activate();
    m_Preview.Activate();
    m_bActive = 1;
}

// Leaves the frame and the overlay pass. Closing an open editor also hands the
// edited paths back to the walkers of the loaded level.
void Editor::Deactivate() {
    InvalidateDeviceObjects();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_Icons.Deactivate();
    m_Preview.Deactivate();
    const bool wasActive = m_bActive != 0;
    m_bActive = 0;
    Level* level = GetLevel();
    if (!wasActive || !level->IsLoaded()) return;
    level->SetCeilClip(0);
    level->SetFloorClip(0);
    GetEnemyManager()->BuildRoom(level->GetCurrentRoom());
    GetEnemyManager()->Start();
}

// One frame: the mode's handler, the tile picker, the camera, the selection
// and icons, the commands, then the clip flags of the surface being painted.
void Editor::Update(float) {
    switch (m_uMode) {
        case EDITOR_MODE_MOVE: UpdateMove(); break;
        case EDITOR_MODE_SIZE: UpdateSize(); break;
        case EDITOR_MODE_WALLS: UpdateWalls(); break;
        case EDITOR_MODE_FLOOR: UpdateFloor(); break;
        case EDITOR_MODE_CEILING: UpdateCeiling(); break;
        case EDITOR_MODE_PROPS: UpdateProps(); break;
        case EDITOR_MODE_ROOM_POINTS: UpdateRoomPoints(); break;
        case EDITOR_MODE_NONE: break;
        case EDITOR_MODE_PATHS: UpdatePaths(); break;
        default: TrapError(__FILE__, __LINE__, "Invalid Editor mode"); break;
    }
    UpdateTilePicker();
    UpdateCamera();
    BuildSelectionQuad();
    UpdateIcons();
    HandleCommands();

    // The surface being painted is drawn from the side the camera is on.
    Level* level = GetLevel();
    level->SetFloorClip(0);
    level->SetCeilClip(0);
    if (m_uMode == EDITOR_MODE_CEILING && m_fHeight > 0.0f) level->SetCeilClip(1);
    if (m_uMode == EDITOR_MODE_FLOOR && m_fHeight < 0.0f) level->SetFloorClip(1);
}

// Places the camera on its orbit around the target, then lets the mouse turn,
// raise and pull it for the next frame.
void Editor::UpdateCamera() {
    Camera* camera = g_pCurrentCamera ? g_pCurrentCamera : GetGameEngine()->GetCamera();
    camera->SetPosition(std::sin(m_fYaw) * m_fDistance, m_fHeight, -std::cos(m_fYaw) * m_fDistance);
    camera->LookAt(&m_mTarget);

    const MouseState* mouse = GetPCSystem()->GetMouse();
    if (mouse->buttons & 1) {
        m_fYaw = WrapAngle(m_fYaw + static_cast<float>(mouse->dx) * 0.01f);
        m_fHeight += static_cast<float>(mouse->dy);
    }
    if (mouse->buttons & 2) m_fDistance += static_cast<float>(mouse->dy);
}

// The arrow that points in direction d on screen, from the camera's quadrant
// and side of the floor.
uint8_t Editor::DirectionKey(uint32_t d) const {
    float a = m_fYaw + kPi / 4.0f;
    if (a > kTwoPi) a = 0.0f;
    uint32_t q = a > 0.0f ? static_cast<uint32_t>(a / (kPi / 2.0f)) : 0;
    if (q > 3) q = 0;
    if (m_fHeight < 0.0f) {
        // Seen from below the floor, one axis runs the other way on screen.
        if ((q & 1) == 0) {
            if (d == 2) d = 3;
            else if (d == 3) d = 2;
        } else {
            if (d == 0) d = 1;
            else if (d == 1) d = 0;
        }
    }
    return kArrowTable[q][d & 3];
}

// Whether the arrow for direction d is held.
bool Editor::DirectionDown(uint32_t d) const { return KeyDown(DirectionKey(d)); }

// Whether the current room exists, so that its nodes may be edited.
bool Editor::HasRoom() const {
    Level* level = GetLevel();
    return level->GetRoom(level->GetCurrentRoom()) != nullptr;
}

// The centre of the selection's top-left node, at height y.
Vec3 Editor::SelectionCentre(float y) const {
    Level* level = GetLevel();
    return Vec3(level->GetCellX(static_cast<int>(m_uSelX)) + kHalfCell, y,
                level->GetCellZ(static_cast<int>(m_uSelY)) - kHalfCell);
}

// Arrows move the selection, which stays inside the grid.
void Editor::UpdateMove() {
    if (!RepeatReady(&s_fMoveTime, AnyArrowDown())) return;
    if (DirectionDown(0)) {
        if (m_uSelX + m_uSelWidth - 1 < kGrid - 1) ++m_uSelX;
    } else if (DirectionDown(1)) {
        if (m_uSelX > 0) --m_uSelX;
    } else if (DirectionDown(2)) {
        if (m_uSelY < kGrid - 1) ++m_uSelY;
    } else if (DirectionDown(3)) {
        if (m_uSelY > m_uSelHeight - 1) --m_uSelY;
    }
}

// Arrows size the selection toward +x and toward the larger rows.
void Editor::UpdateSize() {
    if (!RepeatReady(&s_fSizeTime, AnyArrowDown())) return;
    if (DirectionDown(0)) {
        ++m_uSelWidth;
        if (m_uSelX + m_uSelWidth > kGrid) m_uSelWidth = kGrid - m_uSelX;
    } else if (DirectionDown(1)) {
        if (m_uSelWidth > 1) --m_uSelWidth;
    } else if (DirectionDown(3)) {
        ++m_uSelHeight;
        if (m_uSelHeight > m_uSelY) m_uSelHeight = m_uSelY + 1;
    } else if (DirectionDown(2)) {
        if (m_uSelHeight > 1) --m_uSelHeight;
    }
}

// Arrows put walls of the current tile on one border of the selection, on both
// nodes that share it (a tile of 255 removes them).
void Editor::UpdateWalls() {
    if (!RepeatReady(&s_fWallsTime, AnyArrowDown())) return;
    if (!HasRoom()) return;
    Level* level = GetLevel();
    Node* nodes = level->GetNodeMap(level->GetCurrentRoom());
    auto at = [nodes](uint32_t col, uint32_t row) -> Node& { return nodes[col + row * kGrid]; };
    const uint8_t t = GetTileIndex(m_uTextureSet);
    const uint32_t top = kGrid - 1 - m_uSelY;
    const uint32_t bottom = top + m_uSelHeight - 1;
    const uint32_t left = m_uSelX;
    const uint32_t right = m_uSelX + m_uSelWidth - 1;
    if (bottom >= kGrid || right >= kGrid) return;
    if (DirectionDown(0)) {
        for (uint32_t row = top; row <= bottom; ++row) {
            at(right, row).walls[WALL_POS_X] = t;
            if (right != kGrid - 1) at(right + 1, row).walls[WALL_NEG_X] = t;
        }
    } else if (DirectionDown(1)) {
        for (uint32_t row = top; row <= bottom; ++row) {
            at(left, row).walls[WALL_NEG_X] = t;
            if (left > 0) at(left - 1, row).walls[WALL_POS_X] = t;
        }
    } else if (DirectionDown(3)) {
        for (uint32_t col = left; col <= right; ++col) {
            at(col, bottom).walls[WALL_NEG_Z] = t;
            if (bottom + 1 < kGrid) at(col, bottom + 1).walls[WALL_POS_Z] = t;
        }
    } else if (DirectionDown(2)) {
        for (uint32_t col = left; col <= right; ++col) {
            at(col, top).walls[WALL_POS_Z] = t;
            if (top > 0) at(col, top - 1).walls[WALL_NEG_Z] = t;
        }
    } else {
        return;
    }
    level->SetRoomIndex(level->GetCurrentRoom());
}

// Writes the current set's tile into the floor or ceiling of every selected node.
void Editor::PaintTiles(bool floor) {
    if (!HasRoom()) return;
    Level* level = GetLevel();
    Node* nodes = level->GetNodeMap(level->GetCurrentRoom());
    const uint8_t t = GetTileIndex(m_uTextureSet);
    const uint32_t top = kGrid - 1 - m_uSelY;
    for (uint32_t row = top; row < top + m_uSelHeight && row < kGrid; ++row) {
        for (uint32_t col = m_uSelX; col < m_uSelX + m_uSelWidth && col < kGrid; ++col) {
            Node& node = nodes[col + row * kGrid];
            if (floor) node.floorTile = t;
            else node.ceilTile = t;
        }
    }
    level->SetRoomIndex(level->GetCurrentRoom());
}

// Floor mode: the move step, then Enter paints the floor.
void Editor::UpdateFloor() {
    UpdateMove();
    if (RepeatReady(&s_fFloorTime, KeyDown(VK_RETURN))) PaintTiles(true);
}

// Ceiling mode: the move step, then Enter paints the ceiling.
void Editor::UpdateCeiling() {
    UpdateMove();
    if (RepeatReady(&s_fCeilingTime, KeyDown(VK_RETURN))) PaintTiles(false);
}

// Enter adds a room point at the selection (the tree first), Delete clears them.
void Editor::UpdateRoomPoints() {
    UpdateMove();
    const bool enter = KeyDown(VK_RETURN);
    const bool del = KeyDown(VK_DELETE);
    if (!RepeatReady(&s_fRoomPointsTime, enter || del)) return;
    if (!HasRoom()) return;
    Level* level = GetLevel();
    if (enter) {
        const uint32_t count = level->GetRoomPointCount();
        if (count == 0) {
            *level->GetRoomPoint(0) = SelectionCentre(0.0f);
            level->SetRoomPointCount(1);
        } else if (count < LEVEL_MAX_ROOM_POINTS) {
            *level->GetRoomPoint(count) = SelectionCentre(5.0f);
            level->SetRoomPointCount(count + 1);
        }
    } else {
        level->SetRoomPointCount(0);
    }
}

// Enter places a prop of the chosen type in the selection's top-left node, or
// turns the one already there; Delete empties the node's slots; A and Z choose
// the type.
void Editor::UpdateProps() {
    UpdateMove();
    const bool enter = KeyDown(VK_RETURN);
    const bool del = KeyDown(VK_DELETE);
    const bool next = KeyDown('A');
    const bool prev = KeyDown('Z');
    if (!RepeatReady(&s_fPropsTime, enter || del || next || prev)) return;
    if (enter || del) {
        if (!HasRoom()) return;
        Level* level = GetLevel();
        const uint32_t col = m_uSelX;
        const uint32_t row = kGrid - 1 - m_uSelY;
        Node* node = level->GetNode(col, row);
        LevelRenderer* props = level->GetLevelRenderer();
        if (enter) {
            for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot) {
                if (node->propType[slot] == m_uPropType) {
                    props->GetObject(node->propIndex[slot])->Rotate(kPi / 2.0f);
                    node->propAngle[slot] += kPi / 2.0f;
                    return;
                }
            }
            for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot) {
                // A slot kept with an unknown type from the file is taken, whatever its index.
                const uint8_t type = node->propType[slot];
                if (node->propIndex[slot] != NODE_EMPTY || (type != NODE_EMPTY && !IsPropType(type))) continue;
                const uint32_t index = props->AddObject(m_uPropType, col, row, slot);
                // A refused prop (the list is full) leaves the slot empty, so the
                // saved level never names a prop that was not placed.
                if (index >= MAX_DETAIL_OBJECTS) return;
                node->propIndex[slot] = static_cast<uint8_t>(index);
                node->propType[slot] = m_uPropType;
                node->propAngle[slot] = 0.0f;
                return;
            }
        } else {
            for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot) {
                node->propIndex[slot] = NODE_EMPTY;
                node->propType[slot] = NODE_EMPTY;
                node->propAngle[slot] = 0.0f;
            }
        }
    } else if (next) {
        m_uPropType = static_cast<uint8_t>(m_uPropType + 1u >= NUM_DETAIL_OBJECT_TYPES ? 0u : m_uPropType + 1u);
    } else {
        m_uPropType = static_cast<uint8_t>(m_uPropType == 0 ? NUM_DETAIL_OBJECT_TYPES - 1 : m_uPropType - 1);
    }
}

// Enter appends the selection's top-left node centre to the current walker's
// path (starting a new walker when the path has none); A and Z choose the path.
void Editor::UpdatePaths() {
    UpdateMove();
    const bool enter = KeyDown(VK_RETURN);
    const bool next = KeyDown('A');
    const bool prev = KeyDown('Z');
    if (!RepeatReady(&s_fPathsTime, enter || next || prev)) return;
    if (enter) {
        EnemyManager* enemies = GetEnemyManager();
        if (m_uPath >= enemies->GetCount()) {
            const uint32_t added = enemies->AddPath();
            // Every walker already has a path: nothing to add the point to.
            if (added >= EnemyManager::MAX_WALKERS) return;
            m_uPath = added;
        }
        Enemy* walker = enemies->GetEnemy(m_uPath);
        if (!walker) return;
        const Vec3 centre = SelectionCentre(0.0f);
        walker->AddPathPoint(PathPoint{centre.x, centre.z, 0.0f, 0.0f, 0.0f, 0.0f});
    } else if (next) {
        m_uPath = m_uPath + 1 >= PATH_COUNT ? 0 : m_uPath + 1;
    } else {
        m_uPath = m_uPath == 0 ? PATH_COUNT - 1 : m_uPath - 1;
    }
}

// A and Z step the current set's tile through 0..15 and "none"; the preview
// shows the result.
void Editor::UpdateTilePicker() {
    const bool next = KeyDown('A');
    const bool prev = KeyDown('Z');
    const uint32_t set = m_uTextureSet < 3 ? m_uTextureSet : EDITOR_SET_WALLS;
    uint8_t& tile = m_aTileIndex[set];
    if (RepeatReady(&s_fPickerTime, next || prev)) {
        if (next) {
            if (tile == NO_TILE) tile = 0;
            else tile = tile + 1 >= 16 ? NO_TILE : static_cast<uint8_t>(tile + 1);
        } else {
            if (tile == NO_TILE) tile = 15;
            else if (tile == 0 || tile >= 16) tile = NO_TILE;
            else tile = static_cast<uint8_t>(tile - 1);
        }
    }
    Sprite2D* preview = m_Preview.GetSprites();
    if (!preview || m_Preview.GetCapacity() < 1) return;
    *preview = Sprite2D{70.0f, 70.0f, 100.0f, 0xFFFFFFFFu, 0.0f, 0.0f, 0.0f, 0.0f};
    SetCell(preview, tile < 16 ? tile : 16);
}

Editor* GetEditor() {
    static Editor* editor = new Editor();  // lives for the whole run
    return editor;
}
