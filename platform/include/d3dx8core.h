// D3DX 8 core: the data buffer object, the vs.1.1 shader assembler and vertex-format sizes.
#pragma once
#include "windef.h"
#include "winerror.h"
#include "objbase.h"
#include "d3d8.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif

// D3DX error codes (facility 0x876, codes from 2900).
#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#endif

// Assembler flags.
#define D3DXASM_DEBUG           0x0001
#define D3DXASM_SKIPVALIDATION  0x0002

// A block of bytes handed out by D3DX (shader code, error text, materials, names ...).
struct ID3DXBuffer : public IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

QUIL_DEFINE_GUID(IID_ID3DXBuffer, 0x51a7c2e4, 0x3d6b, 0x4f0e, 0x9a, 0x1c, 0x7e, 0x40, 0x52, 0x8b, 0xd1, 0x06);

// Creates a zero-filled buffer of the given size with one reference.
HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer);

// Assembles vs.1.1 source text into Direct3D 8 vertex-shader tokens.
// constants (optional) receives the def statements as declaration fragments (D3DVSD_CONST);
// errors (optional) receives NUL-terminated text with one "name(line): error: reason" per fault.
HRESULT D3DXAssembleShader(LPCVOID srcData, UINT srcDataLen, DWORD flags, LPD3DXBUFFER* constants,
                           LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors);
HRESULT D3DXAssembleShaderFromFileA(LPCSTR srcFile, DWORD flags, LPD3DXBUFFER* constants,
                                    LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors);
// The source is an RCDATA resource of the module (null: the program itself).
HRESULT D3DXAssembleShaderFromResourceA(HMODULE srcModule, LPCSTR srcResource, DWORD flags,
                                        LPD3DXBUFFER* constants, LPD3DXBUFFER* compiledShader,
                                        LPD3DXBUFFER* errors);
#define D3DXAssembleShaderFromFile D3DXAssembleShaderFromFileA
#define D3DXAssembleShaderFromResource D3DXAssembleShaderFromResourceA

// Size in bytes of one vertex of a flexible vertex format.
UINT D3DXGetFVFVertexSize(DWORD fvf);
