// The title scene's menus: the item table, the camera slide, the menu keys with
// their repeat guard, what each item does, and drawing the current screen.
#include <cmath>

#include "FrontEndScene.h"
#include "Player.h"
#include "camera.h"
#include "d3dfont.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "renderdevice.h"
#include "sound.h"
#include "windows.h"

namespace {
const uint32_t WHITE = 0xFFFFFFFFu;
const uint32_t YELLOW = 0xFFFFFF00u;
const uint32_t CYAN = 0xFF00FFFFu;
const uint32_t PALE_YELLOW = 0xFFFFFF40u;

const MenuItem g_MenuItems[FrontEndScene::MENU_ITEM_COUNT] = {
    // main
    {100.0f, 180.0f, WHITE, "START GAME"},
    {100.0f, 210.0f, WHITE, "OPTIONS"},
    {100.0f, 240.0f, WHITE, "INSTRUCTIONS"},
    {100.0f, 270.0f, WHITE, "QUIT"},
    // options
    {40.0f, 180.0f, WHITE, "INVERT MOUSE Y"},
    {40.0f, 210.0f, WHITE, "MOUSE SENSITIVITY"},
    {40.0f, 240.0f, WHITE, "KEY CONFIG"},
    {40.0f, 300.0f, YELLOW, "BACK TO MAIN MENU"},
    // loading
    {100.0f, 210.0f, WHITE, "LOADING..."},
    // instructions
    {20.0f, 130.0f, CYAN, "SANTA HAS GONE MISSING - IT IS UP TO YOU FROST-WICK!"},
    {20.0f, 154.0f, WHITE, "THE AIM OF THE GAME IS TO COLLECT THE PRESENTS"},
    {20.0f, 174.0f, WHITE, "AND DELIVER THEM TO THE CHRISTMAS TREE BEFORE THE TIMER"},
    {20.0f, 194.0f, WHITE, "RUNS OUT - BUT BEWARE - IF YOU ARE SEEN, AN EVIL GHOST "},
    {20.0f, 214.0f, WHITE, "GOBLIN WILL APPEAR AND TRY AND SHOOT YOU DOWN."},
    {20.0f, 238.0f, PALE_YELLOW, "LUCKILY, YOU ARE EQUIPED WITH AN GHOST GOBLIN GUN"},
    {20.0f, 258.0f, PALE_YELLOW, "TO TAKE OUT THESE CRITTERS."},
    {20.0f, 282.0f, CYAN, "YOU ALSO HAVE A SCANNER THAT SHOWS YOU WHERE THE"},
    {20.0f, 302.0f, CYAN, "ENEMIES AND PEOPLE ARE SO YOU CAN AVOID THEM."},
    {20.0f, 342.0f, YELLOW, "BACK TO MAIN MENU"},
    // difficulty
    {100.0f, 180.0f, WHITE, "EASY"},
    {100.0f, 210.0f, WHITE, "MEDIUM"},
    {100.0f, 240.0f, WHITE, "HARD"},
    {100.0f, 300.0f, YELLOW, "BACK TO MAIN MENU"},
};

const MenuScreen g_MenuScreens[MENU_SCREEN_COUNT] = {
    {0, 4},   // main
    {4, 4},   // options
    {8, 1},   // loading
    {9, 10},  // instructions
    {19, 4},  // difficulty
};

// Camera x for each side of the scene the menus slide to.
const float CAMERA_MAIN = 0.0f;
const float CAMERA_OPTIONS = 80.0f;
const float CAMERA_LEFT = -60.0f;

const float ITEM_SCALE = 0.6f;
const float INSTRUCTIONS_SCALE = 0.6f * 0.6f;
const float OPTION_VALUE_OFFSET = 340.0f;
}  // namespace

const MenuItem& FrontEndScene::GetMenuItem(uint32_t item) {
    return g_MenuItems[item < MENU_ITEM_COUNT ? item : MENU_ITEM_COUNT - 1];
}

const MenuScreen& FrontEndScene::GetMenuScreen(uint32_t screen) {
    return g_MenuScreens[screen < MENU_SCREEN_COUNT ? screen : MENU_MAIN];
}

void FrontEndScene::Update(float dt) {
    // The camera slides toward its target and snaps onto it within one step.
    if (g_pCurrentCamera) {
        const float step = CAMERA_SPEED * dt;
        float& x = g_pCurrentCamera->GetMatrix()->m[3][0];
        if (x < m_fCameraTarget - step) x += step;
        else if (x <= m_fCameraTarget + step) x = m_fCameraTarget;
        else x -= step;
    }

    if (m_bStarting) {
        m_fStartCountdown -= dt;
        if (m_fStartCountdown <= 0.0f) {
            // Cleared first, so a game that keeps the menu up is not started again every frame.
            m_bStarting = false;
            if (m_pHost) m_pHost->StartGame();
        }
        return;
    }

    HandleKeys();
    if (m_uScreen == MENU_INSTRUCTIONS) m_uSelected = ITEM_INSTRUCTIONS_BACK;
    UpdatePulseColour();
}

void FrontEndScene::HandleKeys() {
    PCSystem* pc = GetPCSystem();
    const float elapsed = g_fTotalTime - m_fLastKeyTime;
    if (pc->IsKeyDown(VK_UP)) {
        if (elapsed > KEY_REPEAT_TIME) {
            PlayMoveSound();
            MoveSelection(-1);
            m_fLastKeyTime = g_fTotalTime;
        }
    } else if (pc->IsKeyDown(VK_DOWN)) {
        if (elapsed > KEY_REPEAT_TIME) {
            PlayMoveSound();
            MoveSelection(+1);
            m_fLastKeyTime = g_fTotalTime;
        }
    } else if (pc->IsKeyDown(VK_RETURN)) {
        if (elapsed > KEY_REPEAT_TIME) {
            Select();
            m_fLastKeyTime = g_fTotalTime;
        }
    } else {
        m_fLastKeyTime = 0.0f;  // the next press acts at once
    }
}

// One item up or down within the current screen, wrapping at its ends.
void FrontEndScene::MoveSelection(int direction) {
    const MenuScreen& screen = GetMenuScreen(m_uScreen);
    uint32_t index = m_uSelected >= screen.first ? m_uSelected - screen.first : 0;
    if (index >= screen.count) index = 0;
    if (direction < 0) index = index == 0 ? screen.count - 1 : index - 1;
    else index = index + 1 >= screen.count ? 0 : index + 1;
    m_uSelected = screen.first + index;
}

void FrontEndScene::PlayMoveSound() {
    SoundManager* sound = GetSoundManager();
    sound->PlaySound(m_pMoveSound, 0);
    sound->SetSoundVolume(m_pMoveSound, MOVE_SOUND_VOLUME);
}

void FrontEndScene::PlaySelectSound() { GetSoundManager()->PlaySound(m_pSelectSound, 0); }

void FrontEndScene::Select() {
    if (m_uScreen == MENU_INSTRUCTIONS) m_uSelected = ITEM_INSTRUCTIONS_BACK;
    switch (m_uSelected) {
        case ITEM_START:
            PlaySelectSound();
            SetScreen(MENU_DIFFICULTY);
            m_fCameraTarget = CAMERA_LEFT;
            break;
        case ITEM_OPTIONS:
            PlaySelectSound();
            SetScreen(MENU_OPTIONS);
            m_fCameraTarget = CAMERA_OPTIONS;
            break;
        case ITEM_INSTRUCTIONS:
            PlaySelectSound();
            SetScreen(MENU_INSTRUCTIONS);
            m_fCameraTarget = CAMERA_LEFT;
            break;
        case ITEM_QUIT:
            if (m_pHost) m_pHost->Quit();
            break;
        case ITEM_INVERT_MOUSE:
            PlayMoveSound();
            if (Player* player = GetPlayer()) player->ToggleInvertMouse();
            break;
        case ITEM_SENSITIVITY:
            PlayMoveSound();
            m_uSensitivity = m_uSensitivity >= 2 ? 0 : m_uSensitivity + 1;
            if (Player* player = GetPlayer()) player->SetMouseSensitivity(m_uSensitivity);
            break;
        case ITEM_KEY_CONFIG:
            PlayMoveSound();
            m_uKeySet = m_uKeySet >= 1 ? 0 : m_uKeySet + 1;
            if (Player* player = GetPlayer()) player->SetKeyLayout(m_uKeySet);
            break;
        case ITEM_OPTIONS_BACK:
        case ITEM_INSTRUCTIONS_BACK:
        case ITEM_DIFFICULTY_BACK:
            PlaySelectSound();
            SetScreen(MENU_MAIN);
            m_fCameraTarget = CAMERA_MAIN;
            break;
        case ITEM_EASY:
        case ITEM_MEDIUM:
        case ITEM_HARD:
            PlaySelectSound();
            StartCountdown(m_uSelected - ITEM_EASY);
            break;
        default:
            break;
    }
}

// Shows the loading screen and starts the game when the delay has run out.
void FrontEndScene::StartCountdown(uint32_t difficulty) {
    SetScreen(MENU_LOADING);
    m_bStarting = true;
    m_fStartCountdown = START_DELAY;
    if (m_pHost) m_pHost->SetDifficulty(difficulty);
}

void FrontEndScene::SetScreen(uint32_t screen) {
    if (screen >= MENU_SCREEN_COUNT) screen = MENU_MAIN;
    m_uScreen = screen;
    m_uSelected = g_MenuScreens[screen].first;
}

// Alpha 255, red from 128 to 255 with the sine of four times the running time,
// green and blue a quarter of the red.
void FrontEndScene::UpdatePulseColour() {
    uint32_t n = static_cast<uint32_t>((std::sin(4.0f * g_fTotalTime) + 1.0f) * 128.0f);
    if (n > 255) n = 255;
    const uint32_t m = n / 2 + 128;
    m_uPulseColour = 0xFF000000u | (m << 16) | ((m / 4) << 8) | (m / 4);
}

uint32_t FrontEndScene::GetItemColour(uint32_t item) const {
    if (item == m_uSelected && m_uScreen != MENU_LOADING) return m_uPulseColour;
    return GetMenuItem(item).colour;
}

const char* FrontEndScene::GetOptionText(uint32_t item) const {
    switch (item) {
        case ITEM_INVERT_MOUSE: {
            const Player* player = GetPlayer();
            return player && player->IsMouseInverted() ? "ON" : "OFF";
        }
        case ITEM_SENSITIVITY:
            return m_uSensitivity == 0 ? "LOW" : m_uSensitivity == 1 ? "MEDIUM" : "HIGH";
        case ITEM_KEY_CONFIG:
            return m_uKeySet != 0 ? "CURSOR KEYS" : "W,S,A,D";
        default:
            return nullptr;
    }
}

void FrontEndScene::DrawScreen(uint32_t screen) {
    const MenuScreen& s = GetMenuScreen(screen);
    const float scale = screen == MENU_INSTRUCTIONS ? INSTRUCTIONS_SCALE : ITEM_SCALE;
    for (uint32_t i = 0; i < s.count; ++i) DrawItem(s.first + i, scale);
}

void FrontEndScene::DrawItem(uint32_t item, float scale) {
    D3DFont* font = RenderDevice_GetFont();
    if (!font || item >= MENU_ITEM_COUNT) return;
    const MenuItem& m = GetMenuItem(item);
    const uint32_t colour = GetItemColour(item);
    font->DrawText(m.x, m.y, colour, m.text, scale, 0);
    if (const char* value = GetOptionText(item)) font->DrawText(m.x + OPTION_VALUE_OFFSET, m.y, colour, value, ITEM_SCALE, 0);
}
