// The in-game level editor: edits the current room of the loaded level from an
// orbit camera. A selection rectangle on the 8 by 8 node grid is moved and sized
// with the arrows; the mode decides what the keys do to the selected nodes
// (walls, floor and ceiling tiles, props, room points, patrol paths). Letter keys
// and a column of icons switch modes, fill the room, start a new level and save
// the level and enemy files.
#pragma once
#include <cstdint>
#include "LevelRenderer.h"
#include "process.h"
#include "quilmath.h"
#include "spritelist2d.h"

struct IDirect3DVertexBuffer8;
struct IDirect3DIndexBuffer8;
struct Node;

// Editor modes (and the command numbers that select them).
enum EditorMode : uint32_t {
    EDITOR_MODE_MOVE = 0,
    EDITOR_MODE_SIZE = 1,
    EDITOR_MODE_WALLS = 2,
    EDITOR_MODE_FLOOR = 3,
    EDITOR_MODE_CEILING = 4,
    EDITOR_MODE_PROPS = 5,
    EDITOR_MODE_ROOM_POINTS = 6,
    EDITOR_MODE_NONE = 7,
    EDITOR_MODE_PATHS = 8,
};

// Commands beyond the modes.
enum EditorCommand : uint32_t {
    EDITOR_COMMAND_FILL = 9,
    EDITOR_COMMAND_NEW = 10,
    EDITOR_COMMAND_SAVE = 11,
    EDITOR_COMMAND_NONE = 12,
};

// The tile sets the picker edits.
enum EditorTextureSet : uint32_t {
    EDITOR_SET_WALLS = 0,
    EDITOR_SET_CEILING = 1,
    EDITOR_SET_FLOOR = 2,
};

class Editor : public Object {
public:
    static constexpr uint32_t ICON_COUNT = 13;      // 12 mode and command icons and the cursor
    static constexpr uint32_t CURSOR_SPRITE = 12;
    static constexpr uint8_t NO_TILE = 255;
    static constexpr uint32_t PATH_COUNT = 6;
    static constexpr float REPEAT_DELAY = 0.15f;    // seconds between repeats of a held key

    Editor();
    ~Editor() override;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    // Commands (letter keys and icon clicks), once per update.
    void HandleCommands();
    // Keeps everything reachable from the room's start node and empties the rest.
    void FillRoom();
    void FloodFill(uint32_t col, uint32_t row);
    void ApplyFill();
    // Writes the level file and the enemy file of the current level number;
    // false (and an existing file left as it was) when either could not be written.
    bool Save();

    void CreateSelectionBuffers();
    void BuildSelectionQuad();
    void UpdateIcons();
    void SetupSprites();

    // State, for the game and for diagnostics.
    bool IsActive() const { return m_bActive != 0; }
    uint32_t GetMode() const { return m_uMode; }
    uint32_t GetSelectionX() const { return m_uSelX; }
    uint32_t GetSelectionY() const { return m_uSelY; }
    uint32_t GetSelectionWidth() const { return m_uSelWidth; }
    uint32_t GetSelectionHeight() const { return m_uSelHeight; }
    uint32_t GetTextureSet() const { return m_uTextureSet; }
    uint8_t GetTileIndex(uint32_t set) const { return set < 3 ? m_aTileIndex[set] : NO_TILE; }
    uint8_t GetPropType() const { return m_uPropType; }
    uint32_t GetPath() const { return m_uPath; }
    float GetYaw() const { return m_fYaw; }
    float GetCameraHeight() const { return m_fHeight; }
    const uint8_t* GetFillVisited() const { return m_aVisited; }
    SpriteList2D* GetIcons() { return &m_Icons; }
    SpriteList2D* GetPreview() { return &m_Preview; }
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVB; }
    IDirect3DIndexBuffer8* GetIndexBuffer() const { return m_pIB; }

private:
    // Mode handlers.
    void UpdateMove();
    void UpdateSize();
    void UpdateWalls();
    void UpdateFloor();
    void UpdateCeiling();
    void UpdateProps();
    void UpdateRoomPoints();
    void UpdatePaths();
    void UpdateTilePicker();
    void UpdateCamera();
    // The arrow key that points in direction d (0 +x, 1 -x, 2 +z, 3 -z) on screen.
    uint8_t DirectionKey(uint32_t d) const;
    bool DirectionDown(uint32_t d) const;
    // Writes the tile index of the current set into the selected nodes' floor or ceiling.
    void PaintTiles(bool floor);
    // Whether the current room exists, so that its nodes may be edited.
    bool HasRoom() const;
    // The centre of the selection's top-left node, at height y.
    Vec3 SelectionCentre(float y) const;
    // The mouse position in the virtual 640 by 480 screen.
    void VirtualMouse(float* x, float* y) const;
    // Texture coordinates of cell 0..15 of a 4 by 4 atlas; cell 16 is all zeros (no tile).
    static void SetCell(Sprite2D* sprite, uint32_t cell);
    void RenderPropPreview();
    void RenderMarkers();

    Vec3 m_vQuad[4];
    uint32_t m_uMode;
    uint32_t m_uSelX;
    uint32_t m_uSelY;
    uint32_t m_uSelWidth;
    uint32_t m_uSelHeight;
    uint32_t m_uQuadVerts;
    uint32_t m_uQuadTris;
    uint32_t m_uTextureSet;
    uint32_t m_uPath;
    Matrix m_mTarget;
    float m_fYaw;
    float m_fHeight;
    float m_fDistance;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    SpriteList2D m_Icons;
    SpriteList2D m_Preview;
    Node* m_pFillNodes;
    DetailObject m_PreviewProp;
    uint8_t m_aTileIndex[3];
    uint8_t m_aVisited[64];
    uint8_t m_uPropType;
    uint8_t m_bActive;
    uint8_t m_bSaveFailureTold;  // a failed save of the current S press was told
};

// The one editor, built on first use.
Editor* GetEditor();
