// The six walkers and the patrol paths of every room, read from and written to
// the level's enemy file.
#pragma once
#include <cstdint>
#include <cstdio>
#include "Enemy.h"

// One path as stored: its entered points.
struct EnemyPathNode {
    float x, z;
};
struct EnemyPathData {
    uint32_t nNodes;
    EnemyPathNode* pNodes;
};
// The paths of one room; the property records are the file's reserved
// 12-byte records, kept as read.
struct RoomEnemyData {
    uint32_t nPaths;
    uint8_t* pProps;
    EnemyPathData* pPaths;
};

class EnemyManager {
public:
    static constexpr uint32_t MAX_WALKERS = 6;
    // Stored sizes of the enemy file's records.
    static constexpr uint32_t FILE_HEADER_SIZE = 8;
    static constexpr uint32_t ROOM_RECORD_SIZE = 12;
    static constexpr uint32_t PROPERTY_RECORD_SIZE = 12;
    static constexpr uint32_t PATH_RECORD_SIZE = 8;
    static constexpr uint32_t NODE_SIZE = 8;

    EnemyManager();
    ~EnemyManager();
    EnemyManager(const EnemyManager&) = delete;
    EnemyManager& operator=(const EnemyManager&) = delete;

    void Init();
    void Shutdown();

    // Reads an enemy file; a missing or damaged file leaves no enemy data.
    // Returns true when the file was read.
    bool Load(const char* name);
    // Writes the enemy data; returns false when the file could not be written.
    bool Save(const char* name);
    void Free();

    // Puts the paths of room r on the walkers and sets them walking.
    void SetRoom(uint32_t r);
    void Start();
    void Stop();
    void Freeze(bool frozen);

    // Editor: a new path on the next free walker (MAX_WALKERS when none is free).
    uint32_t AddPath();
    // Editor: the walkers' entered points become the paths of room r.
    void BuildRoom(uint32_t r);
    // Editor: lines along walker i's tour and a marker at each point.
    void DrawPath(uint32_t i);

    // Walker i, or null past the six.
    Enemy* GetEnemy(uint32_t i) { return i < MAX_WALKERS ? &m_Walkers[i] : nullptr; }
    uint32_t GetCount() const { return m_uWalkersInUse; }

    bool IsLoaded() const { return m_bLoaded != 0; }
    uint32_t GetRoomCount() const { return m_uRoomCount; }
    // Room r's stored paths, or null past the rooms.
    const RoomEnemyData* GetRoomData(uint32_t r) const {
        return m_pRooms && r < m_uRoomCount ? &m_pRooms[r] : nullptr;
    }

private:
    static void FreeRoom(RoomEnemyData& room);
    // Releases every room and the room table.
    void ReleaseRooms();
    // Reads the rooms of an open file of size bytes; false when the file is
    // shorter than its counts promise or memory runs out.
    bool ReadRooms(FILE* f, uint64_t size);
    // Makes the room table count records long, keeping the rooms below count.
    bool ResizeRooms(uint32_t count);

    uint32_t m_uRoomCount;
    RoomEnemyData* m_pRooms;
    Enemy m_Walkers[MAX_WALKERS];
    uint32_t m_uWalkersInUse;
    uint8_t m_bLoaded;
};

EnemyManager* GetEnemyManager();
