// The skinned-mesh tests' fixture: a SkinMesh over the shared recording device,
// bound as the renderer's device for the test's lifetime.
#pragma once
#include <gtest/gtest.h>

#include "quil_automation.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "recording_device.h"

// The recording device with vertex shaders that can be created (numbered from 1)
// and a reference count that meshes may take and give back.
struct SkinDevice : quiltest::RecordingDevice {
    ULONG refs = 1;
    DWORD nextShader = 1;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        *handle = nextShader++;
        return D3D_OK;
    }
};

class SkinDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        D3DCAPS8 caps{};
        caps.VertexShaderVersion = 0xFFFE0101;
        RenderDevice_Bind(&dev, caps, D3DSURFACE_DESC{});
        mat_Identity(GetRenderer()->GetViewMatrix());
    }
    void TearDown() override {
        mesh.InvalidateDeviceObjects();
        RenderDevice_Unbind();
    }
    SkinDevice dev;
    SkinMesh mesh;
};
