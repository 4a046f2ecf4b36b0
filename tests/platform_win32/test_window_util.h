// A recording window procedure for the window platform's tests.
#pragma once
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <vector>
#include "quil_automation.h"
#include "windows.h"

struct Logged { HWND hwnd; UINT msg; WPARAM wp; LPARAM lp; };

// Everything the recording procedure saw, and per-message answers.
struct Recorder {
    std::vector<Logged> log;
    std::map<UINT, std::function<LRESULT(HWND, WPARAM, LPARAM)>> handlers;
    static Recorder& Get() { static Recorder r; return r; }
    void Clear() { log.clear(); }
    std::vector<UINT> Messages(std::initializer_list<UINT> only = {}) const {
        std::vector<UINT> v;
        for (const auto& l : log) {
            bool keep = only.size() == 0;
            for (UINT m : only) keep = keep || m == l.msg;
            if (keep) v.push_back(l.msg);
        }
        return v;
    }
    const Logged* Last(UINT msg) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) if (it->msg == msg) return &*it;
        return nullptr;
    }
    int Count(UINT msg) const {
        int n = 0;
        for (const auto& l : log) n += l.msg == msg;
        return n;
    }
};

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Recorder::Get().log.push_back({hwnd, msg, wp, lp});
    auto it = Recorder::Get().handlers.find(msg);
    if (it != Recorder::Get().handlers.end()) return it->second(hwnd, wp, lp);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A recording window of the given client size (hidden until shown), optionally with menu 108.
inline HWND MakeWindow(int cw, int ch, bool menu = false) {
    HMENU m = menu ? LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(108)) : nullptr;
    return quil_automation::CreateTestWindow(cw, ch, m, RecordingProc, false);
}

// Dispatches everything waiting in the queue; returns the number dispatched.
inline int Drain(HACCEL accel = nullptr, HWND accelWindow = nullptr) {
    MSG m;
    int n = 0;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) { PostQuitMessage(static_cast<int>(m.wParam)); break; }
        ++n;
        if (accel && TranslateAcceleratorA(accelWindow, accel, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return n;
}

// A shown 320x240 recording window with menu 108, its start-up messages already
// dispatched and forgotten; keys still held at the end are let go.
class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::Get().Clear();
        Recorder::Get().handlers.clear();
        hwnd = MakeWindow(320, 240, true);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        Drain();
        Recorder::Get().Clear();
    }
    void TearDown() override {
        Recorder::Get().handlers.clear();
        for (int vk = 1; vk < 256; ++vk)
            if (quil_automation::IsKeyHeld(vk)) quil_automation::KeyUp(vk);
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        Drain();
    }
    HWND hwnd = nullptr;
};
