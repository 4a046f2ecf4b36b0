// The title scene and its menus: a small snowy backdrop with the snowman, the
// title tiles and letterbox bars, and five menu screens walked with Up, Down
// and Enter (main, options, loading, instructions, difficulty).
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "process.h"
#include "skinmesh.h"
#include "spritelist2d.h"

class Player;
class SnowStorm;
class TextOverlay;
struct ID3DXMesh;
struct MusicTrack;
struct Sound;

// What the title scene asks of the game that owns it.
class FrontEndHost {
public:
    virtual ~FrontEndHost() = default;
    // Leaves the menu and starts the first level.
    virtual void StartGame() = 0;
    // Leaves the menu and asks the engine to quit.
    virtual void Quit() = 0;
    // 0 easy, 1 medium, 2 hard.
    virtual void SetDifficulty(uint32_t difficulty) = 0;
    virtual uint32_t GetHiscore() = 0;
    virtual Player* GetPlayer() = 0;
    virtual SnowStorm* GetSnowStorm() = 0;
    virtual TextOverlay* GetTextOverlay() = 0;
};

// One menu text: top-left in the virtual 640x480 screen, ARGB colour, text.
struct MenuItem {
    float x, y;
    uint32_t colour;
    const char* text;
};

// A menu screen: its items, a run of the item table.
struct MenuScreen {
    uint32_t first;
    uint32_t count;
};

enum MenuScreenId : uint32_t {
    MENU_MAIN = 0,
    MENU_OPTIONS = 1,
    MENU_LOADING = 2,
    MENU_INSTRUCTIONS = 3,
    MENU_DIFFICULTY = 4,
    MENU_SCREEN_COUNT = 5,
};

class FrontEndScene : public Object {
public:
    enum { MENU_ITEM_COUNT = 23, HISCORE_TEXT_LENGTH = 64 };
    // Items the menu acts on by number.
    enum : uint32_t {
        ITEM_START = 0,
        ITEM_OPTIONS = 1,
        ITEM_INSTRUCTIONS = 2,
        ITEM_QUIT = 3,
        ITEM_INVERT_MOUSE = 4,
        ITEM_SENSITIVITY = 5,
        ITEM_KEY_CONFIG = 6,
        ITEM_OPTIONS_BACK = 7,
        ITEM_LOADING = 8,
        ITEM_INSTRUCTIONS_BACK = 18,
        ITEM_EASY = 19,
        ITEM_MEDIUM = 20,
        ITEM_HARD = 21,
        ITEM_DIFFICULTY_BACK = 22,
    };
    // Seconds a held menu key waits before it acts again.
    static constexpr float KEY_REPEAT_TIME = 0.3f;
    // Seconds between choosing a difficulty and the start of the game.
    static constexpr float START_DELAY = 0.5f;
    // Camera slide speed, units per second.
    static constexpr float CAMERA_SPEED = 40.0f;
    // Volume of the move sound, set again after every play.
    static constexpr float MOVE_SOUND_VOLUME = 0.75f;

    explicit FrontEndScene(FrontEndHost* host = nullptr);
    ~FrontEndScene() override;
    FrontEndScene(const FrontEndScene&) = delete;
    FrontEndScene& operator=(const FrontEndScene&) = delete;

    void SetHost(FrontEndHost* host) { m_pHost = host; }

    // Loads the music, sounds, snowman and sprite lists once, at game start-up.
    void Init() override;
    // Frees what Init loaded and leaves the frame loop.
    void Shutdown() override;
    // Slides the camera, counts down a chosen start, or handles the menu keys.
    void Update(float dt) override;
    // Shows the title scene on the main screen (the game enters its menu).
    void Activate() override;
    // Takes the title scene away (the game leaves its menu).
    void Deactivate() override;
    // Draws the sky, ground, trees and house, then the current screen's texts.
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    // Acts on the selected item, as Enter does.
    void Select();
    // Shows a screen with its first item selected.
    void SetScreen(uint32_t screen);
    // Recomputes the selected item's pulsing red from the engine's running time.
    void UpdatePulseColour();
    void DrawScreen(uint32_t screen);
    void DrawItem(uint32_t item, float scale);
    void BuildSkyQuad();

    // The colour an item is drawn in now: the pulse when it is selected (but
    // not on the loading screen), else its own.
    uint32_t GetItemColour(uint32_t item) const;
    // The value shown beside an option item, or null for any other item.
    const char* GetOptionText(uint32_t item) const;

    static const MenuItem& GetMenuItem(uint32_t item);
    static const MenuScreen& GetMenuScreen(uint32_t screen);

    // Read-only views for tests and diagnostics.
    bool IsActive() const { return m_bActive; }
    uint32_t GetScreen() const { return m_uScreen; }
    uint32_t GetSelected() const { return m_uSelected; }
    uint32_t GetSensitivity() const { return m_uSensitivity; }
    uint32_t GetKeySet() const { return m_uKeySet; }
    float GetCameraTarget() const { return m_fCameraTarget; }
    bool IsStarting() const { return m_bStarting; }
    const char* GetHiscoreText() const { return m_szHiscore; }
    SkinMesh* GetSnowman() { return &m_Snowman; }
    SpriteList2D* GetBars() { return &m_Bars; }
    SpriteList2D* GetTitle() { return &m_Title; }
    bool HasDeviceObjects() const { return m_pGroundMesh != nullptr; }
    IDirect3DVertexBuffer8* GetSkyVertexBuffer() const { return m_pSkyVB; }
    Sound* GetMoveSound() const { return m_pMoveSound; }
    Sound* GetSelectSound() const { return m_pSelectSound; }

private:
    // Handles at most one of Up, Down and Enter this frame.
    void HandleKeys();
    void MoveSelection(int direction);
    void PlayMoveSound();
    void PlaySelectSound();
    void StartCountdown(uint32_t difficulty);
    Player* GetPlayer() const;
    TextOverlay* GetTextOverlay() const;
    void DrawMesh(ID3DXMesh* mesh, IDirect3DTexture8* texture, uint32_t renderMode);

    ID3DXMesh* m_pGroundMesh;
    ID3DXMesh* m_pHouseMesh;
    ID3DXMesh* m_pTreesMesh;
    IDirect3DTexture8* m_pSnowTexture;
    IDirect3DTexture8* m_pHouseTexture;
    IDirect3DTexture8* m_pSkyTexture;
    IDirect3DTexture8* m_pTreesTexture;
    IDirect3DVertexBuffer8* m_pSkyVB;
    MusicTrack* m_pTheme;
    Sound* m_pMoveSound;
    Sound* m_pSelectSound;
    SkinMesh m_Snowman;
    SpriteList2D m_Bars;
    SpriteList2D m_Title;
    float m_fCameraTarget;
    uint32_t m_uScreen;
    uint32_t m_uSelected;
    uint32_t m_uPulseColour;
    uint32_t m_uSensitivity;
    uint32_t m_uKeySet;
    float m_fStartCountdown;
    bool m_bStarting;

    FrontEndHost* m_pHost;
    bool m_bActive;
    // Engine time of the last menu key acted on; 0 once no menu key is held.
    float m_fLastKeyTime;
    // The hiscore line as last shown (the overlay keeps its own copy).
    char m_szHiscore[HISCORE_TEXT_LENGTH];
};
