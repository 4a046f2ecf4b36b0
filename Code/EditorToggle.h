// F5: the game opens and closes the level editor with it in every state. This is
// what the game runs for the key: the 0.5 s guard, and the HUD, player, editor
// and level timer calls of opening and closing.
#pragma once
#include <cstdint>

class Player;

class EditorToggle {
public:
    static constexpr float TOGGLE_DELAY = 0.5f;     // seconds between two toggles
    static constexpr float TIME_AFTER_EDIT = 200.0f;  // level timer after closing

    // Toggles when F5 is down and more than 0.5 s have passed since the last
    // toggle; returns true when it did. player may be null.
    bool Update(Player* player);
    // Hides the HUD and the player and shows the editor.
    void Open(Player* player);
    // Shows the HUD (its map reset) and the player again (full health, no
    // score, at the start node), closes the editor and gives the level 200 s.
    void Close(Player* player);

    bool IsOpen() const { return m_bOpen != 0; }

private:
    float m_fLastToggle = 0.0f;
    uint8_t m_bOpen = 0;
};
