// The registry file reader, then every key and value it accepted read back.
#include <cstdlib>
#include <string>

#include "fuzz_files.h"
#include "windows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quilfuzz::EnterScratchFolder();
    setenv("XDG_CONFIG_HOME", "config", 1);
    mkdir("config", 0755);
    mkdir("config/quilengine", 0755);
    if (!quilfuzz::WriteInput(quil_automation::RegistryFilePath().c_str(), data, size)) return 0;
    quil_automation::ReloadRegistry();
    HKEY key = nullptr;
    for (const char* path : {"Software", "Software\\QuilEngine", "x"}) {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        for (const char* value : {"", "a", "Adapter", "x"}) {
            BYTE buf[64];
            DWORD type = 0, bytes = sizeof(buf);
            RegQueryValueExA(key, value, nullptr, &type, buf, &bytes);
        }
        RegCloseKey(key);
    }
    return 0;
}
