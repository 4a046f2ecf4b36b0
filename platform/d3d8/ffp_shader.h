// Keys of the fixed-function state and the GLSL programs generated from them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include "d3d8types.h"

namespace quil_d3d8 {

// Texture stages the generated fragment shaders handle.
constexpr int kFsStages = 4;
// Lights the generated vertex shaders handle at once.
constexpr int kMaxLights = 8;

// The vertex-side fixed-function state that changes the generated code.
// Always zeroed before it is filled, so that whole keys compare and hash as bytes.
struct FfpVsKey {
    uint8_t rhw, hasNormal, hasDiffuse, hasSpecular;
    uint8_t texCount;
    uint8_t texSize[8];
    uint8_t lighting, colorVertex, specularEnable, localViewer, normalize;
    uint8_t diffuseSrc, ambientSrc, specularSrc, emissiveSrc;
    uint8_t lightCount;
    uint8_t lightType[kMaxLights];
    uint8_t fogMode;  // D3DFOG_*: how the fog factor is computed
    uint8_t rangeFog;
    uint8_t texIndex[kFsStages];
    FfpVsKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const FfpVsKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};

// One texture stage as the fragment shader sees it.
struct FsStageKey {
    uint8_t colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2, hasTexture, pad;
};

// The pixel-side state that changes the generated code (zeroed like FfpVsKey).
struct FsKey {
    FsStageKey stage[kFsStages];
    uint8_t alphaFunc;  // 0: alpha test off, else D3DCMP_*
    uint8_t fog;        // fog blended in
    uint8_t specular;   // specular colour added
    uint8_t pad;
    FsKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const FsKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};

// FNV-1a over the bytes of a key.
size_t HashBytes(const void* data, size_t size);

struct FfpVsKeyHash { size_t operator()(const FfpVsKey& k) const { return HashBytes(&k, sizeof(k)); } };
struct FsKeyHash { size_t operator()(const FsKey& k) const { return HashBytes(&k, sizeof(k)); } };

// Fills the vertex key from an FVF code and the device's render and texture-stage states.
void BuildFfpVsKey(DWORD fvf, const DWORD* renderStates, const DWORD (*stageStates)[QUIL_D3DTSS_COUNT],
                   const uint8_t* enabledLightTypes, int lightCount, FfpVsKey* key);
// Fills the fragment key from the render and texture-stage states and which stages have a texture.
void BuildFsKey(const DWORD* renderStates, const DWORD (*stageStates)[QUIL_D3DTSS_COUNT], const bool* stageHasTexture,
                FsKey* key);

// GLSL 3.30 source of the fixed-function vertex shader for a key.
std::string GenerateFfpVertexShader(const FfpVsKey& key);
// GLSL 3.30 source of the fragment shader for a key.
std::string GenerateFragmentShader(const FsKey& key);

// Attribute locations of FVF vertex components (D3DVSDE_* register numbers).
constexpr int kAttrPosition = 0, kAttrBlendWeight = 1, kAttrNormal = 3, kAttrDiffuse = 5, kAttrSpecular = 6,
              kAttrTex0 = 7;

// The interface between every vertex shader and the fragment shader.
extern const char* const kVaryingsOut;
extern const char* const kPositionFixup;

}  // namespace quil_d3d8
