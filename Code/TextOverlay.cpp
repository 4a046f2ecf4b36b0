// The fading screen texts.
#include "TextOverlay.h"

#include <cstdio>
#include <cstring>

#include "d3dfont.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {
// Copies text into a line's buffer, cut to what fits; a null text is empty.
void CopyText(char (&dest)[TextOverlay::TEXT_LENGTH], const char* text) {
    std::snprintf(dest, sizeof(dest), "%s", text ? text : "");
}
}  // namespace

TextOverlay::TextOverlay() : m_bActive(false), m_uLineCount(0) { std::memset(m_aLines, 0, sizeof(m_aLines)); }

uint32_t TextOverlay::Add(float x, float y, float scale, uint32_t colour, const char* text, float fadeTime) {
    // A full list keeps the lines it has: overwriting one would take a text
    // from a caller that still holds its index.
    if (m_uLineCount >= MAX_LINES) {
        DebugLog("TextOverlay: no room for \"%s\"\n", text ? text : "");
        return NO_LINE;
    }
    TextLine& line = m_aLines[m_uLineCount];
    line.x = x;
    line.y = y;
    line.scale = scale;
    line.colour = colour;
    line.fadeTime = fadeTime;
    line.elapsed = 0.0f;
    CopyText(line.text, text);
    return m_uLineCount++;
}

void TextOverlay::SetText(const char* text, uint32_t index) {
    if (index >= m_uLineCount) return;
    CopyText(m_aLines[index].text, text);
}

void TextOverlay::Init() {
    Object::Init();
    m_bActive = false;
}

void TextOverlay::Shutdown() {
    Object::Shutdown();
    m_bActive = false;
}

void TextOverlay::Update(float dt) {
    for (uint32_t i = 0; i < m_uLineCount; ++i) {
        TextLine& line = m_aLines[i];
        line.elapsed += dt;
        uint32_t alpha = 255;
        if (line.elapsed < line.fadeTime) {
            const float share = line.elapsed / line.fadeTime;
            alpha = share > 0.0f ? static_cast<uint32_t>(share * 255.0f) : 0;
        }
        line.colour = (alpha << 24) | (line.colour & 0x00FFFFFFu);
    }
}

void TextOverlay::Activate() {
    if (m_bActive) return;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
    m_bActive = true;
}

void TextOverlay::Deactivate() {
    if (!m_bActive) return;
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_bActive = false;
}

void TextOverlay::Render() {
    D3DFont* font = RenderDevice_GetFont();
    if (!font) return;
    for (uint32_t i = 0; i < m_uLineCount; ++i) {
        const TextLine& line = m_aLines[i];
        font->DrawText(line.x, line.y, line.colour, line.text, line.scale, 0);
    }
}
