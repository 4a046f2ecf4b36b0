// The Direct3D 8 device over an OpenGL 3.3 core context.
#pragma once
#include <SDL.h>
#include <epoxy/gl.h>

#include <bitset>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "d3d8.h"
#include "ffp_shader.h"
#include "quil_automation_d3d.h"
#include "gl_state_cache.h"
#include "resources8.h"
#include "vs_translator.h"

namespace quil_d3d8 {

class Direct3D8;

constexpr int kStages = QUIL_D3D_STAGES;
constexpr int kTransformSlots = 14;  // world 0-3, view, projection, texture 0-7

// Where SetCursorPosition puts the pointer, in desktop pixels: in a window x and
// y are desktop coordinates already; in full screen they are back-buffer
// coordinates, and the back buffer is stretched over the whole window.
SDL_Point CursorTarget(bool windowed, int x, int y, const SDL_Rect& window, UINT backBufferWidth,
                       UINT backBufferHeight);
// Whether the pointer must be warped to target: not when it is there already, nor
// again to the place the last warp (lastWarp, null when none) could not reach.
bool CursorWarpNeeded(SDL_Point target, SDL_Point pointer, const SDL_Point* lastWarp);

// Slot of a transform state in DeviceState::transforms, or -1.
int TransformSlot(D3DTRANSFORMSTATETYPE state);

struct LightSlot {
    D3DLIGHT8 light;
    bool enabled = false;
};

struct StreamSlot {
    VertexBuffer8* buffer = nullptr;
    UINT stride = 0;
};

// Everything a state block can hold; also the device's current state.
struct DeviceState {
    DWORD rs[QUIL_D3DRS_COUNT] = {};
    DWORD tss[kStages][QUIL_D3DTSS_COUNT] = {};
    D3DMATRIX transforms[kTransformSlots];
    D3DMATERIAL8 material = {};
    std::map<DWORD, LightSlot> lights;
    D3DVIEWPORT8 viewport = {};
    Texture8* textures[kStages] = {};
    DWORD vertexShader = 0;
    StreamSlot streams[kMaxStreams];
    IndexBuffer8* indices = nullptr;
    UINT baseVertex = 0;
    float vsConst[kVsConstants][4] = {};
};

// Which parts of a DeviceState a state block holds.
struct StateMask {
    std::bitset<QUIL_D3DRS_COUNT> rs;
    std::bitset<QUIL_D3DTSS_COUNT> tss[kStages];
    std::bitset<kTransformSlots> transforms;
    bool material = false, viewport = false, vertexShader = false, indices = false;
    std::bitset<kStages> textures;
    std::bitset<kMaxStreams> streams;
    std::bitset<kVsConstants> vsConst;
    std::map<DWORD, bool> lights;  // index -> light record held (true) or only its enable flag (false)
    std::map<DWORD, bool> lightEnables;
};

struct StateBlock {
    StateMask mask;
    DeviceState values;
    // The mask's set entries, listed when recording ends, so that capture and apply visit
    // only the states the block holds.
    std::vector<uint16_t> rsList, tssList, transformList, constList;  // tssList: stage * 256 + state
    void ListMask();
};

// A created vertex shader: declaration, optional vs.1.1 code and its GL shader.
struct VertexShaderObject {
    VertexDeclaration decl;
    bool fixedFunction = false;  // declaration only: drawn by the fixed-function pipeline
    DWORD pseudoFvf = 0;          // FVF equivalent of a fixed-function declaration
    GLuint glShader = 0;
};

// An attribute read from a stream.
struct VertexAttr {
    int location;
    GLint size;
    GLenum type;
    GLboolean normalized;
    UINT offset;
    int stream;
};

// A linked program and the state it last received.
struct Program {
    GLuint id = 0;
    GLint uWorldView = -1, uWvpFix = -1, uNormalMat = -1, uViewport = -1, uPosFix = -1;
    GLint uMat[4] = {-1, -1, -1, -1};
    GLint uMatPower = -1, uGlobalAmbient = -1, uFogParams = -1;
    GLint uLightPos = -1, uLightDir = -1, uLightDiffuse = -1, uLightSpecular = -1, uLightAmbient = -1,
          uLightAtten = -1;
    GLint uTFactor = -1, uFogColor = -1, uAlphaRef = -1, uC = -1;
    uint64_t seen[7] = {~0ull, ~0ull, ~0ull, ~0ull, ~0ull, ~0ull, ~0ull};
};

class Device8 final : public IDirect3DDevice8 {
public:
    // Creates the device on a window (hwnd may be null when window is given directly).
    static HRESULT Create(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND hwnd, SDL_Window* window,
                          bool ownsWindow, DWORD behavior, D3DPRESENT_PARAMETERS* pp, Device8** out);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT ResourceManagerDiscardBytes(DWORD bytes) override;
    HRESULT GetDirect3D(IDirect3D8** d3d8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface8* cursorBitmap) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    BOOL ShowCursor(BOOL show) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pp) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const void* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** vertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** indexBuffer) override;
    HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** surface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT ValidateDevice(DWORD* numPasses) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* data, UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertexIndices,
                                   UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                   const void* vertexData, UINT stride) override;
    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle, DWORD usage) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT DeleteVertexShader(DWORD handle) override;
    HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT GetVertexShaderConstant(DWORD reg, void* data, DWORD count) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) override;

    // Used by resources and the automation interface.
    void MakeCurrent();
    void ResourceBorn(D3DPOOL pool);
    void ResourceGone(D3DPOOL pool);
    int liveDefaultPoolResources() const { return liveDefault_; }
    void MakeLost();
    bool ReadBackBuffer(int* width, int* height, std::vector<uint8_t>* rgba);
    // Reads the back buffer as 32-bit 0xAARRGGBB rows, top row first.
    bool ReadBackBufferArgb(std::vector<DWORD>* pixels);
    void WriteBackBufferArgb(const std::vector<DWORD>& pixels);
    uint64_t shaderBuilds() const { return shaderBuilds_; }
    uint64_t shaderHits() const { return shaderHits_; }
    const D3DPRESENT_PARAMETERS& presentParameters() const { return pp_; }
    void RecordDraws(quil_automation::DrawLog* log) { drawLog_ = log; }

private:
    Device8(Direct3D8* d3d);
    ~Device8() override;
    HRESULT Init(UINT adapter, D3DDEVTYPE type, HWND hwnd, SDL_Window* window, bool ownsWindow, DWORD behavior,
                 D3DPRESENT_PARAMETERS* pp);
    void SetDefaultStates();
    bool ApplyPresentParameters(D3DPRESENT_PARAMETERS* pp);
    bool CreateFramebuffer();
    void DestroyFramebuffer();

    // State plumbing.
    DeviceState& Target() { return recording_ ? recording_->values : state_; }
    void BindTexture(DeviceState& st, DWORD stage, Texture8* texture);
    void BindStream(DeviceState& st, UINT stream, VertexBuffer8* buffer, UINT stride);
    void BindIndices(DeviceState& st, IndexBuffer8* buffer, UINT base);
    void ReleaseStateRefs(DeviceState& st);
    void CaptureInto(StateBlock& block);
    void ApplyFrom(const StateBlock& block);
    void MarkAllDirty();

    // Drawing.
    enum class StreamSource { Buffers, UserPointer };
    HRESULT PrepareDraw(D3DPRIMITIVETYPE type, UINT primitiveCount, GLenum* mode, GLsizei* count);
    bool FlushState();
    bool SetupVertexInput(GLuint upBuffer, UINT upStride, bool user);
    // True when a triangle whose vertex colours are all black leaves every pixel as it was.
    bool BlackTrianglesAddNothing() const;
    // The runs of an indexed triangle list left once its all-black triangles are dropped,
    // into runCounts_ and runOffsets_; false when none is dropped.
    bool RunsWithoutBlackTriangles(IndexBuffer8* ib, UINT startIndex, UINT count);
    // Counts a change of transform slot (the view moves the lights, kept in camera space).
    void TransformChanged(int slot);
    // The enabled lights in index order; the program's key and the light uniforms change only
    // when the set (or a light's type) really changed since the last draw.
    void RefreshActiveLights();
    Program* CurrentProgram();
    Program* LinkProgram(GLuint vs, GLuint fs);
    void UploadUniforms(Program* p);
    GLuint CompileShader(GLenum kind, const std::string& source);
    GLuint SamplerFor(int stage, const GLint* swizzle);
    UINT StreamUpload(const void* data, UINT size, UINT alignment);
    // Appends the draw just flushed to the benchmark's log (user-pointer bytes copied).
    void LogDraw(GLenum mode, UINT first, UINT count, UINT indexSize, const void* userData, UINT userBytes,
                 UINT userStride);
    bool IsFixedFunction() const;
    DWORD CurrentFvf() const;
    VertexShaderObject* CurrentShader();

    ULONG refs_ = 1;
    Direct3D8* d3d_;
    UINT adapter_ = 0;
    D3DDEVTYPE type_ = D3DDEVTYPE_HAL;
    DWORD behavior_ = 0;
    HWND hwnd_ = nullptr;
    SDL_Window* window_ = nullptr;
    bool ownsWindow_ = false;
    SDL_GLContext gl_ = nullptr;
    D3DPRESENT_PARAMETERS pp_ = {};
    bool hasDepth_ = false;
    bool inScene_ = false;
    bool lost_ = false;
    bool lostReportPending_ = false;
    int liveDefault_ = 0;

    GLuint fbo_ = 0, colorTex_ = 0, depthRb_ = 0;
    GLuint vao_ = 0;
    GLuint streamBuffer_ = 0;
    UINT streamSize_ = 0, streamPos_ = 0;
    UINT streamIndexSize_ = 0, streamIndexPos_ = 0;
    GLuint samplers_[kStages] = {};
    DWORD samplerState_[kStages][9] = {};
    bool samplerKeyValid_[kStages] = {};
    GLuint boundElementBuffer_ = 0;
    bool elementBufferValid_ = false;

    DeviceState state_;
    std::unique_ptr<StateBlock> recording_;
    std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
    // The device's light records of the first indices, found once: a record, once made, stays
    // (lights are switched per object, a few times a draw).
    static constexpr DWORD kQuickLights = 32;
    LightSlot* quickLights_[kQuickLights] = {};
    DWORD nextBlock_ = 1;
    std::map<DWORD, std::unique_ptr<VertexShaderObject>> shaders_;
    DWORD nextShader_ = 1;

    Surface8* backBuffer_ = nullptr;
    Surface8* depthSurface_ = nullptr;
    SDL_Cursor* cursor_ = nullptr;
    bool cursorShown_ = false;
    bool cursorWarped_ = false;
    // The window's drawable size at the last present (0 before the first).
    int presentedW_ = 0, presentedH_ = 0;
    SDL_Point lastCursorWarp_{0, 0};

    // Change counters of the uniform groups; each program remembers what it saw.
    enum Serial { kSerialTransform, kSerialLights, kSerialFog, kSerialMisc, kSerialViewport, kSerialConst, kSerialMaterial };
    uint64_t serial_[7] = {1, 1, 1, 1, 1, 1, 1};
    bool keysDirty_ = true;
    bool pipelineDirty_ = true;
    bool inputDirty_ = true;

    GlStateCache gl_state_;
    std::unordered_map<FfpVsKey, GLuint, FfpVsKeyHash> ffpVs_;
    std::unordered_map<FsKey, GLuint, FsKeyHash> fs_;
    std::unordered_map<uint64_t, Program> programs_;
    Program* current_ = nullptr;
    FfpVsKey lastVsKey_;
    FsKey lastFsKey_;
    DWORD lastShaderHandle_ = ~0u;
    uint64_t shaderBuilds_ = 0, shaderHits_ = 0;

    // Vertex input last sent.
    struct InputKey {
        GLuint buffers[kMaxStreams];
        UINT strides[kMaxStreams];
        const void* layout;
        DWORD fvf;
    };
    InputKey lastInput_ = {};
    // The attributes of the last vertex layout (a declaration, or an FVF code when layoutOf_ is null).
    std::vector<VertexAttr> layoutAttrs_;
    std::vector<GLsizei> runCounts_;
    std::vector<const void*> runOffsets_;
    std::vector<GLint> runBases_;
    const void* layoutOf_ = nullptr;
    DWORD layoutFvf_ = 0;
    bool layoutValid_ = false;
    bool inputValid_ = false;
    uint32_t enabledAttribs_ = 0;
    // The enabled lights of the current draw, in index order (at most kMaxLights).
    std::vector<const D3DLIGHT8*> activeLights_;
    std::vector<DWORD> activeLightIndices_;
    std::vector<D3DLIGHTTYPE> activeLightTypes_;
    bool lightsDirty_ = true;
    quil_automation::DrawLog* drawLog_ = nullptr;
};

}  // namespace quil_d3d8
