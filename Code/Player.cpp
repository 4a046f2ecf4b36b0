#include "Player.h"

#include "EnemyManager.h"
#include "GoblinManager.h"
#include "pcsystem.h"

Player::Player()
    : m_vPosition(), m_fSeenTime(0.0f), m_fMouseSensitivity(0.01f), m_uInvertMouse(1), m_bSeen(0) {}

void Player::SetMouseSensitivity(uint32_t index) {
    m_fMouseSensitivity = index == 0 ? 0.005f : (index == 1 ? 0.01f : 0.02f);
}

// Action slots 0 to 3: left, right, forward, back.
void Player::SetKeyLayout(uint32_t layout) {
    static const uint8_t kArrows[4] = {37, 39, 38, 40};
    static const uint8_t kLetters[4] = {'A', 'D', 'W', 'S'};
    const uint8_t* keys = layout ? kArrows : kLetters;
    PCSystem* pc = GetPCSystem();
    for (uint32_t i = 0; i < 4; ++i) pc->SetActionKey(static_cast<ActionSlot>(i), keys[i]);
}

void Player::Update(float dt) {
    UpdateSpotted(dt);
    if (IsSpotted()) GetGoblinManager()->Spawn();
}

// Every walker is asked; the frame on which seeing starts adds no time.
void Player::UpdateSpotted(float dt) {
    EnemyManager* enemies = GetEnemyManager();
    bool seenNow = false;
    for (uint32_t i = 0; i < enemies->GetCount(); ++i)
        if (Enemy* e = enemies->GetEnemy(i); e && e->CanSee(m_vPosition)) seenNow = true;
    if (seenNow) {
        if (m_bSeen) m_fSeenTime += dt;
        m_bSeen = 1;
    } else {
        m_bSeen = 0;
        m_fSeenTime = 0.0f;
    }
}
