// The bitmap font: glyphs rasterised once per device by GDI into a 4-bit-alpha
// texture, drawn as textured quads batched through a dynamic vertex buffer.
#include "d3dfont.h"

#include <cstring>

#include "comrelease.h"
#include "renderer.h"
#include "wingdi.h"

namespace {

const char kGlyphChars[D3DFont::NUM_GLYPHS + 1] = "  .,-:()0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const float kTextZ = 0.9f;
const float kTextRhw = 1.0f;
const DWORD kVertexBytes = sizeof(ScreenVertex);
const UINT kBatchLimit = 294;  // vertices: a batch is drawn once it holds more

}  // namespace

D3DFont::D3DFont(const char* faceName, DWORD height, DWORD flags)
    : m_dwFontHeight(height),
      m_dwFontFlags(flags),
      m_pd3dDevice(nullptr),
      m_pTexture(nullptr),
      m_pVB(nullptr),
      m_dwTexWidth(0),
      m_dwTexHeight(0),
      m_fTextScale(1.0f),
      m_dwSavedStateBlock(0),
      m_dwDrawTextStateBlock(0) {
    // Names longer than the field are cut to fit with their terminator.
    std::memset(m_strFontName, 0, sizeof(m_strFontName));
    if (faceName) std::strncpy(m_strFontName, faceName, sizeof(m_strFontName) - 1);
    std::memset(m_fTexCoords, 0, sizeof(m_fTexCoords));
    std::memset(m_aCharMap, 0, sizeof(m_aCharMap));
}

D3DFont::~D3DFont() {
    InvalidateDeviceObjects();
    DeleteDeviceObjects();
}

// Character map, glyph texture size and the glyph texture itself.
HRESULT D3DFont::InitDeviceObjects(IDirect3DDevice8* device) {
    m_pd3dDevice = device;
    if (!device) return E_FAIL;
    std::memset(m_aCharMap, 0, sizeof(m_aCharMap));
    for (int glyph = 1; glyph < NUM_GLYPHS; ++glyph)
        m_aCharMap[static_cast<unsigned char>(kGlyphChars[glyph])] = uint8_t(glyph);

    m_fTextScale = 1.0f;
    if (m_dwFontHeight > 80) {
        m_dwTexWidth = 1024;
        m_dwTexHeight = 512;
    } else if (m_dwFontHeight > 20) {
        m_dwTexWidth = 512;
        m_dwTexHeight = 256;
    } else {
        m_dwTexWidth = 256;
        m_dwTexHeight = 128;
    }
    D3DCAPS8 caps;
    std::memset(&caps, 0, sizeof(caps));
    device->GetDeviceCaps(&caps);
    if (caps.MaxTextureWidth != 0 && caps.MaxTextureWidth < m_dwTexWidth) {
        m_fTextScale = float(caps.MaxTextureWidth) / float(m_dwTexWidth);
        m_dwTexWidth = m_dwTexHeight = caps.MaxTextureWidth;
    }

    ReleaseAndNull(m_pTexture);
    HRESULT hr = device->CreateTexture(m_dwTexWidth, m_dwTexHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pTexture);
    if (FAILED(hr)) return hr;
    return RasteriseGlyphs();
}

// Draws the 44 glyphs with GDI, white on black, and turns the coverage into alpha.
HRESULT D3DFont::RasteriseGlyphs() {
    const int width = int(m_dwTexWidth);
    const int height = int(m_dwTexHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return E_FAIL;
    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(dc);
        return E_FAIL;
    }
    SetMapMode(dc, MM_TEXT);

    const int pixelHeight = -MulDiv(int(m_dwFontHeight), int(float(GetDeviceCaps(dc, LOGPIXELSY)) * m_fTextScale), 72);
    HFONT font = CreateFontA(pixelHeight, 0, 0, 0, (m_dwFontFlags & D3DFONT_BOLD) ? FW_BOLD : FW_NORMAL,
                             (m_dwFontFlags & D3DFONT_ITALIC) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH,
                             m_strFontName);
    if (!font) {
        DeleteObject(bitmap);
        DeleteDC(dc);
        return E_FAIL;
    }
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, 0x00000000);
    SetTextAlign(dc, TA_TOP | TA_LEFT);

    // Glyphs left to right, one texel apart; a row is one glyph height plus one texel.
    int x = 0, y = 0;
    for (int glyph = 0; glyph < NUM_GLYPHS; ++glyph) {
        const char text[2] = {kGlyphChars[glyph], 0};
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, text, 1, &size);
        if (x + size.cx + 1 > width) {
            x = 0;
            y += size.cy + 1;
        }
        // A glyph that no longer fits the texture's height shows as the blank glyph.
        if (y + size.cy > height && glyph > 0) {
            std::memcpy(m_fTexCoords[glyph], m_fTexCoords[0], sizeof(m_fTexCoords[0]));
            continue;
        }
        // Clipped to its cell: a face whose glyphs overhang (a J hooking under the I
        // before it) would otherwise leave marks in the neighbouring glyph.
        const RECT cell = {x, y, x + size.cx, y + size.cy};
        ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &cell, text, 1, nullptr);
        m_fTexCoords[glyph][0] = float(x) / float(width);
        m_fTexCoords[glyph][1] = float(y) / float(height);
        m_fTexCoords[glyph][2] = float(x + size.cx) / float(width);
        m_fTexCoords[glyph][3] = float(y + size.cy) / float(height);
        x += size.cx + 1;
    }

    // Blue channel, four bits, becomes the alpha of a white texel.
    D3DLOCKED_RECT locked = {0, nullptr};
    if (SUCCEEDED(m_pTexture->LockRect(0, &locked, nullptr, 0)) && locked.pBits) {
        const uint32_t* source = static_cast<const uint32_t*>(bits);
        auto* row = static_cast<uint8_t*>(locked.pBits);
        for (int ty = 0; ty < height; ++ty, row += locked.Pitch) {
            auto* texel = reinterpret_cast<uint16_t*>(row);
            for (int tx = 0; tx < width; ++tx) {
                const uint16_t a = uint16_t((source[ty * width + tx] & 0xFF) >> 4);
                texel[tx] = a ? uint16_t((a << 12) | 0x0FFF) : uint16_t(0);
            }
        }
        m_pTexture->UnlockRect(0);
    }

    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteObject(font);
    return S_OK;
}

// Records the states text drawing needs, between BeginStateBlock and EndStateBlock.
void D3DFont::RecordStateBlock(DWORD* token) {
    IDirect3DDevice8* d = m_pd3dDevice;
    d->BeginStateBlock();
    d->SetTexture(0, m_pTexture);
    d->SetRenderState(D3DRS_ZENABLE, (m_dwFontFlags & D3DFONT_ZENABLE) ? TRUE : FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x08);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->EndStateBlock(token);
}

HRESULT D3DFont::RestoreDeviceObjects() {
    if (!m_pd3dDevice) return E_FAIL;
    // A restore without a release in between would leak the old objects.
    InvalidateDeviceObjects();
    HRESULT hr = m_pd3dDevice->CreateVertexBuffer(MAX_VERTICES * kVertexBytes, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                                  0, D3DPOOL_DEFAULT, &m_pVB);
    if (FAILED(hr)) {
        m_pVB = nullptr;
        return hr;
    }
    RecordStateBlock(&m_dwSavedStateBlock);
    RecordStateBlock(&m_dwDrawTextStateBlock);
    return S_OK;
}

HRESULT D3DFont::InvalidateDeviceObjects() {
    ReleaseAndNull(m_pVB);
    if (m_pd3dDevice) {
        if (m_dwSavedStateBlock) m_pd3dDevice->DeleteStateBlock(m_dwSavedStateBlock);
        if (m_dwDrawTextStateBlock) m_pd3dDevice->DeleteStateBlock(m_dwDrawTextStateBlock);
    }
    m_dwSavedStateBlock = 0;
    m_dwDrawTextStateBlock = 0;
    return S_OK;
}

HRESULT D3DFont::DeleteDeviceObjects() {
    ReleaseAndNull(m_pTexture);
    m_pd3dDevice = nullptr;
    return S_OK;
}

void D3DFont::InitFontVertex(ScreenVertex* v, float x, float y, float z, float rhw, D3DCOLOR colour, float tu,
                             float tv) {
    v->x = x;
    v->y = y;
    v->z = z;
    v->rhw = rhw;
    v->colour = colour;
    v->u = tu;
    v->v = tv;
}

// One quad per character, batched 50 quads to a draw; the caller's states are
// captured before and restored after.
HRESULT D3DFont::DrawText(float x, float y, D3DCOLOR colour, const char* text, float scale, DWORD flags) {
    (void)flags;
    if (!m_pd3dDevice || !m_pVB || !text) return E_FAIL;
    IDirect3DDevice8* d = m_pd3dDevice;
    Renderer* renderer = GetRenderer();
    const float sx = renderer->GetScreenScaleX();
    const float sy = renderer->GetScreenScaleY();
    x *= sx;
    y *= sy;
    const float lineStart = x;
    const float texWidth = float(m_dwTexWidth);
    const float texHeight = float(m_dwTexHeight);

    d->CaptureStateBlock(m_dwSavedStateBlock);
    d->ApplyStateBlock(m_dwDrawTextStateBlock);
    d->SetVertexShader(SCREENVERTEX_FVF);
    // Pixel shaders are never set on this device: the fixed-function pipeline is already on.
    d->SetStreamSource(0, m_pVB, kVertexBytes);

    BYTE* data = nullptr;
    m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD);
    auto* v = reinterpret_cast<ScreenVertex*>(data);
    UINT triangles = 0;
    for (const char* p = text; *p && v; ++p) {
        const signed char c = static_cast<signed char>(*p);
        if (c == '\n') {
            x = lineStart;
            y += (m_fTexCoords[0][3] - m_fTexCoords[0][1]) * texHeight;
            continue;
        }
        if (c < 32) continue;
        const float* t = m_fTexCoords[m_aCharMap[static_cast<unsigned char>(c)]];
        const float w = (t[2] - t[0]) * texWidth * scale * sx;
        const float h = (t[3] - t[1]) * texHeight * scale * sy;
        if (c != ' ') {
            const float left = x - 0.5f, top = y - 0.5f, right = x + w - 0.5f, bottom = y + h - 0.5f;
            InitFontVertex(v++, left, bottom, kTextZ, kTextRhw, colour, t[0], t[3]);
            InitFontVertex(v++, left, top, kTextZ, kTextRhw, colour, t[0], t[1]);
            InitFontVertex(v++, right, bottom, kTextZ, kTextRhw, colour, t[2], t[3]);
            InitFontVertex(v++, right, top, kTextZ, kTextRhw, colour, t[2], t[1]);
            InitFontVertex(v++, right, bottom, kTextZ, kTextRhw, colour, t[2], t[3]);
            InitFontVertex(v++, left, top, kTextZ, kTextRhw, colour, t[0], t[1]);
            triangles += 2;
            if (triangles * 3 > kBatchLimit) {
                m_pVB->Unlock();
                d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
                data = nullptr;
                m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD);
                v = reinterpret_cast<ScreenVertex*>(data);
                triangles = 0;
            }
        }
        x += w;
    }
    if (data) m_pVB->Unlock();
    if (triangles > 0) d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);

    d->ApplyStateBlock(m_dwSavedStateBlock);
    return S_OK;
}

HRESULT D3DFont::GetTextExtent(const char* text, SIZE* size) {
    if (!text || !size) return E_FAIL;
    const float rowHeight = (m_fTexCoords[0][3] - m_fTexCoords[0][1]) * float(m_dwTexHeight);
    float height = rowHeight, width = 0.0f, lineWidth = 0.0f;
    for (const char* p = text; *p; ++p) {
        const signed char c = static_cast<signed char>(*p);
        if (c == '\n') {
            lineWidth = 0.0f;
            height += rowHeight;
            continue;
        }
        if (c < 32) continue;
        const float* t = m_fTexCoords[m_aCharMap[static_cast<unsigned char>(c)]];
        lineWidth += (t[2] - t[0]) * float(m_dwTexWidth);
        if (lineWidth > width) width = lineWidth;
    }
    size->cx = LONG(width);
    size->cy = LONG(height);
    return S_OK;
}
