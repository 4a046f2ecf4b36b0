// The vertex layout of an indexed blended mesh: position, influences - 1 weights (the
// last weight is what they leave of 1), the palette indices packed a byte each, normal.
#pragma once
#include <cstring>
#include <utility>
#include <vector>

#include "d3dx8.h"

namespace quiltest {

// The (bone, weight) pairs the vertex at v blends, its bones named through the palette.
inline std::vector<std::pair<DWORD, float>> BlendOf(const BYTE* v, DWORD influences, const D3DXBONECOMBINATION& c) {
    std::vector<std::pair<DWORD, float>> out;
    DWORD packed;
    std::memcpy(&packed, v + 12 + 4 * (influences - 1), 4);
    float rest = 1.0f;
    for (DWORD k = 0; k < influences; ++k) {
        float w = rest;
        if (k + 1 < influences) {
            std::memcpy(&w, v + 12 + 4 * k, 4);
            rest -= w;
        }
        out.push_back({c.BoneId[(packed >> (8 * k)) & 0xFF], w});
    }
    return out;
}

// The vertex's normal, after its weights and palette indices.
inline const BYTE* NormalOf(const BYTE* v, DWORD influences) { return v + 12 + 4 * influences; }

}  // namespace quiltest
