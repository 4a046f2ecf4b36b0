// The house being played: a stack of rooms, each an 8 by 8 grid of nodes with
// their walls, floor and ceiling tiles, props and room points; the level file,
// the grid constants and conversions, the level timer and line of sight.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>
#include "process.h"
#include "quilmath.h"

class Floor;
class Ceil;
class Walls;
class LevelRenderer;
class LevelSurface;
struct IDirect3DTexture8;

// Grid sizes.
constexpr uint32_t LEVEL_GRID_SIZE = 8;          // nodes along each side of a room
constexpr uint32_t LEVEL_NODE_COUNT = 64;        // nodes per room
constexpr uint32_t LEVEL_BLOCK_GRID_SIZE = 4;    // blocks (2 by 2 nodes) along each side
constexpr uint32_t LEVEL_BLOCK_COUNT = 16;       // visible-block flags
constexpr uint32_t LEVEL_MAX_ROOM_POINTS = 10;   // point 0: the tree (star); 1..: present spots
constexpr uint32_t NODE_PROP_SLOTS = 3;

// World frame.
constexpr float LEVEL_CELL_SIZE = 32.0f;
constexpr float LEVEL_BLOCK_SIZE = 64.0f;
constexpr float LEVEL_WALL_HEIGHT = 40.0f;
constexpr float LEVEL_ROOM_SPACING = 42.0f;
constexpr float LEVEL_ORIGIN_X = -128.0f;
constexpr float LEVEL_ORIGIN_Z = -128.0f;

// Stored sizes of the level file's records.
constexpr uint32_t LEVEL_FILE_HEADER_SIZE = 16;
constexpr uint32_t ROOM_RECORD_SIZE = 2320;
constexpr uint32_t NODE_RECORD_SIZE = 32;

// A node byte of 255: no wall, no prop, no floor or ceiling tile.
constexpr uint8_t NODE_EMPTY = 255;

// Level flags: bit 0, a room array exists.
constexpr uint32_t LEVEL_FLAG_ROOMS = 1;

// What a Load found wrong with its level file.
enum LevelDamage : uint32_t {
    LEVEL_DAMAGE_NONE = 0,
    LEVEL_DAMAGE_REPLACED = 1,          // unreadable: a new house was made instead
    LEVEL_DAMAGE_PROPS_LEFT_OUT = 2,    // props of unknown types: kept in the rooms, not placed
};

// Index of a node's wall bytes (Node::walls).
enum NodeWallSide : uint32_t {
    WALL_POS_Z = 0,  // toward row - 1
    WALL_NEG_Z = 1,  // toward row + 1
    WALL_NEG_X = 2,  // toward col - 1
    WALL_POS_X = 3,  // toward col + 1
};

// One cell of a room (32 bytes in the file).
struct Node {
    uint8_t reserved[8];
    uint8_t walls[4];                      // wall texture 0..15 per side (NodeWallSide), 255 none
    uint8_t propIndex[NODE_PROP_SLOTS];    // index into the LevelRenderer's props, 255 empty
    uint8_t propType[NODE_PROP_SLOTS];     // prop type 0..12, 255 empty
    uint8_t floorTile;                     // floor atlas cell 0..15, 255 none; footstep material
    uint8_t ceilTile;                      // ceiling atlas cell 0..15, 255 none
    float propAngle[NODE_PROP_SLOTS];      // rotation about y of each slot's prop, radians
};

// One storey (2320 bytes in the file; the three object slots are written as 0).
struct Room {
    uint32_t reserved0;
    uint32_t startX;                       // player start column
    uint32_t startZ;                       // player start row
    uint32_t pointCount;                   // room points in use, 0..10
    Vec3 points[LEVEL_MAX_ROOM_POINTS];
    uint32_t reserved136;
    uint32_t reserved140[30];
    Floor* pFloor;
    Ceil* pCeil;
    Walls* pWalls;
    Node nodes[LEVEL_NODE_COUNT];          // index col + row * 8
};

// The level file's 16-byte header.
struct LevelFileHeader {
    uint32_t flags;        // bit 0 set in every written file
    uint32_t roomCount;
    uint32_t currentRoom;
    uint32_t reserved;     // written as 0, ignored when read
};

class Level : public Process {
public:
    Level();
    ~Level() override;

    // Process operations.
    void Init() override;
    void Shutdown() override;
    void Update(float seconds) override;
    void Activate() override;
    void Deactivate() override;

    // Reads a level file; one that cannot be opened or is damaged gives New.
    void Load(const char* name);
    // Writes the level file (nothing without rooms or when it cannot be opened).
    bool Save(const char* name);
    // Replaces the level by one empty room (not marked loaded).
    void New();
    // Drops every room, its objects, the props and the lights.
    void Free();
    // Outer walls of texture 0, tile 0 everywhere, no props, and new surface objects.
    void InitRoom(Room* room);
    // Makes the room's surfaces rebuild from the node bytes at their next draw.
    void SetRoomIndex(uint32_t room);
    // Refreshes every prop, then bakes the room's floor, ceiling and wall lightmaps
    // (a cached lightmap is kept unless force is 1).
    void BuildRoomLighting(uint32_t room, uint32_t force);
    // The lighting of every room, their lightmaps baked side by side.
    void BuildLevelLighting(uint32_t force);
    // Refreshes every placed prop (lights and nearest lights).
    void RefreshRoomObjects();

    // Level countdown, in seconds.
    float GetTimeLeft() const { return m_fTimeLeft; }
    void SetTimeLeft(float seconds) { m_fTimeLeft = seconds; }

    // Grid constants.
    float GetCellSize() const { return m_fCellSize; }
    float GetBlockSize() const { return m_fBlockSize; }
    float GetWallHeight() const { return m_fWallHeight; }
    float GetRoomSpacing() const { return m_fRoomSpacing; }
    float GetRoomBaseY(uint32_t room) const { return static_cast<float>(room) * m_fRoomSpacing; }
    // The -x edge of column col.
    float GetCellX(int col) const { return m_fOriginX + static_cast<float>(col) * m_fCellSize; }
    // origin z + i * cell; with i = 7 - row, the +z edge of row row.
    float GetCellZ(int i) const { return m_fOriginZ + static_cast<float>(i) * m_fCellSize; }
    float GetOriginX() const { return m_fOriginX; }
    float GetOriginZ() const { return m_fOriginZ; }

    // Conversions, truncating toward zero; a result outside 0..7 (0..3 for
    // blocks) is outside the grid. CellRowFromZ and BlockRowFromZ expect a z
    // already raised by one cell.
    int CellColFromX(float x) const;
    int CellRowFromZ(float z) const;
    int BlockColFromX(float x) const;
    int BlockRowFromZ(float z) const;

    // Rooms, nodes and room points.
    uint32_t GetFlags() const { return m_uFlags; }
    uint32_t GetCurrentRoom() const { return m_uCurrentRoom; }
    uint32_t GetRoomCount() const { return m_uRoomCount; }
    // The room record, or null when there is no such room (no report).
    Room* GetRoom(uint32_t room);
    // The room's 64 nodes / node (col, row) of the current room. A missing
    // room or a node outside the grid is reported with TrapError and answered
    // with an empty stand-in node.
    Node* GetNodeMap(uint32_t room);
    Node* GetNode(uint32_t col, uint32_t row);
    uint32_t GetRoomStartX(uint32_t room);
    uint32_t GetRoomStartZ(uint32_t room);
    uint32_t GetRoomPointCount();
    // Point i (0..9) of the current room; others are reported.
    Vec3* GetRoomPoint(uint32_t i);
    // Sets the current room's point count, at most 10.
    void SetRoomPointCount(uint32_t n);
    LevelRenderer* GetLevelRenderer() { return m_pLevelRenderer; }
    bool IsLoaded() const { return m_bLoaded != 0; }
    // What the last Load found wrong with its file (LevelDamage): nothing, so
    // much that a new house was made instead, or props of unknown types, which
    // are kept in the rooms but not placed.
    bool WasDamaged() const { return m_uDamage != LEVEL_DAMAGE_NONE; }
    uint32_t GetDamage() const { return m_uDamage; }

    // Clip flags of the current room's ceiling and floor (1: clockwise culling).
    void SetCeilClip(uint32_t clip);
    void SetFloorClip(uint32_t clip);

    // Tile textures of the current room's surfaces (null when there is none).
    IDirect3DTexture8* GetWallsTexture();
    IDirect3DTexture8* GetFloorTexture();
    IDirect3DTexture8* GetCeilTexture();

    // Visible blocks: flag blockCol + blockRow * 4, 1 = drawn.
    const uint32_t* GetVisibleBlocks() const { return m_uVisibleBlocks; }
    // Whether block (bx, bz) is hidden; blocks off the grid never are.
    bool IsBlockHidden(uint32_t bx, uint32_t bz) const;
    // Recomputes the flags from the current camera and the player's view.
    void UpdateVisibleBlocks();
    // The same from explicit inputs: the camera position (a camera above the
    // wall height leaves the flags alone), the player position and the
    // player's horizontal view direction.
    void UpdateVisibleBlocks(const Vec3& cameraPos, const Vec3& playerPos, const Vec3& viewDirXZ);

    // True when a wall (or, with bTestProps, a prop) blocks the segment. The
    // end's z must already be raised by one cell.
    bool LineOfSight(const Vec3& start, const Vec3& end, bool bTestProps);
    // The wall part of LineOfSight in any room, loaded or not, writing nothing
    // but hitPoint (when given and blocked).
    bool WallBetween(const Vec3& start, const Vec3& end, uint32_t room, Vec3* hitPoint) const;
    // Where the last blocked LineOfSight met its wall; (0, 0, 0) when clear.
    Vec3* GetHitPoint() { return &m_vHitPoint; }
    // True when the stored segment of the last LineOfSight meets a prop of node.
    bool LineHitsCellObjects(const Node* node);

private:
    bool AllocRooms(uint32_t count);
    bool ReadRooms(FILE* f, const char* name, uint32_t* unknownProps);
    void PlaceRoomProps(uint32_t room);
    // The room's floor, ceiling and walls: made and Init, handed their room
    // and activated, baked, shut down and deleted.
    void CreateRoomObjects(Room* room);
    void ActivateRoomObjects(uint32_t room);
    void BuildRoomLightmaps(uint32_t room, uint32_t force);
    void AddRoomSurfaces(uint32_t room, std::vector<LevelSurface*>& surfaces);
    void FreeRoomObjects(Room* room);

    uint32_t m_uFlags;
    uint32_t m_uRoomCount;
    uint32_t m_uCurrentRoom;
    Room* m_pRooms;
    LevelRenderer* m_pLevelRenderer;  // owned, lives as long as the Level
    Vec3 m_vSegStart;
    Vec3 m_vSegEnd;
    Vec3 m_vHitPoint;
    uint32_t m_uVisibleBlocks[LEVEL_BLOCK_COUNT];
    float m_fOriginX;
    float m_fOriginZ;
    float m_fCellSize;
    float m_fBlockSize;
    float m_fWallHeight;
    float m_fRoomSpacing;
    float m_fTimeLeft;
    uint8_t m_bLoaded;
    uint8_t m_uDamage = LEVEL_DAMAGE_NONE;
};

// The one Level, built on first use.
Level* GetLevel();
