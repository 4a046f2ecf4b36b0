// Helpers shared by the D3DX sources of this folder (not a public header).
#pragma once
#include <string>
#include <vector>

#include "d3dx8core.h"

namespace quil_d3dx {

// Wraps a copy of bytes in a new ID3DXBuffer; null when out of memory.
ID3DXBuffer* MakeBuffer(const void* data, size_t size);

// Assembles vs.1.1 text. On success tokens holds the shader and constants the def fragments;
// on failure errors holds one "name(line): error: reason" line per fault.
bool AssembleVertexShader(const char* text, size_t length, const char* sourceName, std::vector<DWORD>& tokens,
                          std::vector<DWORD>& constants, std::string& errors);

// Shared tail of the three assembler entry points: fills the optional out buffers.
HRESULT FinishAssembly(const char* text, size_t length, const char* sourceName, LPD3DXBUFFER* constants,
                       LPD3DXBUFFER* compiledShader, LPD3DXBUFFER* errors);

// Puts an error text into *errors (when asked for) and returns hr.
HRESULT ReportError(LPD3DXBUFFER* errors, const std::string& text, HRESULT hr);

}  // namespace quil_d3dx
