// Assembling a vs.1.1 shader kept as an RCDATA resource of the program.
#include <string>

#include "d3dx_internal.h"
#include "windows.h"

HRESULT D3DXAssembleShaderFromResourceA(HMODULE srcModule, LPCSTR srcResource, DWORD flags,
                                        LPD3DXBUFFER* constants, LPD3DXBUFFER* compiledShader,
                                        LPD3DXBUFFER* errors) {
    (void)flags;
    if (constants) *constants = nullptr;
    if (compiledShader) *compiledShader = nullptr;
    if (errors) *errors = nullptr;
    if (!srcResource) return quil_d3dx::ReportError(errors, "no resource name\n", D3DERR_INVALIDCALL);

    // A numeric id (MAKEINTRESOURCE) names the resource in messages as "#id".
    std::string name = ((ULONG_PTR)srcResource >> 16) == 0 ? "#" + std::to_string((ULONG_PTR)srcResource)
                                                            : std::string(srcResource);
    HRSRC info = FindResourceA(srcModule, srcResource, RT_RCDATA);
    if (!info)
        return quil_d3dx::ReportError(errors, "resource " + name + ": error: not found\n", D3DXERR_INVALIDDATA);
    HGLOBAL handle = LoadResource(srcModule, info);
    const char* text = handle ? static_cast<const char*>(LockResource(handle)) : nullptr;
    DWORD size = SizeofResource(srcModule, info);
    if (!text)
        return quil_d3dx::ReportError(errors, "resource " + name + ": error: cannot be loaded\n", D3DXERR_INVALIDDATA);
    return quil_d3dx::FinishAssembly(text, size, ("resource " + name).c_str(), constants, compiledShader, errors);
}
