// The heads-up display: the part the level world uses so far.
#include "HUD.h"

void HUD::Reset() { ++m_uResets; }

HUD* GetHUD() {
    static HUD hud;
    return &hud;
}
