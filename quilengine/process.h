// The two base classes of everything in the frame loop: Process (updated every
// frame while registered with the GameEngine) and Object (a Process that draws).
#pragma once
#include <cstdint>
#include "quilmath.h"

class Process {
public:
    Process() : m_uFlags(0), m_pPrev(nullptr), m_pNext(nullptr) {}
    virtual ~Process() = default;

    virtual void Init() = 0;
    virtual void Shutdown() = 0;
    virtual void Update(float dt) = 0;
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;

    uint32_t TestFlags(uint32_t mask) const { return m_uFlags & mask; }
    void SetFlag(bool on, uint32_t mask) {
        if (on) m_uFlags |= mask;
        else m_uFlags &= ~mask;
    }
    // A frozen process stays listed (and drawn) but is not updated.
    void SetFrozen(bool frozen) { SetFlag(frozen, 1); }

    Process* GetNext() const { return m_pNext; }
    void SetNext(Process* p) { m_pNext = p; }
    Process* GetPrev() const { return m_pPrev; }
    void SetPrev(Process* p) { m_pPrev = p; }

private:
    uint32_t m_uFlags;
    Process* m_pPrev;
    Process* m_pNext;
};

class Object : public Process {
public:
    Object() : m_pNextObject(nullptr), m_uRenderFlags(0) {
        mat_Identity(&m_mWorld);
        Link();
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    ~Object() override {
        (m_pPrevLive ? m_pPrevLive->m_pNextLive : s_pLive) = m_pNextLive;
        if (m_pNextLive) m_pNextLive->m_pPrevLive = m_pPrevLive;
    }

    // Every object that exists, listed for drawing or not, newest first: the device's
    // delete step reaches those that are not in a draw list through it.
    static Object* FirstLive() { return s_pLive; }
    Object* NextLive() const { return m_pNextLive; }

    void Init() override {}
    // Leaves the frame loop and the draw list, then frees the device resources.
    void Shutdown() override {
        Deactivate();
        InvalidateDeviceObjects();
    }
    void Update(float) override {}

    virtual void Render() = 0;
    virtual void InvalidateDeviceObjects() = 0;
    virtual void RestoreDeviceObjects() = 0;

    Matrix* GetMatrix() { return &m_mWorld; }
    float GetX() const { return m_mWorld.m[3][0]; }
    float GetZ() const { return m_mWorld.m[3][2]; }

    // The Renderer's draw-list link and skip-render flags (bit 0: not drawn).
    Object* GetNextObject() const { return m_pNextObject; }
    void SetNextObject(Object* o) { m_pNextObject = o; }
    uint32_t GetRenderFlags() const { return m_uRenderFlags; }
    void SetRenderFlags(uint32_t flags) { m_uRenderFlags = flags; }

private:
    void Link() {
        m_pPrevLive = nullptr;
        m_pNextLive = s_pLive;
        if (s_pLive) s_pLive->m_pPrevLive = this;
        s_pLive = this;
    }

    Matrix m_mWorld;
    Object* m_pNextObject;
    uint32_t m_uRenderFlags;
    Object* m_pPrevLive;
    Object* m_pNextLive;
    static inline Object* s_pLive = nullptr;
};
