#include "EnemyManager.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Level.h"
#include "file.h"
#include "memorycontroller.h"
#include "renderer.h"
#include "trap.h"

namespace {

constexpr D3DCOLOR kWhite = 0xFFFFFFFFu;
constexpr float kPathLineHeight = 5.0f;
constexpr float kMarkerSize = 5.0f;

// Little-endian fields from an open file, counting the bytes left so that no
// count read from the file can promise more than the file holds.
class FieldReader {
public:
    FieldReader(FILE* f, uint64_t size) : m_f(f), m_left(size) {}

    bool Has(uint64_t bytes) const { return bytes <= m_left; }
    bool Bytes(uint8_t* out, uint32_t n) {
        if (!Has(n) || std::fread(out, 1, n, m_f) != n) return false;
        m_left -= n;
        return true;
    }
    bool U32(uint32_t& v) {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }
    bool F32(float& f) {
        uint32_t v;
        if (!U32(v)) return false;
        std::memcpy(&f, &v, 4);
        return true;
    }
    bool Skip(uint32_t n) {
        uint8_t b[16];
        while (n > 0) {
            const uint32_t k = std::min<uint32_t>(n, sizeof(b));
            if (!Bytes(b, k)) return false;
            n -= k;
        }
        return true;
    }

private:
    FILE* m_f;
    uint64_t m_left;
};

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

// A zeroed block of count records of type T, or null when the heap has none.
template <typename T>
T* AllocZeroed(uint64_t count, const char* tag) {
    const uint64_t bytes = count * sizeof(T);
    if (bytes > 0xFFFFFFFFull) return nullptr;
    void* p = MemoryController::Alloc(static_cast<uint32_t>(bytes), tag);
    if (p) std::memset(p, 0, static_cast<size_t>(bytes));
    return static_cast<T*>(p);
}

}  // namespace

EnemyManager::EnemyManager() : m_uRoomCount(0), m_pRooms(nullptr), m_uWalkersInUse(0), m_bLoaded(0) {}

// The game releases the data in Shutdown; at program exit the heap's own
// records may already be gone, so nothing is released here.
EnemyManager::~EnemyManager() = default;

void EnemyManager::Init() {
    for (Enemy& w : m_Walkers) w.Init();
    ReleaseRooms();
    m_uWalkersInUse = 0;
    m_bLoaded = 0;
}

void EnemyManager::Shutdown() {
    Free();
    for (Enemy& w : m_Walkers) w.Shutdown();
}

bool EnemyManager::Load(const char* name) {
    Free();
    File* file = GetFile();
    FILE* f = file->Open(name, FILE_READ);
    if (!f) return false;
    uint64_t size = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long end = std::ftell(f);
        if (end > 0) size = static_cast<uint64_t>(end);
    }
    std::rewind(f);
    const bool ok = ReadRooms(f, size);
    file->Close(f);
    if (!ok) {
        // A damaged file gives a level without walkers, as a missing one does.
        DebugLog("Enemy file %s is shorter than its counts: no walkers\n", name ? name : "");
        ReleaseRooms();
        return false;
    }
    m_uWalkersInUse = 0;
    m_bLoaded = 1;
    return true;
}

bool EnemyManager::ReadRooms(FILE* f, uint64_t size) {
    FieldReader in(f, size);
    uint32_t roomCount = 0;
    if (!in.U32(roomCount) || !in.Skip(4)) return false;
    if (!in.Has(uint64_t(roomCount) * ROOM_RECORD_SIZE)) return false;
    m_pRooms = AllocZeroed<RoomEnemyData>(roomCount, "ROOM NME");
    if (!m_pRooms) return false;
    m_uRoomCount = roomCount;
    for (uint32_t r = 0; r < roomCount; ++r) {
        RoomEnemyData& room = m_pRooms[r];
        uint32_t nPaths = 0;
        if (!in.U32(nPaths) || !in.Skip(8)) return false;
        if (!in.Has(uint64_t(nPaths) * (PROPERTY_RECORD_SIZE + PATH_RECORD_SIZE))) return false;
        room.pProps = AllocZeroed<uint8_t>(uint64_t(nPaths) * PROPERTY_RECORD_SIZE, "NME PROPS");
        room.pPaths = AllocZeroed<EnemyPathData>(nPaths, "NME PATHS");
        if (!room.pProps || !room.pPaths) return false;
        room.nPaths = nPaths;
        for (uint32_t p = 0; p < nPaths; ++p) {
            EnemyPathData& path = room.pPaths[p];
            uint32_t nNodes = 0;
            if (!in.Bytes(room.pProps + p * PROPERTY_RECORD_SIZE, PROPERTY_RECORD_SIZE)) return false;
            if (!in.U32(nNodes) || !in.Skip(4)) return false;
            if (!in.Has(uint64_t(nNodes) * NODE_SIZE)) return false;
            path.pNodes = AllocZeroed<EnemyPathNode>(nNodes, "NME PNODES");
            if (!path.pNodes) return false;
            path.nNodes = nNodes;
            for (uint32_t k = 0; k < nNodes; ++k)
                if (!in.F32(path.pNodes[k].x) || !in.F32(path.pNodes[k].z)) return false;
        }
    }
    return true;
}

// Reserved words and property records are written as 0.
bool EnemyManager::Save(const char* name) {
    std::vector<uint8_t> out;
    PutU32(out, m_pRooms ? m_uRoomCount : 0);
    PutU32(out, 0);
    for (uint32_t r = 0; m_pRooms && r < m_uRoomCount; ++r) {
        const RoomEnemyData& room = m_pRooms[r];
        PutU32(out, room.nPaths);
        PutU32(out, 0);
        PutU32(out, 0);
        for (uint32_t p = 0; p < room.nPaths; ++p) {
            const EnemyPathData& path = room.pPaths[p];
            out.insert(out.end(), PROPERTY_RECORD_SIZE, 0);
            PutU32(out, path.nNodes);
            PutU32(out, 0);
            for (uint32_t k = 0; k < path.nNodes; ++k) {
                PutF32(out, path.pNodes[k].x);
                PutF32(out, path.pNodes[k].z);
            }
        }
    }
    return GetFile()->SaveFile(name, out.data(), static_cast<uint32_t>(out.size()));
}

void EnemyManager::FreeRoom(RoomEnemyData& room) {
    for (uint32_t p = 0; room.pPaths && p < room.nPaths; ++p) MemoryController::Free(&room.pPaths[p].pNodes);
    MemoryController::Free(&room.pProps);
    MemoryController::Free(&room.pPaths);
    room.nPaths = 0;
}

void EnemyManager::ReleaseRooms() {
    for (uint32_t r = 0; m_pRooms && r < m_uRoomCount; ++r) FreeRoom(m_pRooms[r]);
    MemoryController::Free(&m_pRooms);
    m_uRoomCount = 0;
}

void EnemyManager::Free() {
    if (!m_bLoaded) return;
    ReleaseRooms();
    m_uWalkersInUse = 0;
    for (Enemy& w : m_Walkers) w.Deactivate();
    m_bLoaded = 0;
}

// Only the first six paths of a room get walkers; the rest stay in the data.
// A walker that was never activated (a path begun in the editor) forgets its
// points too, so that they are not added twice.
void EnemyManager::SetRoom(uint32_t r) {
    for (Enemy& w : m_Walkers) {
        w.Deactivate();
        w.GetPath()->Clear();
    }
    const RoomEnemyData* room = m_bLoaded ? GetRoomData(r) : nullptr;
    if (!room) {
        m_uWalkersInUse = 0;
        return;
    }
    m_uWalkersInUse = std::min(room->nPaths, MAX_WALKERS);
    for (uint32_t i = 0; i < m_uWalkersInUse; ++i) {
        const EnemyPathData& path = room->pPaths[i];
        for (uint32_t k = 0; k < path.nNodes; ++k)
            m_Walkers[i].GetPath()->AddPoint(PathPoint{path.pNodes[k].x, path.pNodes[k].z, 0, 0, 0, 0}, false);
        m_Walkers[i].Activate();
    }
}

void EnemyManager::Start() {
    SetRoom(0);
    for (uint32_t i = 0; i < m_uWalkersInUse; ++i) m_Walkers[i].Activate();
}

void EnemyManager::Stop() {
    for (uint32_t i = 0; i < m_uWalkersInUse; ++i) m_Walkers[i].Deactivate();
}

void EnemyManager::Freeze(bool frozen) {
    for (Enemy& w : m_Walkers) {
        w.SetFrozen(frozen);
        w.Freeze(frozen);
    }
}

uint32_t EnemyManager::AddPath() {
    if (m_uWalkersInUse >= MAX_WALKERS) return MAX_WALKERS;
    return m_uWalkersInUse++;
}

bool EnemyManager::ResizeRooms(uint32_t count) {
    if (m_pRooms && count == m_uRoomCount) return true;
    RoomEnemyData* rooms = AllocZeroed<RoomEnemyData>(count, "ROOM NME");
    if (!rooms) return false;
    for (uint32_t r = 0; m_pRooms && r < m_uRoomCount; ++r) {
        if (r < count) rooms[r] = m_pRooms[r];
        else FreeRoom(m_pRooms[r]);
    }
    MemoryController::Free(&m_pRooms);
    m_pRooms = rooms;
    m_uRoomCount = count;
    return true;
}

// The table follows the level's room count, and always holds room r.
void EnemyManager::BuildRoom(uint32_t r) {
    const uint32_t count = std::max(GetLevel()->GetRoomCount(), r + 1);
    if (r == UINT32_MAX || !ResizeRooms(count)) {
        TrapError(__FILE__, __LINE__, "Cannot build the enemy room");
        return;
    }
    RoomEnemyData& room = m_pRooms[r];
    FreeRoom(room);
    const uint32_t nPaths = std::min(m_uWalkersInUse, MAX_WALKERS);
    room.pProps = AllocZeroed<uint8_t>(uint64_t(nPaths) * PROPERTY_RECORD_SIZE, "NME PROPS");
    room.pPaths = AllocZeroed<EnemyPathData>(nPaths, "NME PATHS");
    if (room.pProps && room.pPaths) {
        room.nPaths = nPaths;
        for (uint32_t i = 0; i < nPaths; ++i) {
            const PatrolPath* source = m_Walkers[i].GetPath();
            EnemyPathData& path = room.pPaths[i];
            const uint32_t n = source->GetRawCount();
            path.pNodes = AllocZeroed<EnemyPathNode>(n, "NME PNODES");
            if (!path.pNodes) continue;
            path.nNodes = n;
            for (uint32_t k = 0; k < n; ++k) {
                const PathPoint* p = source->GetPoint(k);
                path.pNodes[k] = {p->x, p->z};
            }
        }
    }
    m_bLoaded = 1;
}

void EnemyManager::DrawPath(uint32_t i) {
    if (i >= m_uWalkersInUse || i >= MAX_WALKERS) return;
    const PatrolPath* path = m_Walkers[i].GetPath();
    const uint32_t n = path->GetCount();
    if (n == 0) return;
    Renderer* renderer = GetRenderer();
    for (uint32_t k = 0; k + 1 < n; ++k) {
        const PathPoint* a = path->GetPoint(k);
        const PathPoint* b = path->GetPoint(k + 1);
        const Vec3 from(a->x, kPathLineHeight, a->z), to(b->x, kPathLineHeight, b->z);
        renderer->AddDebugLine(&from, &to, kWhite, kWhite);
    }
    for (uint32_t k = 0; k < n; ++k) {
        const PathPoint* p = path->GetPoint(k);
        const Vec3 centre(p->x, kPathLineHeight, p->z);
        const Vec3 ends[6] = {
            Vec3(p->x + kMarkerSize, kPathLineHeight, p->z), Vec3(p->x - kMarkerSize, kPathLineHeight, p->z),
            Vec3(p->x, kPathLineHeight, p->z + kMarkerSize), Vec3(p->x, kPathLineHeight, p->z - kMarkerSize),
            Vec3(p->x, kPathLineHeight - kMarkerSize, p->z), Vec3(p->x, kPathLineHeight + kMarkerSize, p->z),
        };
        for (const Vec3& end : ends) renderer->AddDebugLine(&centre, &end, kWhite, 0);
    }
}

EnemyManager* GetEnemyManager() {
    static EnemyManager manager;
    return &manager;
}
