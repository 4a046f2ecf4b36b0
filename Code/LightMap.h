// Baked lighting of the room surfaces: the lighting of one sample point, the
// whole-map blur, and the cache of computed maps as TGA pictures on disk, each
// with a record of the level content it was baked from.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>
#include "LightMapWorkers.h"
#include "d3d8.h"
#include "quilmath.h"

class DetailObject;
struct COLL_PLANE;

// Lights one sample point of a surface (ARGB texel, alpha 0xFF).
class LightSampler {
public:
    virtual ~LightSampler() = default;
    virtual uint32_t CalcLight(const Vec3& position, const Vec3& normal) const = 0;
};

// The level's lights, walls and props as one room's bake sees them, prepared
// once: for every light the props within its reach, with the light's position
// in each prop's space. Sampling only reads, so rows may be baked on many threads.
class LightBake : public LightSampler {
public:
    explicit LightBake(uint32_t room);
    uint32_t CalcLight(const Vec3& position, const Vec3& normal) const override;
    // Identifies what the bake is made from: room, walls, props, lights, shadows on or off.
    uint64_t GetContentKey() const { return m_uKey; }

private:
    struct Blocker {
        const DetailObject* prop;
        Vec3 localLight;  // the light in the prop's space
        Vec3 centre;      // in the world, with the squared distance from it
        float reachSq;    // beyond which no segment meets the prop
        uint32_t firstPlane, planeCount;  // the planes that face the light
    };
    struct Light {
        Vec3 position;
        float radius;
        float reachSq;  // beyond it a sample is surely out of reach
        float r, g, b;
        uint32_t firstBlocker, blockerCount;
    };
    uint32_t m_uRoom;
    bool m_bShadows;
    float m_fCell;
    float m_fAmbient[3];
    std::vector<Light> m_Lights;
    std::vector<Blocker> m_Blockers;
    std::vector<const COLL_PLANE*> m_Planes;
    uint64_t m_uKey;
};

class LightMap {
public:
    enum { MAP_SIZE = 256 };
    // Surface numbers, part of the cache file name.
    enum { SURFACE_CEIL = 0, SURFACE_FLOOR = 1, SURFACE_WALLS = 2 };
    // The cache file: an 18-byte uncompressed true-colour TGA header, then
    // blue, green, red per texel, row 0 first.
    enum { HEADER_SIZE = 18, FILE_SIZE = HEADER_SIZE + MAP_SIZE * MAP_SIZE * 3 };
    // The record beside it: "FWLK", version, content key, hash of the map file.
    enum { RECORD_SIZE = 24 };
    enum { NAME_LENGTH = 64 };

    // The lighting of one sample point of the current room (ARGB, alpha 0xFF),
    // from a bake prepared for this point alone: surfaces that light many
    // points prepare one LightBake and sample it.
    uint32_t CalcLight(const Vec3& position, const Vec3& normal);
    // Softens a whole map in place; the border rows and columns stay.
    void Blur(uint32_t* texels, uint32_t width, uint32_t height);
    // One Blur pass that calls ready(y) before it reads texel row y + 1 (and before it first
    // reads rows 0 and 1, with y = 1) and done(y) once row y is written, for rows y = 1 .. height - 2;
    // so that the passes of one map may run on several threads, each a few rows behind the other.
    static void BlurPass(uint32_t* texels, uint32_t width, uint32_t height, const std::function<void(uint32_t)>& ready,
                         const std::function<void(uint32_t)>& done);

    // True when a well-formed cache file of a 256 x 256 map exists for this surface.
    bool Exists(uint32_t level, uint32_t room, uint32_t surface);
    // True when the cache file exists, is the one its record names and was baked
    // from content with this key; then, when texels is given, the map's 256 x 256
    // texels are put there as Read gives them (the file is read once). Safe on any
    // thread, as Read is.
    bool IsCurrent(uint32_t level, uint32_t room, uint32_t surface, uint64_t key, uint32_t* texels = nullptr);
    // The cached map as a mip-mapped texture; null when there is no usable file or device.
    IDirect3DTexture8* Load(uint32_t level, uint32_t room, uint32_t surface);
    // The mip chain Load makes of a map, from its texels in memory (any thread).
    static bool BuildMips(const uint32_t* texels, std::vector<std::vector<uint32_t>>* levels);
    // A texture of the levels BuildMips made: what Load gives for the saved map, without
    // reading it back. Null when there is no device or the texture cannot be filled.
    IDirect3DTexture8* CreateTexture(const std::vector<std::vector<uint32_t>>& levels);
    // Writes the map and its record, each to a new file that replaces the old
    // only when complete. A failure leaves neither (the first of a run is
    // reported, later ones logged) and returns false.
    bool Save(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
              uint32_t height, uint64_t key);
    // Save's writing, without the report: safe on any thread (one surface per thread).
    bool Write(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
               uint32_t height, uint64_t key);
    // Save's report of a failed write of the named map.
    void ReportSaveFailure(const char* name);
    // Reads the cache file of a width x height map into texels (alpha 0xFF);
    // false, texels untouched, when the file is missing, short, long or not such a map.
    bool Read(uint32_t level, uint32_t room, uint32_t surface, uint32_t* texels, uint32_t width,
              uint32_t height);

    // The cache file name of a surface, formatted into the shared name buffer.
    const char* FileName(uint32_t level, uint32_t room, uint32_t surface);

    // Workers a bake spreads its jobs over (the cores, unless set; at least 1).
    uint32_t GetThreadCount() const;
    void SetThreadCount(uint32_t threads) { m_uThreads = threads; }
    // Runs the chains side by side on the workers (see LightMapWorkers); each
    // job must write texels of its own only.
    void Bake(const std::vector<BakeChain>& chains) { m_Workers.Run(chains, GetThreadCount()); }
    LightMapWorkers& GetWorkers() { return m_Workers; }

private:
    char m_szName[NAME_LENGTH] = {};
    uint32_t m_uThreads = 0;
    bool m_bSaveFailureShown = false;
    LightMapWorkers m_Workers;
};

LightMap* GetLightMap();
