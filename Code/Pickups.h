// The things the player collects: the present lying at one of the room's
// present spots and the star on the Christmas tree where it is delivered, plus
// the health and time pickups that are drawn when set but do nothing. Their
// meshes spin and bob together; the player's distance to them is tested each
// frame.
#pragma once
#include <cstdint>
#include "process.h"
#include "quilmath.h"

struct ID3DXMesh;
struct IDirect3DTexture8;
struct Sound;

// Pickup types, indexing the slots.
constexpr uint32_t PICKUP_PRESENT = 0;
constexpr uint32_t PICKUP_HEALTH = 1;
constexpr uint32_t PICKUP_TIME = 2;
constexpr uint32_t PICKUP_STAR = 3;
constexpr uint32_t PICKUP_SLOT_COUNT = 4;

// One pickup: flags bit 0 active, and its position.
struct PickupSlot {
    uint32_t flags;
    float x, y, z;
};

// What the pickups ask of the game that owns them: where the player stands,
// the player's score and the count of presents delivered in this level.
class PickupsHost {
public:
    virtual ~PickupsHost() = default;
    // The player's eye position.
    virtual const Vec3* GetPlayerPosition() = 0;
    // Adds points to the player's score.
    virtual void AddScore(uint32_t points) = 0;
    // Presents delivered so far in this level.
    virtual uint32_t GetDelivered() = 0;
    // One more present delivered (score and level completion are the game's).
    virtual void PresentDelivered() = 0;
};

class Pickups : public Object {
public:
    static constexpr float STAR_HEIGHT = 35.0f;
    static constexpr float COLLECT_RADIUS = 20.0f;
    static constexpr uint32_t PRESENT_SCORE = 50;

    Pickups();

    // Process and object operations.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    // The game the pickups report to; without one nothing is collected.
    void SetHost(PickupsHost* host) { m_pHost = host; }

    // Makes slot type active at position; the star is lifted to y 35.
    void SetPickup(uint32_t type, const Vec3& position);
    // Every slot becomes inactive.
    void Clear();
    bool IsSlotActive(uint32_t type) const;
    const PickupSlot* GetSlot(uint32_t type) const;

    float GetSpin() const { return m_fSpin; }
    float GetBobPhase() const { return m_fBobPhase; }
    bool IsActive() const { return m_bActive; }

private:
    // The player reached slot's pickup.
    void Collect(uint32_t slot);
    // Frees both sounds.
    void FreeSounds();

    Sound* m_pGotPresent;
    Sound* m_pDoPresent;
    ID3DXMesh* m_pMesh[PICKUP_SLOT_COUNT];
    IDirect3DTexture8* m_pTexture[PICKUP_SLOT_COUNT];
    PickupSlot m_slot[PICKUP_SLOT_COUNT];
    float m_fSpin;
    float m_fBobPhase;
    float m_fCollectRadiusSq;
    PickupsHost* m_pHost;
    bool m_bActive;
};

// The game's pickups (the ones the level loader places).
Pickups* GetPickups();
