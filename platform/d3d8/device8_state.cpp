// Device state: transforms, lights, render and texture-stage states, bindings,
// vertex shaders and state blocks.
#include <cstring>

#include "device8.h"

namespace quil_d3d8 {

int TransformSlot(D3DTRANSFORMSTATETYPE state) {
    DWORD s = static_cast<DWORD>(state);
    if (s >= 256 && s < 260) return static_cast<int>(s - 256);
    if (s == D3DTS_VIEW) return 4;
    if (s == D3DTS_PROJECTION) return 5;
    if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) return 6 + static_cast<int>(s - D3DTS_TEXTURE0);
    return -1;
}

HRESULT Device8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
    int slot = TransformSlot(state);
    if (slot < 0 || !m) return D3DERR_INVALIDCALL;
    Target().transforms[slot] = *m;
    if (recording_) {
        recording_->mask.transforms.set(static_cast<size_t>(slot));
        return D3D_OK;
    }
    TransformChanged(slot);
    return D3D_OK;
}

void Device8::TransformChanged(int slot) {
    ++serial_[kSerialTransform];
    if (slot == 4) ++serial_[kSerialLights];  // lights are sent in camera space
}

HRESULT Device8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m) {
    int slot = TransformSlot(state);
    if (slot < 0 || !m) return D3DERR_INVALIDCALL;
    *m = state_.transforms[slot];
    return D3D_OK;
}

// Not offered: the engine sets whole transforms.
HRESULT Device8::MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) { return D3DERR_INVALIDCALL; }

HRESULT Device8::SetViewport(const D3DVIEWPORT8* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    if (vp->Width == 0 || vp->Height == 0 || vp->X + vp->Width > pp_.BackBufferWidth ||
        vp->Y + vp->Height > pp_.BackBufferHeight || vp->MinZ < 0.0f || vp->MaxZ > 1.0f || vp->MinZ > vp->MaxZ)
        return D3DERR_INVALIDCALL;
    Target().viewport = *vp;
    if (recording_) recording_->mask.viewport = true;
    else ++serial_[kSerialViewport], pipelineDirty_ = true;
    return D3D_OK;
}

HRESULT Device8::GetViewport(D3DVIEWPORT8* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = state_.viewport;
    return D3D_OK;
}

HRESULT Device8::SetMaterial(const D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->values.material = *m;
        recording_->mask.material = true;
        return D3D_OK;
    }
    if (std::memcmp(&state_.material, m, sizeof(*m)) == 0) return D3D_OK;
    state_.material = *m;
    ++serial_[kSerialMaterial];
    return D3D_OK;
}

HRESULT Device8::GetMaterial(D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    *m = state_.material;
    return D3D_OK;
}

HRESULT Device8::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->values.lights[index].light = *light;
        recording_->mask.lights[index] = true;
        return D3D_OK;
    }
    // Setting a light to what it is changes nothing (the enable flag stays as it was).
    auto it = state_.lights.find(index);
    if (it != state_.lights.end() && std::memcmp(&it->second.light, light, sizeof(*light)) == 0) return D3D_OK;
    state_.lights[index].light = *light;
    ++serial_[kSerialLights];
    lightsDirty_ = true;
    return D3D_OK;
}

// The light a never-set index gets when it is enabled: white, directional, along +z.
static D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 l;
    std::memset(&l, 0, sizeof(l));
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = {0.0f, 0.0f, 1.0f};
    return l;
}

HRESULT Device8::GetLight(DWORD index, D3DLIGHT8* light) {
    auto it = state_.lights.find(index);
    if (!light || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT Device8::LightEnable(DWORD index, BOOL enable) {
    LightSlot* slot = !recording_ && index < kQuickLights ? quickLights_[index] : nullptr;
    if (!slot) {
        DeviceState& st = Target();
        auto it = st.lights.find(index);
        if (it == st.lights.end()) {
            it = st.lights.emplace(index, LightSlot()).first;
            it->second.light = DefaultLight();
        }
        slot = &it->second;
        if (recording_) {
            slot->enabled = enable != FALSE;
            recording_->mask.lightEnables[index] = true;
            return D3D_OK;
        }
        if (index < kQuickLights) quickLights_[index] = slot;
    }
    // The draw sees the enabled set as it is then (RefreshActiveLights).
    if (slot->enabled != (enable != FALSE)) lightsDirty_ = true;
    slot->enabled = enable != FALSE;
    return D3D_OK;
}

HRESULT Device8::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = state_.lights.find(index);
    if (!enable || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (static_cast<DWORD>(state) >= QUIL_D3DRS_COUNT) return D3DERR_INVALIDCALL;
    DeviceState& st = Target();
    if (recording_) {
        st.rs[state] = value;
        recording_->mask.rs.set(state);
        return D3D_OK;
    }
    if (st.rs[state] == value) return D3D_OK;
    st.rs[state] = value;
    keysDirty_ = true;
    pipelineDirty_ = true;
    switch (state) {
        case D3DRS_AMBIENT: ++serial_[kSerialMaterial]; break;
        case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY: ++serial_[kSerialFog]; break;
        case D3DRS_FOGCOLOR: case D3DRS_TEXTUREFACTOR: case D3DRS_ALPHAREF: ++serial_[kSerialMisc]; break;
        default: break;
    }
    return D3D_OK;
}

HRESULT Device8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || static_cast<DWORD>(state) >= QUIL_D3DRS_COUNT) return D3DERR_INVALIDCALL;
    *value = state_.rs[state];
    return D3D_OK;
}

HRESULT Device8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kStages || static_cast<DWORD>(type) >= QUIL_D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    DeviceState& st = Target();
    if (recording_) {
        st.tss[stage][type] = value;
        recording_->mask.tss[stage].set(type);
        return D3D_OK;
    }
    if (st.tss[stage][type] == value) return D3D_OK;
    st.tss[stage][type] = value;
    keysDirty_ = true;  // the sampler is compared with what it was sent when drawing (SamplerFor)
    return D3D_OK;
}

HRESULT Device8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= kStages || static_cast<DWORD>(type) >= QUIL_D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    *value = state_.tss[stage][type];
    return D3D_OK;
}

// ---- bindings (each bound resource holds an internal reference) ----

void Device8::BindTexture(DeviceState& st, DWORD stage, Texture8* texture) {
    if (st.textures[stage] == texture) return;
    if (texture) texture->refs().AddInternal();
    if (st.textures[stage]) st.textures[stage]->ReleaseInternal();
    st.textures[stage] = texture;
}

void Device8::BindStream(DeviceState& st, UINT stream, VertexBuffer8* buffer, UINT stride) {
    if (buffer) buffer->refs().AddInternal();
    if (st.streams[stream].buffer) st.streams[stream].buffer->ReleaseInternal();
    st.streams[stream].buffer = buffer;
    st.streams[stream].stride = stride;
}

void Device8::BindIndices(DeviceState& st, IndexBuffer8* buffer, UINT base) {
    if (buffer) buffer->refs().AddInternal();
    if (st.indices) st.indices->ReleaseInternal();
    st.indices = buffer;
    st.baseVertex = base;
}

void Device8::ReleaseStateRefs(DeviceState& st) {
    for (DWORD s = 0; s < kStages; ++s) BindTexture(st, s, nullptr);
    for (UINT i = 0; i < kMaxStreams; ++i) BindStream(st, i, nullptr, 0);
    BindIndices(st, nullptr, 0);
}

HRESULT Device8::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= kStages) return D3DERR_INVALIDCALL;
    Texture8* t = static_cast<Texture8*>(static_cast<IDirect3DTexture8*>(texture));
    if (t && t->GetType() != D3DRTYPE_TEXTURE) return D3DERR_INVALIDCALL;
    if (recording_) {
        BindTexture(recording_->values, stage, t);
        recording_->mask.textures.set(stage);
        return D3D_OK;
    }
    if (state_.textures[stage] == t) return D3D_OK;
    // Only whether a stage has a texture changes the generated code.
    if ((state_.textures[stage] == nullptr) != (t == nullptr)) keysDirty_ = true;
    MakeCurrent();
    BindTexture(state_, stage, t);
    return D3D_OK;
}

HRESULT Device8::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    if (!texture || stage >= kStages) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Device8::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (stream >= kMaxStreams) return D3DERR_INVALIDCALL;
    VertexBuffer8* vb = static_cast<VertexBuffer8*>(buffer);
    if (recording_) {
        BindStream(recording_->values, stream, vb, stride);
        recording_->mask.streams.set(stream);
        return D3D_OK;
    }
    if (state_.streams[stream].buffer == vb && state_.streams[stream].stride == stride) return D3D_OK;
    MakeCurrent();
    BindStream(state_, stream, vb, stride);
    inputDirty_ = true;
    return D3D_OK;
}

HRESULT Device8::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) {
    if (!buffer || !stride || stream >= kMaxStreams) return D3DERR_INVALIDCALL;
    *buffer = state_.streams[stream].buffer;
    *stride = state_.streams[stream].stride;
    if (*buffer) (*buffer)->AddRef();
    return D3D_OK;
}

HRESULT Device8::SetIndices(IDirect3DIndexBuffer8* buffer, UINT base) {
    IndexBuffer8* ib = static_cast<IndexBuffer8*>(buffer);
    if (recording_) {
        BindIndices(recording_->values, ib, base);
        recording_->mask.indices = true;
        return D3D_OK;
    }
    MakeCurrent();
    BindIndices(state_, ib, base);
    return D3D_OK;
}

HRESULT Device8::GetIndices(IDirect3DIndexBuffer8** buffer, UINT* base) {
    if (!buffer || !base) return D3DERR_INVALIDCALL;
    *buffer = state_.indices;
    *base = state_.baseVertex;
    if (*buffer) (*buffer)->AddRef();
    return D3D_OK;
}

// ---- vertex shaders ----

// The FVF a fixed-function declaration corresponds to (registers are D3DVSDE_* numbers).
static DWORD FvfFromDeclaration(const VertexDeclaration& decl) {
    DWORD fvf = 0;
    int tex = 0;
    for (const VertexElement& e : decl.elements) {
        switch (e.reg) {
            case D3DVSDE_POSITION: fvf |= D3DFVF_XYZ; break;
            case D3DVSDE_NORMAL: fvf |= D3DFVF_NORMAL; break;
            case D3DVSDE_DIFFUSE: fvf |= D3DFVF_DIFFUSE; break;
            case D3DVSDE_SPECULAR: fvf |= D3DFVF_SPECULAR; break;
            default:
                if (e.reg >= D3DVSDE_TEXCOORD0 && e.reg <= D3DVSDE_TEXCOORD7) {
                    int set = e.reg - D3DVSDE_TEXCOORD0;
                    if (set + 1 > tex) tex = set + 1;
                    static const DWORD kSize[4] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2,
                                                   D3DFVF_TEXTUREFORMAT3, D3DFVF_TEXTUREFORMAT4};
                    int n = e.type <= D3DVSDT_FLOAT4 ? e.type : 1;
                    fvf |= kSize[n] << (set * 2 + 16);
                }
                break;
        }
    }
    return fvf | (static_cast<DWORD>(tex) << D3DFVF_TEXCOUNT_SHIFT);
}

HRESULT Device8::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle, DWORD) {
    if (!handle || !declaration) return D3DERR_INVALIDCALL;
    *handle = 0;
    auto obj = std::make_unique<VertexShaderObject>();
    std::string error;
    if (!ParseDeclaration(declaration, &obj->decl, &error)) {
        std::fprintf(stderr, "d3d8: bad vertex declaration: %s\n", error.c_str());
        return D3DERR_INVALIDCALL;
    }
    if (!function) {
        obj->fixedFunction = true;
        obj->pseudoFvf = FvfFromDeclaration(obj->decl);
    } else {
        std::string glsl;
        if (!TranslateVertexShader(function, 1u << 16, obj->decl, &glsl, &error)) {
            std::fprintf(stderr, "d3d8: bad vertex shader: %s\n", error.c_str());
            return D3DERR_INVALIDCALL;
        }
        MakeCurrent();
        obj->glShader = CompileShader(GL_VERTEX_SHADER, glsl);
        if (!obj->glShader) return D3DERR_INVALIDCALL;
    }
    layoutValid_ = false;  // a new declaration may take the place of a deleted one
    DWORD h = (nextShader_++ << 1) | 1u;  // odd: never a valid FVF code
    shaders_[h] = std::move(obj);
    *handle = h;
    return D3D_OK;
}

HRESULT Device8::SetVertexShader(DWORD handle) {
    if ((handle & 1u) && shaders_.find(handle) == shaders_.end()) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->values.vertexShader = handle;
        recording_->mask.vertexShader = true;
        return D3D_OK;
    }
    if (handle & 1u) {
        // A declaration's constants are loaded when its shader is set.
        for (const auto& c : shaders_[handle]->decl.constants) {
            std::memcpy(state_.vsConst[c.reg], c.value, 16);
            ++serial_[kSerialConst];
        }
    }
    if (state_.vertexShader == handle) return D3D_OK;
    state_.vertexShader = handle;
    keysDirty_ = true;
    inputDirty_ = true;
    return D3D_OK;
}

HRESULT Device8::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.vertexShader;
    return D3D_OK;
}

HRESULT Device8::DeleteVertexShader(DWORD handle) {
    auto it = shaders_.find(handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    MakeCurrent();
    GLuint vs = it->second->glShader;
    if (vs) {
        for (auto p = programs_.begin(); p != programs_.end();) {
            if ((p->first >> 32) == vs) {
                if (current_ == &p->second) current_ = nullptr;
                glDeleteProgram(p->second.id);
                p = programs_.erase(p);
            } else {
                ++p;
            }
        }
        glDeleteShader(vs);
    }
    shaders_.erase(it);
    layoutValid_ = false;
    if (state_.vertexShader == handle) {
        state_.vertexShader = 0;
        keysDirty_ = inputDirty_ = true;
    }
    lastShaderHandle_ = ~0u;
    current_ = nullptr;
    return D3D_OK;
}

HRESULT Device8::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) {
    if (!data || reg >= kVsConstants || count > kVsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(Target().vsConst[reg], data, count * 16u);
    if (recording_) {
        for (DWORD i = 0; i < count; ++i) recording_->mask.vsConst.set(reg + i);
    } else {
        ++serial_[kSerialConst];
    }
    return D3D_OK;
}

HRESULT Device8::GetVertexShaderConstant(DWORD reg, void* data, DWORD count) {
    if (!data || reg >= kVsConstants || count > kVsConstants - reg) return D3DERR_INVALIDCALL;
    std::memcpy(data, state_.vsConst[reg], count * 16u);
    return D3D_OK;
}

// ---- state blocks ----

HRESULT Device8::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    return D3D_OK;
}

HRESULT Device8::EndStateBlock(DWORD* token) {
    if (!recording_ || !token) return D3DERR_INVALIDCALL;
    DWORD t = nextBlock_++;
    recording_->ListMask();
    stateBlocks_[t] = std::move(recording_);
    *token = t;
    return D3D_OK;
}

void StateBlock::ListMask() {
    rsList.clear();
    tssList.clear();
    transformList.clear();
    constList.clear();
    for (size_t r = 0; r < QUIL_D3DRS_COUNT; ++r)
        if (mask.rs.test(r)) rsList.push_back(static_cast<uint16_t>(r));
    for (int s = 0; s < kStages; ++s)
        for (size_t t = 0; t < QUIL_D3DTSS_COUNT; ++t)
            if (mask.tss[s].test(t)) tssList.push_back(static_cast<uint16_t>(s * 256 + static_cast<int>(t)));
    for (int i = 0; i < kTransformSlots; ++i)
        if (mask.transforms.test(static_cast<size_t>(i))) transformList.push_back(static_cast<uint16_t>(i));
    for (int c = 0; c < kVsConstants; ++c)
        if (mask.vsConst.test(static_cast<size_t>(c))) constList.push_back(static_cast<uint16_t>(c));
}

void Device8::CaptureInto(StateBlock& b) {
    const StateMask& m = b.mask;
    DeviceState& v = b.values;
    for (uint16_t r : b.rsList) v.rs[r] = state_.rs[r];
    for (uint16_t st : b.tssList) v.tss[st >> 8][st & 0xFF] = state_.tss[st >> 8][st & 0xFF];
    for (uint16_t i : b.transformList) v.transforms[i] = state_.transforms[i];
    if (m.material) v.material = state_.material;
    if (m.viewport) v.viewport = state_.viewport;
    if (m.vertexShader) v.vertexShader = state_.vertexShader;
    for (DWORD s = 0; s < kStages; ++s)
        if (m.textures.test(s)) BindTexture(v, s, state_.textures[s]);
    for (UINT i = 0; i < kMaxStreams; ++i)
        if (m.streams.test(i)) BindStream(v, i, state_.streams[i].buffer, state_.streams[i].stride);
    if (m.indices) BindIndices(v, state_.indices, state_.baseVertex);
    for (uint16_t c : b.constList) std::memcpy(v.vsConst[c], state_.vsConst[c], 16);
    for (const auto& l : m.lights) {
        auto it = state_.lights.find(l.first);
        if (it != state_.lights.end()) v.lights[l.first].light = it->second.light;
    }
    for (const auto& l : m.lightEnables) {
        auto it = state_.lights.find(l.first);
        v.lights[l.first].enabled = it != state_.lights.end() && it->second.enabled;
    }
}

void Device8::ApplyFrom(const StateBlock& b) {
    const StateMask& m = b.mask;
    const DeviceState& v = b.values;
    for (uint16_t r : b.rsList) SetRenderState(static_cast<D3DRENDERSTATETYPE>(r), v.rs[r]);
    for (uint16_t st : b.tssList)
        SetTextureStageState(DWORD(st >> 8), static_cast<D3DTEXTURESTAGESTATETYPE>(st & 0xFF), v.tss[st >> 8][st & 0xFF]);
    for (uint16_t i : b.transformList) {
        state_.transforms[i] = v.transforms[i];
        TransformChanged(i);
    }
    if (m.material) SetMaterial(&v.material);
    if (m.viewport) SetViewport(&v.viewport);
    for (const auto& l : m.lights) {
        auto it = v.lights.find(l.first);
        if (it != v.lights.end()) SetLight(l.first, &it->second.light);
    }
    for (const auto& l : m.lightEnables) {
        auto it = v.lights.find(l.first);
        if (it != v.lights.end()) LightEnable(l.first, it->second.enabled ? TRUE : FALSE);
    }
    for (DWORD s = 0; s < kStages; ++s)
        if (m.textures.test(s)) SetTexture(s, v.textures[s]);
    for (UINT i = 0; i < kMaxStreams; ++i)
        if (m.streams.test(i)) SetStreamSource(i, v.streams[i].buffer, v.streams[i].stride);
    if (m.indices) SetIndices(v.indices, v.baseVertex);
    if (m.vertexShader && (!(v.vertexShader & 1u) || shaders_.count(v.vertexShader))) SetVertexShader(v.vertexShader);
    if (!b.constList.empty()) {
        for (uint16_t c : b.constList) std::memcpy(state_.vsConst[c], v.vsConst[c], 16);
        ++serial_[kSerialConst];
    }
}

// Whole-state blocks are not offered: the engine records its blocks.
HRESULT Device8::CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD* token) {
    if (token) *token = 0;
    return D3DERR_INVALIDCALL;
}

HRESULT Device8::ApplyStateBlock(DWORD token) {
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ApplyFrom(*it->second);
    return D3D_OK;
}

HRESULT Device8::CaptureStateBlock(DWORD token) {
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CaptureInto(*it->second);
    return D3D_OK;
}

HRESULT Device8::DeleteStateBlock(DWORD token) {
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ReleaseStateRefs(it->second->values);
    stateBlocks_.erase(it);
    return D3D_OK;
}

}  // namespace quil_d3d8
