// The program entry: hands the game to the engine.
#include "windows.h"
#include "game.h"
#include "gameengine.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return GetGameEngine()->Run(instance, GetGame(), 0);
}

int main() {
    static char commandLine[] = "";
    const int showNormal = 1;
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, showNormal);
}
