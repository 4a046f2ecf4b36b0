// The Level process: the room array, the level file, new and freed levels,
// the timer, and the hand-over of rooms to their floor, ceiling and walls.
#include "Level.h"
#include <cstring>
#include <new>
#include <vector>
#include "Ceil.h"
#include "Floor.h"
#include "HUD.h"
#include "LevelRenderer.h"
#include "LightMan.h"
#include "Pickups.h"
#include "Walls.h"
#include "file.h"
#include "gameengine.h"
#include "memorycontroller.h"
#include "quil_bytes.h"
#include "trap.h"

namespace {

using quil_platform::ReadLe32;
using quil_platform::ReadLeF32;
using quil_platform::WriteLe32;
using quil_platform::WriteLeF32;

// Fills a room record from its 2320 stored bytes (the object slots are left to the caller).
void DecodeRoom(const uint8_t* b, Room* room) {
    room->reserved0 = ReadLe32(b + 0);
    room->startX = ReadLe32(b + 4);
    room->startZ = ReadLe32(b + 8);
    room->pointCount = ReadLe32(b + 12);
    for (uint32_t i = 0; i < LEVEL_MAX_ROOM_POINTS; ++i) {
        const uint8_t* p = b + 16 + i * 12;
        room->points[i] = Vec3(ReadLeF32(p), ReadLeF32(p + 4), ReadLeF32(p + 8));
    }
    room->reserved136 = ReadLe32(b + 136);
    for (uint32_t i = 0; i < 30; ++i) room->reserved140[i] = ReadLe32(b + 140 + i * 4);
    for (uint32_t n = 0; n < LEVEL_NODE_COUNT; ++n) {
        const uint8_t* p = b + 272 + n * NODE_RECORD_SIZE;
        Node& node = room->nodes[n];
        std::memcpy(node.reserved, p, 8);
        std::memcpy(node.walls, p + 8, 4);
        std::memcpy(node.propIndex, p + 12, NODE_PROP_SLOTS);
        std::memcpy(node.propType, p + 15, NODE_PROP_SLOTS);
        node.floorTile = p[18];
        node.ceilTile = p[19];
        for (uint32_t s = 0; s < NODE_PROP_SLOTS; ++s) node.propAngle[s] = ReadLeF32(p + 20 + s * 4);
    }
}

// Writes a room record as its 2320 stored bytes; the object slots are written as 0.
void EncodeRoom(const Room* room, uint8_t* b) {
    std::memset(b, 0, ROOM_RECORD_SIZE);
    WriteLe32(b + 0, room->reserved0);
    WriteLe32(b + 4, room->startX);
    WriteLe32(b + 8, room->startZ);
    WriteLe32(b + 12, room->pointCount);
    for (uint32_t i = 0; i < LEVEL_MAX_ROOM_POINTS; ++i) {
        uint8_t* p = b + 16 + i * 12;
        WriteLeF32(p, room->points[i].x);
        WriteLeF32(p + 4, room->points[i].y);
        WriteLeF32(p + 8, room->points[i].z);
    }
    WriteLe32(b + 136, room->reserved136);
    for (uint32_t i = 0; i < 30; ++i) WriteLe32(b + 140 + i * 4, room->reserved140[i]);
    for (uint32_t n = 0; n < LEVEL_NODE_COUNT; ++n) {
        uint8_t* p = b + 272 + n * NODE_RECORD_SIZE;
        const Node& node = room->nodes[n];
        std::memcpy(p, node.reserved, 8);
        std::memcpy(p + 8, node.walls, 4);
        std::memcpy(p + 12, node.propIndex, NODE_PROP_SLOTS);
        std::memcpy(p + 15, node.propType, NODE_PROP_SLOTS);
        p[18] = node.floorTile;
        p[19] = node.ceilTile;
        for (uint32_t s = 0; s < NODE_PROP_SLOTS; ++s) WriteLeF32(p + 20 + s * 4, node.propAngle[s]);
    }
}

// How many prop slots of a room hold none of the prop types (a damaged file).
uint32_t CountUnknownProps(const Room* room) {
    uint32_t unknown = 0;
    for (const Node& node : room->nodes)
        for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot)
            unknown += node.propType[slot] != NODE_EMPTY && !IsPropType(node.propType[slot]);
    return unknown;
}

// Bytes left in f from its current position, or -1 when it cannot be measured.
long BytesLeft(FILE* f) {
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(f);
    if (std::fseek(f, here, SEEK_SET) != 0 || end < here) return -1;
    return end - here;
}

}  // namespace

Level::Level()
    : m_uFlags(0),
      m_uRoomCount(0),
      m_uCurrentRoom(0),
      m_pRooms(nullptr),
      m_pLevelRenderer(new LevelRenderer()),
      m_fOriginX(LEVEL_ORIGIN_X),
      m_fOriginZ(LEVEL_ORIGIN_Z),
      m_fCellSize(LEVEL_CELL_SIZE),
      m_fBlockSize(LEVEL_BLOCK_SIZE),
      m_fWallHeight(LEVEL_WALL_HEIGHT),
      m_fRoomSpacing(LEVEL_ROOM_SPACING),
      m_fTimeLeft(0.0f),
      m_bLoaded(0) {
    for (uint32_t& flag : m_uVisibleBlocks) flag = 1;
}

Level::~Level() {
    Free();
    delete m_pLevelRenderer;
}

// Sets the grid constants and an empty level, then loads the prop types.
void Level::Init() {
    Free();  // a level still held would otherwise be lost with its objects
    m_fCellSize = LEVEL_CELL_SIZE;
    m_fBlockSize = m_fCellSize * 2.0f;
    m_fWallHeight = LEVEL_WALL_HEIGHT;
    m_fRoomSpacing = LEVEL_ROOM_SPACING;
    m_fOriginX = -4.0f * m_fCellSize;
    m_fOriginZ = -4.0f * m_fCellSize;
    m_fTimeLeft = 0.0f;
    m_uFlags = 0;
    m_uRoomCount = 0;
    m_uCurrentRoom = 0;
    m_pRooms = nullptr;
    m_pLevelRenderer->Init();
}

void Level::Shutdown() {
    m_pLevelRenderer->Shutdown();
    Free();
}

// Per frame: the visible blocks, then the countdown, which stops at 0.
void Level::Update(float seconds) {
    UpdateVisibleBlocks();
    m_fTimeLeft -= seconds;
    if (!(m_fTimeLeft > 0.0f)) m_fTimeLeft = 0.0f;
}

void Level::Activate() {
    GetGameEngine()->AddProcess(this);
    m_pLevelRenderer->Activate();
}

void Level::Deactivate() {
    Free();
    m_pLevelRenderer->Deactivate();
    GetGameEngine()->RemoveProcess(this);
}

// Allocates count zeroed room records; false when the heap has no room.
bool Level::AllocRooms(uint32_t count) {
    const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(Room);
    if (bytes > 0xFFFFFFFFull) return false;
    void* block = MemoryController::Alloc(static_cast<uint32_t>(bytes), "ROOMS");
    if (!block) return false;
    m_pRooms = static_cast<Room*>(block);
    for (uint32_t i = 0; i < count; ++i) new (&m_pRooms[i]) Room();
    return true;
}

// Drops every room with its objects, the props and the lights.
void Level::Free() {
    if (!(m_uFlags & LEVEL_FLAG_ROOMS)) return;
    GetLightMan()->Clear();
    m_pLevelRenderer->Clear();
    if (m_pRooms) {
        for (uint32_t i = 0; i < m_uRoomCount; ++i) FreeRoomObjects(&m_pRooms[i]);
    }
    MemoryController::Free(&m_pRooms);
    m_uFlags = 0;
    m_bLoaded = 0;
}

// An empty room: outer walls of texture 0, tile 0 everywhere, no props, no points.
void Level::InitRoom(Room* room) {
    room->reserved0 = 0;
    room->startX = 0;
    room->startZ = 0;
    room->pointCount = 0;
    room->reserved136 = 0;
    std::memset(room->reserved140, 0, sizeof(room->reserved140));
    CreateRoomObjects(room);
    for (Node& node : room->nodes) {
        std::memset(node.reserved, 0, sizeof(node.reserved));
        std::memset(node.walls, NODE_EMPTY, sizeof(node.walls));
        std::memset(node.propIndex, NODE_EMPTY, sizeof(node.propIndex));
        std::memset(node.propType, NODE_EMPTY, sizeof(node.propType));
        node.floorTile = 0;
        node.ceilTile = 0;
        for (float& angle : node.propAngle) angle = 0.0f;
    }
    for (uint32_t i = 0; i < LEVEL_GRID_SIZE; ++i) {
        room->nodes[i + 0 * LEVEL_GRID_SIZE].walls[WALL_POS_Z] = 0;
        room->nodes[i + 7 * LEVEL_GRID_SIZE].walls[WALL_NEG_Z] = 0;
    }
    for (uint32_t i = 0; i < LEVEL_GRID_SIZE; ++i) {
        room->nodes[0 + i * LEVEL_GRID_SIZE].walls[WALL_NEG_X] = 0;
        room->nodes[7 + i * LEVEL_GRID_SIZE].walls[WALL_POS_X] = 0;
    }
}

// Replaces the level by one empty room.
void Level::New() {
    Free();
    m_uFlags = LEVEL_FLAG_ROOMS;
    m_uRoomCount = 1;
    m_uCurrentRoom = 0;
    if (!AllocRooms(m_uRoomCount)) {
        TrapError(__FILE__, __LINE__, "Could not allocate the rooms of the house");
        m_uFlags = 0;
        return;
    }
    for (uint32_t i = 0; i < m_uRoomCount; ++i) {
        InitRoom(&m_pRooms[i]);
        ActivateRoomObjects(i);
        BuildRoomLighting(i, 0);
    }
}

// Reads the header and every room record of an open level file. Returns false
// (and leaves no rooms) when the file is shorter than it claims or names no
// playable room. Props of unknown types are counted in unknownProps.
bool Level::ReadRooms(FILE* f, const char* name, uint32_t* unknownProps) {
    *unknownProps = 0;
    const long size = BytesLeft(f);
    uint8_t header[LEVEL_FILE_HEADER_SIZE];
    const char* fault = nullptr;
    if (size < static_cast<long>(LEVEL_FILE_HEADER_SIZE) || std::fread(header, 1, sizeof(header), f) != sizeof(header)) {
        fault = "shorter than its header";
    }
    uint32_t flags = 0, count = 0, current = 0;
    if (!fault) {
        flags = ReadLe32(header + 0);
        count = ReadLe32(header + 4);
        current = ReadLe32(header + 8);
        const uint64_t bodySize = static_cast<uint64_t>(size) - LEVEL_FILE_HEADER_SIZE;
        if (count == 0) fault = "it holds no room";
        else if (current >= count) fault = "its current room is not one of its rooms";
        else if (static_cast<uint64_t>(count) * ROOM_RECORD_SIZE > bodySize) fault = "shorter than its rooms";
    }
    if (!fault && !AllocRooms(count)) fault = "too many rooms to hold";
    if (!fault) {
        uint8_t record[ROOM_RECORD_SIZE];
        for (uint32_t i = 0; i < count && !fault; ++i) {
            if (std::fread(record, 1, sizeof(record), f) != sizeof(record)) {
                fault = "shorter than its rooms";
                break;
            }
            Room* room = &m_pRooms[i];
            DecodeRoom(record, room);
            // Indices that would lead outside the room's records.
            if (room->pointCount > LEVEL_MAX_ROOM_POINTS) {
                DebugLog("Level file %s: room %u claims %u points, keeping %u\n", name, i, room->pointCount,
                         LEVEL_MAX_ROOM_POINTS);
                room->pointCount = LEVEL_MAX_ROOM_POINTS;
            }
            if (room->startX >= LEVEL_GRID_SIZE || room->startZ >= LEVEL_GRID_SIZE) {
                DebugLog("Level file %s: room %u starts outside its grid, starting at (0, 0)\n", name, i);
                room->startX = 0;
                room->startZ = 0;
            }
            *unknownProps += CountUnknownProps(room);
        }
        if (fault) MemoryController::Free(&m_pRooms);
    }
    if (fault) {
        DebugLog("Level file %s is damaged (%s): a new house is made instead\n", name, fault);
        return false;
    }
    if (*unknownProps)
        DebugLog("Level file %s is damaged: %u props of unknown types are not placed\n", name, *unknownProps);
    m_uFlags = flags | LEVEL_FLAG_ROOMS;  // rooms exist whatever the file's flags said
    m_uRoomCount = count;
    m_uCurrentRoom = current;
    return true;
}

// Places the props of one loaded room, renumbering their indices in load order.
// A slot of an unknown type is left as read: not placed, and written back by a save.
void Level::PlaceRoomProps(uint32_t roomIndex) {
    Room* room = &m_pRooms[roomIndex];
    for (uint32_t row = 0; row < LEVEL_GRID_SIZE; ++row) {
        for (uint32_t col = 0; col < LEVEL_GRID_SIZE; ++col) {
            Node& node = room->nodes[col + row * LEVEL_GRID_SIZE];
            for (uint32_t slot = 0; slot < NODE_PROP_SLOTS; ++slot) {
                if (node.propType[slot] == NODE_EMPTY) {
                    node.propIndex[slot] = NODE_EMPTY;
                    continue;
                }
                if (!IsPropType(node.propType[slot])) continue;
                const uint32_t index = m_pLevelRenderer->AddObject(node.propType[slot], col, row, slot);
                if (index >= MAX_DETAIL_OBJECTS) {
                    // Refused (and reported): nothing is placed, but the slot
                    // keeps its type so that the next save writes it back.
                    node.propIndex[slot] = NODE_EMPTY;
                    continue;
                }
                node.propIndex[slot] = static_cast<uint8_t>(index);
                m_pLevelRenderer->GetObject(index)->Rotate(node.propAngle[slot]);
            }
        }
    }
}

// Reads a level file and builds its rooms, props, lighting and pickups. A file
// that cannot be opened or is damaged gives a new one-room house.
void Level::Load(const char* name) {
    Free();
    m_uDamage = LEVEL_DAMAGE_NONE;
    FILE* f = GetFile()->Open(name, FILE_READ);
    if (!f) {
        New();
        return;
    }
    uint32_t unknownProps = 0;
    const bool ok = ReadRooms(f, name, &unknownProps);
    GetFile()->Close(f);
    m_uDamage = !ok ? LEVEL_DAMAGE_REPLACED : unknownProps ? LEVEL_DAMAGE_PROPS_LEFT_OUT : LEVEL_DAMAGE_NONE;
    if (!ok) {
        New();
        return;
    }
    for (uint32_t i = 0; i < m_uRoomCount; ++i) {
        CreateRoomObjects(&m_pRooms[i]);
        ActivateRoomObjects(i);
    }
    for (uint32_t i = 0; i < m_uRoomCount; ++i) PlaceRoomProps(i);
    // Loaded before the bake, so that walls and props cast their shadows.
    m_bLoaded = 1;
    BuildLevelLighting(0);
    // Buffers and lightmap textures are made inside the load, not by the first frame.
    for (uint32_t i = 0; i < m_uRoomCount; ++i) {
        Room& r = m_pRooms[i];
        if (r.pWalls) r.pWalls->RestoreDeviceObjects();
        if (r.pFloor) r.pFloor->RestoreDeviceObjects();
        if (r.pCeil) r.pCeil->RestoreDeviceObjects();
    }
    GetHUD()->Reset();
    Room* room = &m_pRooms[m_uCurrentRoom];
    GetPickups()->SetPickup(PICKUP_STAR, room->points[0]);
    if (room->pointCount > 1) GetPickups()->SetPickup(PICKUP_PRESENT, room->points[1]);
    for (uint32_t& flag : m_uVisibleBlocks) flag = 1;
}

// Writes the level file: the header, then every room record. The old file is
// replaced only by a complete new one; false when nothing was saved.
bool Level::Save(const char* name) {
    if (!(m_uFlags & LEVEL_FLAG_ROOMS) || m_uRoomCount == 0 || !m_pRooms) return false;
    std::vector<uint8_t> image(LEVEL_FILE_HEADER_SIZE + static_cast<size_t>(m_uRoomCount) * ROOM_RECORD_SIZE);
    WriteLe32(&image[0], m_uFlags);
    WriteLe32(&image[4], m_uRoomCount);
    WriteLe32(&image[8], m_uCurrentRoom);
    WriteLe32(&image[12], 0);
    for (uint32_t i = 0; i < m_uRoomCount; ++i)
        EncodeRoom(&m_pRooms[i], &image[LEVEL_FILE_HEADER_SIZE + static_cast<size_t>(i) * ROOM_RECORD_SIZE]);
    return GetFile()->SaveFile(name, image.data(), static_cast<uint32_t>(image.size()));
}

// Refreshes every placed prop (their lights and nearest lights), then bakes
// the room's floor, ceiling and wall lightmaps.
void Level::BuildRoomLighting(uint32_t room, uint32_t force) {
    RefreshRoomObjects();
    BuildRoomLightmaps(room, force);
}

// Every room's lighting, as BuildRoomLighting room after room would make it,
// with all rooms' lightmaps baked side by side. The props are refreshed once
// more when there is a second room: a prop picks its nearest lights among
// those added so far, so the second pass sees them all.
void Level::BuildLevelLighting(uint32_t force) {
    if (!m_pRooms) return;
    for (uint32_t pass = 0; pass < m_uRoomCount && pass < 2; ++pass) RefreshRoomObjects();
    std::vector<LevelSurface*> surfaces;
    for (uint32_t i = 0; i < m_uRoomCount; ++i) AddRoomSurfaces(i, surfaces);
    LevelSurface::BuildLightmaps(surfaces, force);
}

void Level::RefreshRoomObjects() {
    const uint32_t count = m_pLevelRenderer->GetCount();
    for (uint32_t i = 0; i < count; ++i) m_pLevelRenderer->GetObject(i)->Refresh();
}

Level* GetLevel() {
    static Level* level = new Level();  // lives for the whole run
    return level;
}
