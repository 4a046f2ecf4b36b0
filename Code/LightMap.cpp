// Baked surface lighting: per-point lighting from the level's lights with wall
// and prop shadows, the blur, and the TGA cache of computed maps.
#include "LightMap.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include "Level.h"
#include "LevelRenderer.h"
#include "LightMan.h"
#include "d3dx8tex.h"
#include <cstring>
#include "quil_bytes.h"
#include "quil_d3dx_mips.h"
#include "quil_path.h"
#include "quil_save.h"
#include "renderdevice.h"
#include "trap.h"

namespace {
// TGA header values of a cache file.
const uint8_t TGA_TRUECOLOUR = 2;
const uint8_t TGA_DEPTH = 24;
const uint8_t TGA_TOP_LEFT = 0x20;
const uint32_t MAX_TGA_EDGE = 0xFFFF;

uint32_t Channel(uint32_t texel, int shift) { return (texel >> shift) & 0xFFu; }

// A light channel (0..1 and beyond) as an 8-bit value; above 1 saturates.
uint32_t ToByte(float v) { return v > 1.0f ? 255u : static_cast<uint32_t>(v * 255.0f); }

float Unit(uint32_t colour, int shift) { return static_cast<float>(Channel(colour, shift)) / 255.0f; }

// 64-bit FNV-1a over the values it is fed, byte by byte, little-endian.
class ContentHash {
public:
    void Bytes(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) m_h = (m_h ^ p[i]) * 0x100000001B3ull;
    }
    void U32(uint32_t v) {
        uint8_t b[4];
        quil_platform::WriteLe32(b, v);
        Bytes(b, 4);
    }
    void F32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof(bits));
        U32(bits);
    }
    uint64_t Value() const { return m_h; }

private:
    uint64_t m_h = 0xCBF29CE484222325ull;
};

// The cache file of (level, room, surface).
const char* const NAME_FORMAT = "gfx\\lightmaps\\LMP%02u%1u%1u.tga";

// That name in a buffer of its own, for the readers and the writer that may run
// on several threads at once (FileName shares one buffer).
struct CacheName {
    char text[LightMap::NAME_LENGTH];
    CacheName(uint32_t level, uint32_t room, uint32_t surface) {
        std::snprintf(text, sizeof(text), NAME_FORMAT, level, room, surface);
    }
};

// Texels (alpha 0xFF) of the file's blue, green, red pixels.
void DecodePixels(const uint8_t* px, size_t count, uint32_t* texels) {
    for (size_t i = 0; i < count; ++i, px += 3)
        texels[i] = 0xFF000000u | (static_cast<uint32_t>(px[2]) << 16) | (static_cast<uint32_t>(px[1]) << 8) | px[0];
}

// How the loaded maps' mip levels are made.
const DWORD MIP_FILTER = D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR;

const uint8_t RECORD_MAGIC[4] = {'F', 'W', 'L', 'K'};
const uint32_t RECORD_VERSION = 1;

// The record's name: the map's name with ".key" for ".tga".
std::string RecordPath(const char* mapName) {
    std::string path = quil_platform::ResolvePath(mapName);
    return path.substr(0, path.size() - 4) + ".key";
}

// Writes bytes through a scratch file renamed over path once complete; a
// failure leaves no scratch file and the old file as it was.
bool ReplaceFileWith(const std::string& path, const std::vector<uint8_t>& bytes) {
    return quil_platform::ReplaceFile(path, bytes.data(), bytes.size());
}

// The 18-byte header of an uncompressed, top-left-origin, 24-bit picture.
void FillHeader(uint8_t* h, uint32_t width, uint32_t height) {
    for (int i = 0; i < LightMap::HEADER_SIZE; ++i) h[i] = 0;
    h[0] = 0;               // ID length
    h[1] = 0;               // colour map type
    h[2] = TGA_TRUECOLOUR;  // image type
    // bytes 3..7: the colour map fields, 8..11: x and y origin, all 0
    quil_platform::WriteLe16(h + 12, width);
    quil_platform::WriteLe16(h + 14, height);
    h[16] = TGA_DEPTH;
    h[17] = TGA_TOP_LEFT;
}

// Opens a cache file for reading when it holds exactly a width x height picture
// in the layout Save writes; the stream is left at the first pixel.
FILE* OpenCache(const char* name, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || width > MAX_TGA_EDGE || height > MAX_TGA_EDGE) return nullptr;
    FILE* f = quil_platform::OpenFile(name, "rb");
    if (!f) return nullptr;
    const long expected = static_cast<long>(LightMap::HEADER_SIZE) + static_cast<long>(width) * height * 3;
    uint8_t header[LightMap::HEADER_SIZE];
    uint8_t want[LightMap::HEADER_SIZE];
    FillHeader(want, width, height);
    bool ok = std::fseek(f, 0, SEEK_END) == 0 && std::ftell(f) == expected && std::fseek(f, 0, SEEK_SET) == 0 &&
              std::fread(header, 1, sizeof(header), f) == sizeof(header);
    for (int i = 0; ok && i < LightMap::HEADER_SIZE; ++i) ok = header[i] == want[i];
    if (!ok) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

// How far from the collision mesh's centre a segment can meet one of its
// triangles: every hit lies in the sphere of its plane.
float MeshReach(const CollisionMesh* mesh) {
    float reach = 0.0f;
    for (const COLL_PLANE* plane = mesh->GetPlaneList(); plane; plane = plane->pNext) {
        Vec3 d = plane->centre;
        d -= *mesh->GetCentre();
        reach = std::max(reach, std::sqrt(d.Dot(d)) + std::sqrt(plane->radiusSq));
    }
    return reach;
}

// Whether the segment from a to b passes within the squared distance reachSq of centre.
bool SegmentNear(const Vec3& a, const Vec3& b, const Vec3& centre, float reachSq) {
    const Vec3 v(b.x - a.x, b.y - a.y, b.z - a.z);
    const Vec3 w(centre.x - a.x, centre.y - a.y, centre.z - a.z);
    const float vv = v.Dot(v);
    float t = vv > 0.0f ? w.Dot(v) / vv : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    const Vec3 gap(w.x - v.x * t, w.y - v.y * t, w.z - v.z * t);
    return gap.Dot(gap) <= reachSq;
}

}  // namespace

LightMap* GetLightMap() {
    static LightMap lightMap;
    return &lightMap;
}

const char* LightMap::FileName(uint32_t level, uint32_t room, uint32_t surface) {
    std::snprintf(m_szName, sizeof(m_szName), NAME_FORMAT, level, room, surface);
    return m_szName;
}

LightBake::LightBake(uint32_t room) : m_uRoom(room) {
    Level* level = GetLevel();
    LightMan* lights = GetLightMan();
    m_fCell = level->GetCellSize();
    // Walls and props cast shadows only in a loaded level.
    m_bShadows = level->IsLoaded();
    const uint32_t ambient = lights->GetAmbient();
    for (int i = 0; i < 3; ++i) m_fAmbient[i] = Unit(ambient, 16 - 8 * i);

    ContentHash key;
    key.U32(RECORD_VERSION);
    key.U32(room);
    key.U32(m_bShadows ? 1u : 0u);
    key.U32(ambient);
    if (const Room* r = level->GetRoom(room)) {
        for (const Node& node : r->nodes) {
            key.Bytes(node.walls, sizeof(node.walls));
            key.U32(uint32_t(node.floorTile) | uint32_t(node.ceilTile) << 8);
        }
    }
    LevelRenderer* props = level->GetLevelRenderer();
    const uint32_t propCount = props->GetCount();
    for (uint32_t j = 0; j < propCount; ++j) {
        const DetailObject* prop = props->GetObject(j);
        key.U32(prop->GetType() ? static_cast<uint32_t>(prop->GetType()->GetTypeIndex()) : 0xFFFFFFFFu);
        for (const auto& row : prop->GetMatrix()->m)
            for (float f : row) key.F32(f);
    }

    for (uint32_t i = 0; i < lights->GetCount(); ++i) {
        const LightDesc& d = lights->GetLight(i)->desc;
        key.F32(d.x);
        key.F32(d.y);
        key.F32(d.z);
        key.F32(d.radius);
        key.U32(d.colour & 0xFFFFFFu);
        Light light;
        light.position = Vec3(d.x, d.y, d.z);
        light.radius = d.radius;
        // Generous: the exact range test follows for the samples inside it.
        light.reachSq = d.radius * d.radius * 1.001f;
        light.r = Unit(d.colour, 16);
        light.g = Unit(d.colour, 8);
        light.b = Unit(d.colour, 0);
        light.firstBlocker = static_cast<uint32_t>(m_Blockers.size());
        for (uint32_t j = 0; m_bShadows && j < propCount; ++j) {
            const DetailObject* prop = props->GetObject(j);
            if (!prop->GetType()) continue;
            const CollisionMesh* mesh = prop->GetType()->GetCollisionMesh();
            if (mesh->GetRadiusSq() <= 0.001f || !mesh->GetPlaneList()) continue;  // meets no segment
            Vec3 local;
            mat_TransformPoint(&light.position, prop->GetInverseMatrix(), &local);
            Vec3 apart = local;
            apart -= *mesh->GetCentre();
            // A lit sample is nearer the light than its radius, so a prop
            // farther than that (with room for rounding) shadows none.
            const float reach = MeshReach(mesh);
            if (std::sqrt(apart.Dot(apart)) > reach + d.radius * 1.01f + 1.0f) continue;
            Vec3 centre;
            mat_TransformPoint(mesh->GetCentre(), prop->GetMatrix(), &centre);
            const float widened = reach * 1.01f + 1.0f;  // room for rounding
            const uint32_t firstPlane = static_cast<uint32_t>(m_Planes.size());
            for (const COLL_PLANE* plane = mesh->GetPlaneList(); plane; plane = plane->pNext)
                if (CollisionMesh::FacesPoint(plane, local)) m_Planes.push_back(plane);
            const uint32_t planeCount = static_cast<uint32_t>(m_Planes.size()) - firstPlane;
            if (planeCount == 0) continue;
            m_Blockers.push_back({prop, local, centre, widened * widened, firstPlane, planeCount});
        }
        light.blockerCount = static_cast<uint32_t>(m_Blockers.size()) - light.firstBlocker;
        m_Lights.push_back(light);
    }
    m_uKey = key.Value();
}

// Ambient plus every light that faces the point, reaches it and is not
// shadowed by a wall or a prop, fading linearly with distance.
uint32_t LightBake::CalcLight(const Vec3& p, const Vec3& n) const {
    const Level* level = GetLevel();
    float r = m_fAmbient[0], g = m_fAmbient[1], b = m_fAmbient[2];
    for (const Light& d : m_Lights) {
        // The sample lies in the frame raised by one cell in z; so does the light.
        Vec3 L(d.position.x - p.x, d.position.y - p.y, d.position.z + m_fCell - p.z);
        if (!(L.x * L.x + L.y * L.y + L.z * L.z < d.reachSq)) continue;
        const float dist = Vec3::Normalise(L);
        if (!(n.Dot(L) > 0.01f)) continue;
        if (!(dist < d.radius)) continue;
        const float f = 1.0f - dist / d.radius;
        if (!(f > 0.0f)) continue;
        if (m_bShadows) {
            if (level->WallBetween(d.position, p, m_uRoom, nullptr)) continue;
            const Vec3 end(p.x, p.y, p.z - m_fCell);
            bool shadowed = false;
            for (uint32_t k = 0; k < d.blockerCount && !shadowed; ++k) {
                const Blocker& blocker = m_Blockers[d.firstBlocker + k];
                shadowed = SegmentNear(d.position, end, blocker.centre, blocker.reachSq) &&
                           blocker.prop->LineTestFrom(blocker.localLight, end, &m_Planes[blocker.firstPlane],
                                                      blocker.planeCount);
            }
            if (shadowed) continue;
        }
        r += d.r * f;
        g += d.g * f;
        b += d.b * f;
    }
    return 0xFF000000u | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

void LightMap::Blur(uint32_t* texels, uint32_t width, uint32_t height) {
    BlurPass(texels, width, height, [](uint32_t) {}, [](uint32_t) {});
}

// In place, row by row: a texel sees the new values above and to its left and
// the old ones below and to its right. Each channel's sixth is taken once per
// value and the three are added packed: five terms of at most 42 never carry
// into the next channel, nor reach the 255 limit.
void LightMap::BlurPass(uint32_t* texels, uint32_t width, uint32_t height, const std::function<void(uint32_t)>& ready,
                        const std::function<void(uint32_t)>& done) {
    if (!texels || width < 3 || height < 3) return;
    const size_t w = width;
    auto sixths = [](uint32_t t) { return (Channel(t, 16) / 6) << 16 | (Channel(t, 8) / 6) << 8 | Channel(t, 0) / 6; };
    std::vector<uint32_t> above(w), row(w), below(w);
    ready(1);
    for (size_t x = 0; x < w; ++x) {
        above[x] = sixths(texels[x]);
        row[x] = sixths(texels[w + x]);
    }
    for (size_t y = 1; y + 1 < height; ++y) {
        uint32_t* t = texels + y * w;
        ready(static_cast<uint32_t>(y));
        for (size_t x = 0; x < w; ++x) below[x] = sixths(t[w + x]);
        for (size_t x = 1; x + 1 < w; ++x) {
            t[x] = 0xFF000000u | (2 * row[x] + above[x] + row[x - 1] + row[x + 1] + below[x]);
            row[x] = sixths(t[x]);  // the next texel's left, the next row's above
        }
        done(static_cast<uint32_t>(y));
        std::swap(above, row);
        std::swap(row, below);
    }
}

bool LightMap::Exists(uint32_t level, uint32_t room, uint32_t surface) {
    FILE* f = OpenCache(FileName(level, room, surface), MAP_SIZE, MAP_SIZE);
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool LightMap::IsCurrent(uint32_t level, uint32_t room, uint32_t surface, uint64_t key, uint32_t* texels) {
    const CacheName name(level, room, surface);
    FILE* f = OpenCache(name.text, MAP_SIZE, MAP_SIZE);
    if (!f) return false;
    std::vector<uint8_t> bytes(FILE_SIZE);
    const bool read = std::fseek(f, 0, SEEK_SET) == 0 && std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    FILE* r = read ? std::fopen(RecordPath(name.text).c_str(), "rb") : nullptr;
    if (!r) return false;
    uint8_t record[RECORD_SIZE + 1];
    const bool complete = std::fread(record, 1, sizeof(record), r) == RECORD_SIZE;
    std::fclose(r);
    ContentHash file;
    file.Bytes(bytes.data(), bytes.size());
    auto u64 = [&](int at) { return uint64_t(quil_platform::ReadLe32(record + at)) | uint64_t(quil_platform::ReadLe32(record + at + 4)) << 32; };
    const bool current = complete && std::memcmp(record, RECORD_MAGIC, 4) == 0 &&
                         quil_platform::ReadLe32(record + 4) == RECORD_VERSION && u64(8) == key &&
                         u64(16) == file.Value();
    if (current && texels) DecodePixels(bytes.data() + HEADER_SIZE, size_t(MAP_SIZE) * MAP_SIZE, texels);
    return current;
}

bool LightMap::Read(uint32_t level, uint32_t room, uint32_t surface, uint32_t* texels, uint32_t width,
                    uint32_t height) {
    if (!texels) return false;
    FILE* f = OpenCache(CacheName(level, room, surface).text, width, height);
    if (!f) return false;
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<uint8_t> pixels(count * 3);
    const bool ok = std::fread(pixels.data(), 1, pixels.size(), f) == pixels.size();
    std::fclose(f);
    if (!ok) return false;
    DecodePixels(pixels.data(), count, texels);
    return true;
}

IDirect3DTexture8* LightMap::Load(uint32_t level, uint32_t room, uint32_t surface) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device || !Exists(level, room, surface)) return nullptr;
    const std::string path = quil_platform::ResolvePath(m_szName);
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileExA(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                    D3DFMT_UNKNOWN, D3DPOOL_MANAGED, MIP_FILTER, MIP_FILTER, 0,
                                                    nullptr, nullptr, &texture);
    if (FAILED(hr)) return nullptr;
    return texture;
}

// The saved file is a 24-bit picture, which the loader turns into X8R8G8B8 texels.
bool LightMap::BuildMips(const uint32_t* texels, std::vector<std::vector<uint32_t>>* levels) {
    return quil_d3dx::BuildMipChain(texels, MAP_SIZE, MAP_SIZE, 0, MIP_FILTER, D3DFMT_X8R8G8B8, levels);
}

IDirect3DTexture8* LightMap::CreateTexture(const std::vector<std::vector<uint32_t>>& levels) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device || levels.empty()) return nullptr;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(D3DXCreateTexture(device, MAP_SIZE, MAP_SIZE, static_cast<UINT>(levels.size()), 0, D3DFMT_X8R8G8B8,
                                 D3DPOOL_MANAGED, &texture)) ||
        !texture)
        return nullptr;
    bool ok = texture->GetLevelCount() == levels.size();
    for (DWORD i = 0; ok && i < levels.size(); ++i) {
        const uint32_t size = std::max<uint32_t>(MAP_SIZE >> i, 1u);
        D3DLOCKED_RECT locked;
        ok = levels[i].size() == size_t(size) * size && SUCCEEDED(texture->LockRect(i, &locked, nullptr, 0)) &&
             locked.pBits;
        if (!ok) break;
        for (uint32_t y = 0; y < size; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, &levels[i][size_t(y) * size],
                        size * sizeof(uint32_t));
        ok = SUCCEEDED(texture->UnlockRect(i));
    }
    if (ok) return texture;
    texture->Release();
    return nullptr;
}

bool LightMap::Save(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
                    uint32_t height, uint64_t key) {
    const char* name = FileName(level, room, surface);
    if (Write(level, room, surface, texels, width, height, key)) return true;
    ReportSaveFailure(name);
    return false;
}

bool LightMap::Write(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
                     uint32_t height, uint64_t key) {
    const CacheName name(level, room, surface);
    const std::string path = quil_platform::ResolvePath(name.text);
    const std::string recordPath = RecordPath(name.text);
    if (!texels || width == 0 || height == 0 || width > MAX_TGA_EDGE || height > MAX_TGA_EDGE) return false;
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<uint8_t> block(HEADER_SIZE + count * 3);
    FillHeader(block.data(), width, height);
    uint8_t* px = block.data() + HEADER_SIZE;
    for (size_t i = 0; i < count; ++i) {
        px[i * 3 + 0] = static_cast<uint8_t>(Channel(texels[i], 0));
        px[i * 3 + 1] = static_cast<uint8_t>(Channel(texels[i], 8));
        px[i * 3 + 2] = static_cast<uint8_t>(Channel(texels[i], 16));
    }
    ContentHash file;
    file.Bytes(block.data(), block.size());
    std::vector<uint8_t> record(RECORD_SIZE);
    std::memcpy(record.data(), RECORD_MAGIC, 4);
    quil_platform::WriteLe32(&record[4], RECORD_VERSION);
    quil_platform::WriteLe32(&record[8], static_cast<uint32_t>(key));
    quil_platform::WriteLe32(&record[12], static_cast<uint32_t>(key >> 32));
    quil_platform::WriteLe32(&record[16], static_cast<uint32_t>(file.Value()));
    quil_platform::WriteLe32(&record[20], static_cast<uint32_t>(file.Value() >> 32));
    // The old record first: a map without its record is baked again.
    std::remove(recordPath.c_str());
    return ReplaceFileWith(path, block) && ReplaceFileWith(recordPath, record);
}

void LightMap::ReportSaveFailure(const char* name) {
    // A read-only folder fails every save: the maps are kept in memory, and the
    // player hears of it once a run.
    if (!m_bSaveFailureShown) {
        m_bSaveFailureShown = true;
        TrapError(__FILE__, __LINE__, "Could not save lightmap!");
    } else {
        DebugLog("Could not save lightmap %s\n", name);
    }
}

uint32_t LightMap::GetThreadCount() const {
    if (m_uThreads != 0) return m_uThreads;
    return std::min(LightMapWorkers::CoresAvailable(), 64u);
}

uint32_t LightMap::CalcLight(const Vec3& position, const Vec3& normal) {
    return LightBake(GetLevel()->GetCurrentRoom()).CalcLight(position, normal);
}
