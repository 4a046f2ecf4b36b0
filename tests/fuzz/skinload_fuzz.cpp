// The skinned-model loader (frames, skinned meshes, animation sets) over .x
// files, on the recording device.
#include "fuzz_files.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "skinmesh.h"

namespace {
struct Device : quiltest::RecordingDevice {
    DWORD nextShader = 1;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        *handle = nextShader++;
        return D3D_OK;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Device device;
    static bool bound = false;
    if (!bound) {
        D3DCAPS8 caps{};
        caps.VertexShaderVersion = 0xFFFE0101;
        RenderDevice_Bind(&device, caps, D3DSURFACE_DESC{});
        bound = true;
    }
    if (!quilfuzz::WriteInput("in.x", data, size, 256 * 1024)) return 0;
    SkinMesh mesh;
    mesh.LoadMeshHierarchy("in.x");
    mesh.InvalidateDeviceObjects();
    device.log.clear();
    quil_automation::ClearMessageBoxesShown();
    return 0;
}
