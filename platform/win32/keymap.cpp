// SDL key codes to Win32 virtual-key codes.
#include "win32_internal.h"

namespace w32 {

int VirtualKeyFromSdl(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD1 + (k - SDLK_KP_1);
    switch (k) {
        case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_HOME: return VK_HOME;
        case SDLK_END: return VK_END;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT: case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_CAPSLOCK: return VK_CAPITAL;
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        case SDLK_SEMICOLON: return VK_OEM_1;
        case SDLK_EQUALS: return VK_OEM_PLUS;
        case SDLK_COMMA: return VK_OEM_COMMA;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        case SDLK_SLASH: return VK_OEM_2;
        case SDLK_BACKQUOTE: return VK_OEM_3;
        case SDLK_LEFTBRACKET: return VK_OEM_4;
        case SDLK_BACKSLASH: return VK_OEM_5;
        case SDLK_RIGHTBRACKET: return VK_OEM_6;
        case SDLK_QUOTE: return VK_OEM_7;
        default: return 0;
    }
}

// The PC keyboard's set-1 scan code of a virtual key (bits 16-23 of a key message).
int KeyLparamScan(int vk) {
    static const char* kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const int kRowStart[] = {0x10, 0x1E, 0x2C};
    for (int r = 0; r < 3; ++r)
        for (int i = 0; kRows[r][i]; ++i)
            if (kRows[r][i] == vk) return kRowStart[r] + i;
    if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
    if (vk == '0') return 0x0B;
    if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + (vk - VK_F1);
    switch (vk) {
        case VK_F11: return 0x57;
        case VK_F12: return 0x58;
        case VK_ESCAPE: return 0x01;
        case VK_RETURN: return 0x1C;
        case VK_SPACE: return 0x39;
        case VK_BACK: return 0x0E;
        case VK_TAB: return 0x0F;
        case VK_SHIFT: return 0x2A;
        case VK_CONTROL: return 0x1D;
        case VK_MENU: return 0x38;
        case VK_LEFT: return 0x4B;
        case VK_RIGHT: return 0x4D;
        case VK_UP: return 0x48;
        case VK_DOWN: return 0x50;
        case VK_DELETE: return 0x53;
        case VK_INSERT: return 0x52;
        case VK_HOME: return 0x47;
        case VK_END: return 0x4F;
        case VK_PRIOR: return 0x49;
        case VK_NEXT: return 0x51;
        default: return 0;
    }
}

}  // namespace w32
