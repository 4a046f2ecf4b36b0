// Releasing a held COM interface: the engine's device, sound and music objects
// keep their interfaces in pointers that must read null once released.
#pragma once

// Releases p when it is held and leaves it null; a null p does nothing.
template <typename T>
void ReleaseAndNull(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}
