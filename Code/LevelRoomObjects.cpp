// The Level's calls into each room's floor, ceiling and walls objects.
#include "Level.h"
#include "Ceil.h"
#include "Floor.h"
#include "Walls.h"

// Makes the room's three surface objects and Inits them (floor, ceiling, walls).
void Level::CreateRoomObjects(Room* room) {
    room->pFloor = new Floor();
    room->pCeil = new Ceil();
    room->pWalls = new Walls();
    room->pFloor->Init();
    room->pCeil->Init();
    room->pWalls->Init();
}

// Hands the room its index and activates walls, floor and ceiling, in that order.
void Level::ActivateRoomObjects(uint32_t roomIndex) {
    Room* room = &m_pRooms[roomIndex];
    if (room->pWalls) {
        room->pWalls->SetRoom(roomIndex);
        room->pWalls->Activate();
    }
    if (room->pFloor) {
        room->pFloor->SetRoom(roomIndex);
        room->pFloor->Activate();
    }
    if (room->pCeil) {
        room->pCeil->SetRoom(roomIndex);
        room->pCeil->Activate();
    }
}

// Bakes (or finds in the cache) the floor, ceiling and wall lightmaps of a room, side by side.
void Level::BuildRoomLightmaps(uint32_t roomIndex, uint32_t force) {
    std::vector<LevelSurface*> surfaces;
    AddRoomSurfaces(roomIndex, surfaces);
    LevelSurface::BuildLightmaps(surfaces, force);
}

// Appends the room's floor, ceiling and walls, those it has, in that order.
void Level::AddRoomSurfaces(uint32_t roomIndex, std::vector<LevelSurface*>& surfaces) {
    if (!m_pRooms || roomIndex >= m_uRoomCount) return;
    Room* room = &m_pRooms[roomIndex];
    for (LevelSurface* surface : {static_cast<LevelSurface*>(room->pFloor), static_cast<LevelSurface*>(room->pCeil),
                                  static_cast<LevelSurface*>(room->pWalls)})
        if (surface) surfaces.push_back(surface);
}

// Shuts down and deletes the room's floor, ceiling and walls.
void Level::FreeRoomObjects(Room* room) {
    if (room->pFloor) {
        room->pFloor->Shutdown();
        delete room->pFloor;
    }
    if (room->pCeil) {
        room->pCeil->Shutdown();
        delete room->pCeil;
    }
    if (room->pWalls) {
        room->pWalls->Shutdown();
        delete room->pWalls;
    }
    room->pFloor = nullptr;
    room->pCeil = nullptr;
    room->pWalls = nullptr;
}

// Tells the room's surfaces to rebuild from the node bytes at their next draw.
void Level::SetRoomIndex(uint32_t roomIndex) {
    if (!m_pRooms || roomIndex >= m_uRoomCount) return;
    Room* room = &m_pRooms[roomIndex];
    if (room->pFloor) room->pFloor->SetRoom(roomIndex);
    if (room->pCeil) room->pCeil->SetRoom(roomIndex);
    if (room->pWalls) room->pWalls->SetRoom(roomIndex);
}

void Level::SetCeilClip(uint32_t clip) {
    Room* room = GetRoom(m_uCurrentRoom);
    if (room && room->pCeil) room->pCeil->SetClip(clip);
}

void Level::SetFloorClip(uint32_t clip) {
    Room* room = GetRoom(m_uCurrentRoom);
    if (room && room->pFloor) room->pFloor->SetClip(clip);
}

IDirect3DTexture8* Level::GetWallsTexture() {
    Room* room = GetRoom(m_uCurrentRoom);
    return (room && room->pWalls) ? room->pWalls->GetTileTexture() : nullptr;
}

IDirect3DTexture8* Level::GetFloorTexture() {
    Room* room = GetRoom(m_uCurrentRoom);
    return (room && room->pFloor) ? room->pFloor->GetTileTexture() : nullptr;
}

IDirect3DTexture8* Level::GetCeilTexture() {
    Room* room = GetRoom(m_uCurrentRoom);
    return (room && room->pCeil) ? room->pCeil->GetTileTexture() : nullptr;
}
