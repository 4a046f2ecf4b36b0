// Framework utilities: media files, registry values, strings, trace output, GUID
// text and Direct3D helpers.
#include "d3dutil.h"
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

// The SDK's media folder from the registry, or an empty text.
const char* GetMediaPath() {
    static char s_strNull[2] = "";
    static char s_strPath[MAX_PATH + 20];
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX SDK", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return s_strNull;
    DWORD type = 0;
    DWORD size = MAX_PATH;
    LONG result = RegQueryValueExA(key, "DX81SDK Samples Path", nullptr, &type, (BYTE*)s_strPath, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return s_strNull;
    s_strPath[MAX_PATH - 1] = '\0';
    std::strncat(s_strPath, "\\Media\\", sizeof(s_strPath) - std::strlen(s_strPath) - 1);
    return s_strPath;
}

namespace {
bool OpensForReading(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}
}  // namespace

// Finds a media file: as given (full path), by its bare name, or in the media folder.
HRESULT FindMediaFile(char* path, const char* filename) {
    if (!path || !filename) return E_INVALIDARG;
    char fullPath[1024];
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(filename, 1024, fullPath, &filePart);
    if (length == 0 || length >= 1024) return E_FAIL;

    if (OpensForReading(fullPath)) {
        std::strcpy(path, fullPath);
        return S_OK;
    }
    const char* bare = filePart ? filePart : filename;
    if (OpensForReading(bare)) {
        std::strcpy(path, bare);
        return S_OK;
    }
    char mediaPath[1024 + MAX_PATH + 20];
    std::snprintf(mediaPath, sizeof(mediaPath), "%s%s", GetMediaPath(), bare);
    if (OpensForReading(mediaPath)) {
        std::strcpy(path, mediaPath);
        return S_OK;
    }
    std::strcpy(path, filename);
    return E_FAIL;
}

HRESULT ReadStringRegValue(HKEY key, const char* valueName, char* value, DWORD size, const char* defaultValue) {
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS)
        std::strcpy(value, defaultValue);
    return S_OK;
}

HRESULT WriteStringRegValue(HKEY key, const char* valueName, const char* value) {
    if (RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)value, (DWORD)std::strlen(value) + 1) !=
        ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

HRESULT ReadIntRegValue(HKEY key, const char* valueName, DWORD* value, DWORD defaultValue) {
    DWORD type = 0;
    DWORD size = sizeof(DWORD);
    if (RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS) *value = defaultValue;
    return S_OK;
}

HRESULT WriteIntRegValue(HKEY key, const char* valueName, DWORD value) {
    if (RegSetValueExA(key, valueName, 0, REG_DWORD, (const BYTE*)&value, sizeof(DWORD)) != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

HRESULT ReadBoolRegValue(HKEY key, const char* valueName, BOOL* value, BOOL defaultValue) {
    return ReadIntRegValue(key, valueName, (DWORD*)value, (DWORD)defaultValue);
}

HRESULT WriteBoolRegValue(HKEY key, const char* valueName, BOOL value) {
    return WriteIntRegValue(key, valueName, (DWORD)value);
}

HRESULT ReadGuidRegValue(HKEY key, const char* valueName, GUID* value, const GUID& defaultValue) {
    DWORD type = 0;
    DWORD size = sizeof(GUID);
    if (RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS) *value = defaultValue;
    return S_OK;
}

HRESULT WriteGuidRegValue(HKEY key, const char* valueName, const GUID& value) {
    if (RegSetValueExA(key, valueName, 0, REG_BINARY, (const BYTE*)&value, sizeof(GUID)) != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

void AnsiToWide(WCHAR* wide, const char* narrow, int capacity) {
    if (!wide || !narrow) return;
    if (capacity == -1) capacity = (int)std::strlen(narrow) + 1;
    if (capacity <= 0) return;
    MultiByteToWideChar(CP_ACP, 0, narrow, capacity - 1, wide, capacity - 1);
    wide[capacity - 1] = 0;
}

void WideToAnsi(char* narrow, const WCHAR* wide, int capacity) {
    if (!narrow || !wide) return;
    if (capacity == -1) capacity = (int)std::wcslen(wide) + 1;
    if (capacity <= 0) return;
    WideCharToMultiByte(CP_ACP, 0, wide, capacity - 1, narrow, capacity - 1, nullptr, nullptr);
    narrow[capacity - 1] = 0;
}

void CopyGenericString(char* out, const char* text, int capacity) {
    if (!out || !text || capacity == 0) return;
    if (capacity == -1) {
        std::strcpy(out, text);
        return;
    }
    std::strncpy(out, text, (size_t)capacity);
    out[capacity - 1] = '\0';
}

void CopyGenericStringToAnsi(char* out, const char* text, int capacity) { CopyGenericString(out, text, capacity); }

void GenericToWide(WCHAR* out, const char* text, int capacity) {
    if (!out || !text || capacity == 0) return;
    AnsiToWide(out, text, capacity);
}

void WideToGeneric(char* out, const WCHAR* text, int capacity) {
    if (!out || !text || capacity == 0) return;
    WideToAnsi(out, text, capacity);
}

// Writes "file(line): message (hr=...)" to the debugger output; returns hr.
HRESULT TraceHResult(const char* file, DWORD line, HRESULT hr, const char* message) {
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), "%s(%ld): ", file ? file : "", (long)line);
    OutputDebugStringA(buffer);
    OutputDebugStringA(message ? message : "");
    if (hr != 0) {
        std::snprintf(buffer, sizeof(buffer), "(hr=%08lx)\n", (unsigned long)(DWORD)hr);
        OutputDebugStringA(buffer);
    }
    OutputDebugStringA("\n");
    return hr;
}

void TraceMessage(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    OutputDebugStringA(buffer);
}

BOOL StringToGuid(const char* text, GUID* guid) {
    unsigned int d1 = 0, d2 = 0, d3 = 0, b[8] = {};
    int read = text ? std::sscanf(text, "{%8X-%4X-%4X-%2X%2X-%2X%2X%2X%2X%2X%2X}", &d1, &d2, &d3, &b[0], &b[1],
                                  &b[2], &b[3], &b[4], &b[5], &b[6], &b[7])
                    : 0;
    if (read != 11) {
        std::memset(guid, 0, sizeof(GUID));
        return FALSE;
    }
    guid->Data1 = d1;
    guid->Data2 = (WORD)d2;
    guid->Data3 = (WORD)d3;
    for (int i = 0; i < 8; i++) guid->Data4[i] = (BYTE)b[i];
    return TRUE;
}

void GuidToString(const GUID* guid, char* text) {
    std::sprintf(text, "{%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X}", (unsigned)guid->Data1,
                 (unsigned)guid->Data2, (unsigned)guid->Data3, guid->Data4[0], guid->Data4[1], guid->Data4[2],
                 guid->Data4[3], guid->Data4[4], guid->Data4[5], guid->Data4[6], guid->Data4[7]);
}

void InitMaterial(D3DMATERIAL8& material, float r, float g, float b, float a) {
    std::memset(&material, 0, sizeof(material));
    material.Diffuse.r = material.Ambient.r = r;
    material.Diffuse.g = material.Ambient.g = g;
    material.Diffuse.b = material.Ambient.b = b;
    material.Diffuse.a = material.Ambient.a = a;
}

void InitLight(D3DLIGHT8& light, D3DLIGHTTYPE type, float x, float y, float z) {
    std::memset(&light, 0, sizeof(light));
    light.Type = type;
    light.Diffuse.r = 1.0f;
    light.Diffuse.g = 1.0f;
    light.Diffuse.b = 1.0f;
    D3DXVECTOR3 direction(x, y, z);
    D3DXVec3Normalize((D3DXVECTOR3*)&light.Direction, &direction);
    light.Position.x = x;
    light.Position.y = y;
    light.Position.z = z;
    light.Range = 1000.0f;
}

HRESULT CreateTextureFromMedia(IDirect3DDevice8* device, const char* filename, IDirect3DTexture8** texture,
                               D3DFORMAT format) {
    char path[1024 + MAX_PATH + 20];
    FindMediaFile(path, filename);
    return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format,
                                        D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr, texture);
}

// Makes every texel equal to the colour key transparent black.
HRESULT SetTextureColorKey(IDirect3DTexture8* texture, DWORD colorKey) {
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    const DWORD r = (colorKey >> 16) & 0xFF, g = (colorKey >> 8) & 0xFF, b = colorKey & 0xFF;
    DWORD key;
    size_t texelSize;
    if (desc.Format == D3DFMT_A4R4G4B4) {
        key = 0xF000 + (r >> 4) * 256 + (g & 0xF0) + (b >> 4);
        texelSize = 2;
    } else if (desc.Format == D3DFMT_A1R5G5B5) {
        key = 0x8000 + (r >> 3) * 1024 + (g >> 3) * 32 + (b >> 3);
        texelSize = 2;
    } else if (desc.Format == D3DFMT_A8R8G8B8) {
        key = colorKey;
        texelSize = 4;
    } else {
        return E_FAIL;
    }

    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return E_FAIL;
    // Rows advance by the locked pitch, which may exceed the row's texels.
    for (DWORD y = 0; y < desc.Height; y++) {
        BYTE* row = (BYTE*)locked.pBits + (size_t)y * (size_t)locked.Pitch;
        for (DWORD x = 0; x < desc.Width; x++) {
            if (texelSize == 2) {
                WORD* texel = (WORD*)row + x;
                if (*texel == (WORD)key) *texel = 0;
            } else {
                DWORD* texel = (DWORD*)row + x;
                if (*texel == key) *texel = 0;
            }
        }
    }
    texture->UnlockRect(0);
    return S_OK;
}

HRESULT CreateVertexShaderFromFile(IDirect3DDevice8* device, const char* filename, const DWORD* declaration,
                                   DWORD* handle) {
    char path[1024 + MAX_PATH + 20];
    FindMediaFile(path, filename);
    LPD3DXBUFFER code = nullptr;
    HRESULT hr = D3DXAssembleShaderFromFileA(path, 0, nullptr, &code, nullptr);
    if (FAILED(hr)) return hr;
    hr = device->CreateVertexShader(declaration, (const DWORD*)code->GetBufferPointer(), handle, 0);
    code->Release();
    return hr;
}

D3DXMATRIX GetCubeMapViewMatrix(DWORD face) {
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 lookAt, up;
    switch (face) {
        case 0: lookAt = D3DXVECTOR3(1.0f, 0.0f, 0.0f); up = D3DXVECTOR3(0.0f, 1.0f, 0.0f); break;
        case 1: lookAt = D3DXVECTOR3(-1.0f, 0.0f, 0.0f); up = D3DXVECTOR3(0.0f, 1.0f, 0.0f); break;
        case 2: lookAt = D3DXVECTOR3(0.0f, 1.0f, 0.0f); up = D3DXVECTOR3(0.0f, 0.0f, -1.0f); break;
        case 3: lookAt = D3DXVECTOR3(0.0f, -1.0f, 0.0f); up = D3DXVECTOR3(0.0f, 0.0f, 1.0f); break;
        case 4: lookAt = D3DXVECTOR3(0.0f, 0.0f, 1.0f); up = D3DXVECTOR3(0.0f, 1.0f, 0.0f); break;
        default: lookAt = D3DXVECTOR3(0.0f, 0.0f, -1.0f); up = D3DXVECTOR3(0.0f, 1.0f, 0.0f); break;
    }
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &lookAt, &up);
    return view;
}
