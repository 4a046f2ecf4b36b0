// The game's fading screen texts: a short list of lines, each with its own
// position, size, colour and fade-in time, drawn in the overlay pass with the
// application's bitmap font.
#pragma once
#include <cstdint>
#include "process.h"

// One screen text.
struct TextLine {
    float x, y;         // top-left in the virtual 640x480 screen
    float scale;        // text scale passed to the font
    uint32_t colour;    // ARGB; the alpha byte is rewritten by the fade
    float fadeTime;     // seconds from transparent to opaque
    float elapsed;      // seconds since the line was added
    char text[100];     // NUL-terminated
};

class TextOverlay : public Object {
public:
    enum { MAX_LINES = 5, TEXT_LENGTH = 100 };
    // What Add returns when every line is in use and the new one was refused.
    static constexpr uint32_t NO_LINE = MAX_LINES;

    TextOverlay();
    // An overlay that goes away while listed leaves the lists first.
    ~TextOverlay() override { Deactivate(); }

    // Appends a line that starts transparent and fades in over fadeTime seconds;
    // returns its index, or NO_LINE when the list is full.
    uint32_t Add(float x, float y, float scale, uint32_t colour, const char* text, float fadeTime);
    // Replaces the text of a line in use; position, colour and fade stay.
    void SetText(const char* text, uint32_t index);
    // Empties the list; the overlay stays listed or unlisted as it was.
    void Clear() { m_uLineCount = 0; }

    void Init() override;
    void Shutdown() override;
    // Advances every line's fade.
    void Update(float dt) override;
    // Joins the frame loop and the overlay pass; a second call does nothing.
    void Activate() override;
    // Leaves both; a second call does nothing.
    void Deactivate() override;
    // Draws every line with the application's font.
    void Render() override;
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}

    bool IsActive() const { return m_bActive; }
    uint32_t GetLineCount() const { return m_uLineCount; }
    // The line at index, or null when it is not in use.
    const TextLine* GetLine(uint32_t index) const { return index < m_uLineCount ? &m_aLines[index] : nullptr; }

private:
    bool m_bActive;
    uint32_t m_uLineCount;
    TextLine m_aLines[MAX_LINES];
};
