// Small services that come with the application framework: media files, registry
// values, string conversion, trace output, GUID text, Direct3D material, light,
// texture and shader helpers, the cube-map view, a trackball, an arcball and a
// simple view camera. The game itself uses none of them.
#pragma once
#include "windows.h"
#include "winreg.h"
#include "d3d8.h"
#include "d3dx8.h"

// Files and registry.
const char* GetMediaPath();
HRESULT FindMediaFile(char* path, const char* filename);
HRESULT ReadStringRegValue(HKEY key, const char* valueName, char* value, DWORD size, const char* defaultValue);
HRESULT WriteStringRegValue(HKEY key, const char* valueName, const char* value);
HRESULT ReadIntRegValue(HKEY key, const char* valueName, DWORD* value, DWORD defaultValue);
HRESULT WriteIntRegValue(HKEY key, const char* valueName, DWORD value);
HRESULT ReadBoolRegValue(HKEY key, const char* valueName, BOOL* value, BOOL defaultValue);
HRESULT WriteBoolRegValue(HKEY key, const char* valueName, BOOL value);
HRESULT ReadGuidRegValue(HKEY key, const char* valueName, GUID* value, const GUID& defaultValue);
HRESULT WriteGuidRegValue(HKEY key, const char* valueName, const GUID& value);

// Strings, GUIDs and trace output.
void AnsiToWide(WCHAR* wide, const char* narrow, int capacity);
void WideToAnsi(char* narrow, const WCHAR* wide, int capacity);
void CopyGenericString(char* out, const char* text, int capacity);
void CopyGenericStringToAnsi(char* out, const char* text, int capacity);
void GenericToWide(WCHAR* out, const char* text, int capacity);
void WideToGeneric(char* out, const WCHAR* text, int capacity);
HRESULT TraceHResult(const char* file, DWORD line, HRESULT hr, const char* message);
void TraceMessage(const char* format, ...);
BOOL StringToGuid(const char* text, GUID* guid);
void GuidToString(const GUID* guid, char* text);

// Direct3D helpers.
void InitMaterial(D3DMATERIAL8& material, float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 1.0f);
void InitLight(D3DLIGHT8& light, D3DLIGHTTYPE type, float x = 0.0f, float y = 0.0f, float z = 0.0f);
HRESULT CreateTextureFromMedia(IDirect3DDevice8* device, const char* filename, IDirect3DTexture8** texture,
                               D3DFORMAT format = D3DFMT_UNKNOWN);
HRESULT SetTextureColorKey(IDirect3DTexture8* texture, DWORD colorKey);
HRESULT CreateVertexShaderFromFile(IDirect3DDevice8* device, const char* filename, const DWORD* declaration,
                                   DWORD* handle);
D3DXMATRIX GetCubeMapViewMatrix(DWORD face);
D3DXQUATERNION GetRotationFromCursor(HWND window, float radius = 1.0f);

// The rotation from one direction to another, as a quaternion.
D3DXQUATERNION* AxisToAxisQuaternion(D3DXQUATERNION* out, const D3DXVECTOR3* from, const D3DXVECTOR3* to);

// A mouse-driven rotation and translation of a scene.
class ArcBall {
public:
    ArcBall();
    void SetWindow(int width, int height, float radius = 0.9f);
    void SetTranslationRadius(float radius) { m_fRadiusTranslation = radius; }
    BOOL HandleMouseMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    D3DXVECTOR3 ScreenToVector(int x, int y) const;

    const D3DXMATRIX* GetRotationMatrix() const { return &m_matRotation; }
    const D3DXMATRIX* GetRotationDeltaMatrix() const { return &m_matRotationDelta; }
    const D3DXMATRIX* GetTranslationMatrix() const { return &m_matTranslation; }
    const D3DXMATRIX* GetTranslationDeltaMatrix() const { return &m_matTranslationDelta; }
    BOOL IsBeingDragged() const { return m_bDrag; }

private:
    int m_iWidth;
    int m_iHeight;
    float m_fRadius;
    float m_fRadiusTranslation;
    D3DXQUATERNION m_qDown;
    D3DXQUATERNION m_qNow;
    D3DXMATRIX m_matRotation;
    D3DXMATRIX m_matRotationDelta;
    D3DXMATRIX m_matTranslation;
    D3DXMATRIX m_matTranslationDelta;
    BOOL m_bDrag;
};

// A look-at camera with a billboard matrix and a perspective projection.
class ViewCamera {
public:
    ViewCamera();
    void SetViewParams(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up);
    void SetProjParams(float fov, float aspect, float nearPlane, float farPlane);

    const D3DXVECTOR3& GetEyePt() const { return m_vEyePt; }
    const D3DXVECTOR3& GetLookatPt() const { return m_vLookatPt; }
    const D3DXVECTOR3& GetUpVec() const { return m_vUpVec; }
    const D3DXVECTOR3& GetViewDir() const { return m_vView; }
    const D3DXVECTOR3& GetCross() const { return m_vCross; }
    const D3DXMATRIX& GetViewMatrix() const { return m_matView; }
    const D3DXMATRIX& GetBillboardMatrix() const { return m_matBillboard; }
    const D3DXMATRIX& GetProjMatrix() const { return m_matProj; }

private:
    D3DXVECTOR3 m_vEyePt;
    D3DXVECTOR3 m_vLookatPt;
    D3DXVECTOR3 m_vUpVec;
    D3DXVECTOR3 m_vView;
    D3DXVECTOR3 m_vCross;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matBillboard;
    float m_fFOV;
    float m_fAspect;
    float m_fNearPlane;
    float m_fFarPlane;
    D3DXMATRIX m_matProj;
};
