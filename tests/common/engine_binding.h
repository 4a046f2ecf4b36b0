// The engine's render device bound to a Direct3D device while this lives: the game's
// font made and set, the renderer's device objects restored; all undone afterwards,
// so that the device can then be released with nothing left holding it.
#pragma once
#include "d3dfont.h"
#include "renderdevice.h"
#include "renderer.h"

namespace quiltest {

class EngineBinding {
public:
    explicit EngineBinding(IDirect3DDevice8* device) : m_font("Arial Black", 32, D3DFONT_BOLD) {
        RenderDevice_Bind(device);
        m_fontReady = SUCCEEDED(m_font.InitDeviceObjects(device)) && SUCCEEDED(m_font.RestoreDeviceObjects());
        RenderDevice_SetFont(&m_font);
        GetRenderer()->RestoreDeviceObjects();
    }
    ~EngineBinding() {
        GetRenderer()->InvalidateDeviceObjects();
        m_font.InvalidateDeviceObjects();
        m_font.DeleteDeviceObjects();
        RenderDevice_SetFont(nullptr);
        RenderDevice_SetFrameStats(nullptr);
        RenderDevice_Unbind();
    }
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    bool FontReady() const { return m_fontReady; }

private:
    D3DFont m_font;
    bool m_fontReady;
};

}  // namespace quiltest
