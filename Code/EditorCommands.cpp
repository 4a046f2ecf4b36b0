// The editor's commands: mode keys and icon clicks, the room fill, a new level
// and saving the level and enemy files.
#include <cstdio>
#include <string>

#include "Editor.h"
#include "EnemyManager.h"
#include "Level.h"
#include "game.h"
#include "pcsystem.h"
#include "trap.h"
#include "windows.h"

namespace {

constexpr uint32_t kGrid = LEVEL_GRID_SIZE;

// Command keys in the order they are tested, with their commands.
struct CommandKey {
    uint8_t key;
    uint32_t command;
};
constexpr CommandKey kCommandKeys[] = {
    {VK_SPACE, EDITOR_MODE_MOVE},   {'Q', EDITOR_MODE_SIZE},         {'W', EDITOR_MODE_WALLS},
    {'F', EDITOR_MODE_FLOOR},       {'C', EDITOR_MODE_CEILING},      {'D', EDITOR_MODE_PROPS},
    {'L', EDITOR_MODE_ROOM_POINTS}, {'P', EDITOR_MODE_PATHS},        {'B', EDITOR_COMMAND_FILL},
    {'S', EDITOR_COMMAND_SAVE},     {'R', EDITOR_COMMAND_NEW},
};

}  // namespace

// The first command key held, or the icon clicked, picks a mode or runs a
// command; the tile preview then follows the mode.
void Editor::HandleCommands() {
    PCSystem* system = GetPCSystem();
    uint32_t command = EDITOR_COMMAND_NONE;
    for (const CommandKey& k : kCommandKeys) {
        if (system->IsKeyDown(k.key)) {
            command = k.command;
            break;
        }
    }
    if (system->GetMouse()->buttons & 1) {
        // The cursor sprite is centred on the mouse, its tip at the top-left, so
        // the icon under the tip is the one hit.
        float mx, my;
        VirtualMouse(&mx, &my);
        for (uint32_t i = 0; i < EDITOR_COMMAND_NONE; ++i) {
            const float top = 40.0f + 35.0f * static_cast<float>(i);
            if (mx > 600.0f && mx < 630.0f && my > top && my < top + 30.0f) {
                command = i;
                break;
            }
        }
    }
    // A save repeats every frame while S (or its icon) is held; a failure is
    // told once for each press.
    if (command != EDITOR_COMMAND_SAVE) m_bSaveFailureTold = 0;
    if (command == EDITOR_COMMAND_NONE) return;
    if (command <= EDITOR_MODE_PATHS) {
        m_uMode = command;
    } else if (command == EDITOR_COMMAND_FILL) {
        FillRoom();
    } else if (command == EDITOR_COMMAND_NEW) {
        GetLevel()->New();
    } else if (command == EDITOR_COMMAND_SAVE) {
        Save();
    }

    switch (m_uMode) {
        case EDITOR_MODE_WALLS:
            m_uTextureSet = EDITOR_SET_WALLS;
            m_Preview.SetTexture("gfx/walls.tga");
            m_Preview.SetCount(1);
            break;
        case EDITOR_MODE_FLOOR:
            m_uTextureSet = EDITOR_SET_FLOOR;
            m_Preview.SetTexture("gfx/floor.tga");
            m_Preview.SetCount(1);
            break;
        case EDITOR_MODE_CEILING:
            m_uTextureSet = EDITOR_SET_CEILING;
            m_Preview.SetTexture("gfx/ceil.tga");
            m_Preview.SetCount(1);
            break;
        case EDITOR_MODE_PROPS:
        case EDITOR_MODE_ROOM_POINTS:
            m_Preview.SetCount(0);
            break;
        default:
            break;
    }
}

// Everything reachable from the start node keeps (or gets) a floor and a
// ceiling; everything else loses its walls and tiles. Then the room's
// lightmaps are baked again and its geometry rebuilt.
void Editor::FillRoom() {
    for (uint8_t& v : m_aVisited) v = 0;
    Level* level = GetLevel();
    const uint32_t room = level->GetCurrentRoom();
    if (!level->GetRoom(room)) {
        m_pFillNodes = nullptr;
        return;
    }
    const uint32_t startCol = level->GetRoomStartX(room);
    const uint32_t startRow = level->GetRoomStartZ(room);
    // With no start node inside the grid nothing is known to be inside, and
    // emptying the whole room would lose it.
    if (startCol >= kGrid || startRow >= kGrid) {
        m_pFillNodes = nullptr;
        return;
    }
    m_pFillNodes = level->GetNodeMap(room);
    FloodFill(startCol, startRow);
    ApplyFill();
    level->BuildRoomLighting(room, 1);
    level->SetRoomIndex(room);
    level->RefreshRoomObjects();
}

// Depth first through the open sides; only the side stored on the node being
// left counts. Each node is entered once, so the walk is at most 64 deep.
void Editor::FloodFill(uint32_t col, uint32_t row) {
    if (!m_pFillNodes || col >= kGrid || row >= kGrid) return;
    const uint32_t index = col + row * kGrid;
    if (m_aVisited[index]) return;
    m_aVisited[index] = 1;
    const Node& node = m_pFillNodes[index];
    if (node.walls[WALL_POS_Z] == NODE_EMPTY && row > 0) FloodFill(col, row - 1);
    if (node.walls[WALL_NEG_Z] == NODE_EMPTY && row < kGrid - 1) FloodFill(col, row + 1);
    if (node.walls[WALL_NEG_X] == NODE_EMPTY && col > 0) FloodFill(col - 1, row);
    if (node.walls[WALL_POS_X] == NODE_EMPTY && col < kGrid - 1) FloodFill(col + 1, row);
}

// Reached nodes get the floor and ceiling tiles they lack; the rest lose
// walls, floor and ceiling (props stay).
void Editor::ApplyFill() {
    if (!m_pFillNodes) return;
    for (uint32_t i = 0; i < LEVEL_NODE_COUNT; ++i) {
        Node& node = m_pFillNodes[i];
        if (m_aVisited[i]) {
            if (node.floorTile == NODE_EMPTY) node.floorTile = m_aTileIndex[EDITOR_SET_FLOOR];
            if (node.ceilTile == NODE_EMPTY) node.ceilTile = m_aTileIndex[EDITOR_SET_CEILING];
        } else {
            for (uint8_t& wall : node.walls) wall = NODE_EMPTY;
            node.floorTile = NODE_EMPTY;
            node.ceilTile = NODE_EMPTY;
        }
    }
}

// The level file from the level in memory, and the enemy file after the
// walkers' paths have become room 0 of the enemy data.
bool Editor::Save() {
    const int number = static_cast<int>(GetGame()->GetLevelNumber());
    char levelName[32];
    char enemyName[32];
    std::snprintf(levelName, sizeof(levelName), "gfx/level%d.dat", number);
    std::snprintf(enemyName, sizeof(enemyName), "gfx/enemy%d.dat", number);

    // Each file is replaced only by a complete new one; a level without rooms
    // writes nothing, which is a failure to save.
    const bool levelSaved = GetLevel()->Save(levelName);

    // A refused level save writes nothing: the enemy file stays as it is.
    bool enemiesSaved = false;
    if (levelSaved) {
        EnemyManager* enemies = GetEnemyManager();
        enemies->BuildRoom(0);
        enemiesSaved = enemies->Save(enemyName);
    }

    const bool saved = levelSaved && enemiesSaved;
    if (saved || m_bSaveFailureTold) return saved;
    // Told on screen, since the designer would otherwise believe the level saved.
    m_bSaveFailureTold = 1;
    char text[160];
    if (!levelSaved) {
        DebugLog("Editor: could not save %s; nothing was written\n", levelName);
        // With no level there is nothing to save and nothing is lost.
        if (!GetLevel()->GetRoom(GetLevel()->GetCurrentRoom())) return saved;
        std::snprintf(text, sizeof(text), "Could not save %s.\nThe file on disk is unchanged: the level is not saved.",
                      levelName);
    } else {
        DebugLog("Editor: saved %s but could not save %s; %s is unchanged\n", levelName, enemyName, enemyName);
        std::snprintf(text, sizeof(text), "Could not save %s.\n%s was saved; %s on disk is unchanged.", enemyName,
                      levelName, enemyName);
    }
    MessageBoxA(nullptr, text, "Level editor", MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_TOPMOST);
    return saved;
}
