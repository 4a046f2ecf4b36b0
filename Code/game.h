// The game proper: the top-level process that owns the player, the snow, the
// title scene and the screen texts, loads the five levels in turn and runs the
// states menu, get ready, play, level complete and game over. It keeps the
// difficulty, the presents delivered, the level timer's start value and the
// hiscore, which lives in the file "frostwick.dat".
#pragma once
#include <cstdint>
#include "Bullets.h"
#include "EditorToggle.h"
#include "FrontEndScene.h"
#include "Pickups.h"
#include "Player.h"
#include "SnowStorm.h"
#include "TextOverlay.h"
#include "process.h"

class HUD;
struct MusicTrack;
struct Sound;

// The game's states; no state has the number 2.
enum GameState : uint32_t {
    GAMESTATE_IDLE = 0,
    GAMESTATE_MENU = 1,
    GAMESTATE_GET_READY = 3,
    GAMESTATE_PLAY = 4,
    GAMESTATE_LEVEL_COMPLETE = 5,
    GAMESTATE_GAME_OVER = 6,
};

// Difficulty settings, as the menu chooses them.
enum GameDifficulty : uint32_t {
    DIFFICULTY_EASY = 0,
    DIFFICULTY_MEDIUM = 1,
    DIFFICULTY_HARD = 2,
};

class Game : public Process, public FrontEndHost, public PickupsHost, public BulletsHost {
public:
    static constexpr uint32_t LEVEL_COUNT = 5;
    static constexpr uint32_t MUSIC_TRACKS = 3;
    // Seconds per level on hard; easy gives twice and medium one and a half times as long.
    static const float LevelTimes[LEVEL_COUNT];
    static constexpr float GET_READY_TIME = 4.0f;
    static constexpr float LEVEL_COMPLETE_TIME = 3.0f;
    static constexpr float GAME_OVER_TIME = 4.0f;
    // Seconds a held F6 or F7 waits before it changes the level again.
    static constexpr float LEVEL_KEY_DELAY = 0.5f;
    static constexpr uint32_t DELIVERY_SCORE = 250;
    static constexpr const char* HiscoreFile = "frostwick.dat";
    // The stored hiscore record: a u32 1 and the u32 hiscore, little-endian.
    static constexpr uint32_t HISCORE_FILE_SIZE = 8;

    Game();
    ~Game() override = default;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Engine calls: start-up, one frame, the end of the run.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override {}
    void Deactivate() override {}

    // The title scene's calls.
    // Leaves the menu, loads level 0 and starts the get-ready sequence.
    void StartGame() override;
    // Leaves the menu and asks the engine to quit.
    void Quit() override;
    // 0 easy, 1 medium, 2 hard; any other value is ignored.
    void SetDifficulty(uint32_t difficulty) override;
    uint32_t GetHiscore() override { return m_uHiscore; }
    Player* GetPlayer() override { return &m_Player; }
    SnowStorm* GetSnowStorm() override { return &m_Snow; }
    TextOverlay* GetTextOverlay() override { return &m_Texts; }

    // The pickups' and bullets' calls.
    const Vec3* GetPlayerPosition() override;
    void AddScore(uint32_t points) override;
    uint32_t GetDelivered() override { return m_uDelivered; }
    // One more present at the tree: +250, and the level is complete once every
    // present spot of the room has been served.
    void PresentDelivered() override;
    float GetPlayerHitRadiusSq() override;
    void PlayerTakeHit() override;
    uint32_t GetGoblinCount() override;
    const Vec3* GetGoblinPosition(uint32_t goblin) override;
    float GetGoblinHitRadiusSq(uint32_t goblin) override;
    void GoblinTakeHit(uint32_t goblin) override;

    // State machine steps.
    void SetState(uint32_t state);
    void GoToMenu();
    void LeaveMenu();
    // Takes every gameplay object out of play and keeps a better score as hiscore.
    void EndGame();
    // Level + 1, wrapping from 4 to 0, and loads it.
    void NextLevel();
    // Level - 1 and loads it; nothing on level 0.
    void PrevLevel();
    void LoadLevel();
    // Draws the loaded level once, unseen, with a spare goblin, so that no frame of its play
    // builds a device program.
    void DrawUnseenFrame();
    // Tells the player, once, that the level file just loaded was damaged.
    void ShowDamagedLevel();
    // Stops (or restarts) the world under the timed states' texts.
    void FreezeAll(bool frozen);
    void UpdatePlay(float dt);
    void UpdateGetReady(float dt);
    void UpdateLevelComplete(float dt);
    void UpdateGameOver(float dt);
    void UpdateEditorToggle();

    // The level timer's start value for level and difficulty.
    static float LevelTime(uint32_t level, uint32_t difficulty);
    // The bonus shown timeLeft seconds before the end with stateTimer seconds of
    // the level-complete state left: counts up over 1.5 s to ten times timeLeft.
    static uint32_t LevelBonus(float timeLeft, float stateTimer);
    // The hiscore of a stored record; false (and *hiscore untouched) when the
    // record is shorter than eight bytes.
    static bool DecodeHiscore(const uint8_t* data, uint32_t size, uint32_t* hiscore);
    static void EncodeHiscore(uint32_t hiscore, uint8_t out[HISCORE_FILE_SIZE]);

    // Accessors for the other classes. The HUD, pickups and bullets are the
    // ones their own units hand out (GetHUD, GetPickups, GetBullets).
    uint32_t GetLevelNumber() const { return m_uLevel; }
    uint32_t GetDifficulty() const { return m_uDifficulty; }
    HUD* GetHUD();
    Pickups* GetPickups();
    Bullets* GetBullets();
    FrontEndScene* GetFrontEnd() { return &m_FrontEnd; }

    // State, for tests and diagnostics.
    uint32_t GetState() const { return m_uState; }
    bool IsEditorOpen() const { return m_bEditorMode != 0; }
    uint32_t GetBonusLine() const { return m_uBonusLine; }
    MusicTrack* GetMusic(uint32_t i) const { return i < MUSIC_TRACKS ? m_pMusic[i] : nullptr; }

private:
    void ReadHiscore();
    void WriteHiscore();

    Player m_Player;
    SnowStorm m_Snow;
    FrontEndScene m_FrontEnd;
    TextOverlay m_Texts;
    char m_szDamagedLevel[32] = {};  // a damaged level file not yet reported on screen
    uint32_t m_uLevelDamage = 0;     // what was wrong with it (LevelDamage)
    MusicTrack* m_pMusic[MUSIC_TRACKS];
    Sound* m_pJingleStart;
    Sound* m_pJingleComplete;
    Sound* m_pJingleOver;
    EditorToggle m_EditorToggle;
    uint32_t m_uState;
    uint32_t m_uDelivered;
    uint32_t m_uLevel;
    uint32_t m_uBonusLine;
    uint32_t m_uBonus;
    uint32_t m_uHiscore;
    uint32_t m_uTrack;
    uint32_t m_uDifficulty;
    uint8_t m_bStateEntered;
    uint8_t m_bEditorMode;
    // Init ran, so the hiscore in hand is the stored one (or a better one).
    uint8_t m_bHiscoreRead;
    float m_fStateTimer;
    // Escape that ended a game is held: the menu waits for its release.
    uint8_t m_bEscapeLatch;
    // Engine time of the last F6/F7 level change.
    float m_fLastLevelKey;
};

// The one game, built on first use.
Game* GetGame();
