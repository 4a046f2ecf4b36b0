// D3DX 8: the utility library over Direct3D 8 (math, textures, shaders, meshes).
#pragma once
#include "d3d8.h"
#include "d3dx8math.h"
#include "d3dx8core.h"
#include "d3dx8tex.h"
#include "d3dx8mesh.h"
