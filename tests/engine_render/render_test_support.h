// Shared pieces of the rendering tests: a recording device bound for the test's
// lifetime, a drawable that logs its calls, and a small texture file.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "process.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace quiltest {

using Lines = std::vector<std::string>;

// Binds a fresh recording device (640x480 unless given) and unbinds it after.
class RenderTest : public ::testing::Test {
protected:
    explicit RenderTest(UINT width = 640, UINT height = 480) : device(width, height) {}
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
    }
    void TearDown() override {
        RenderDevice_Unbind();
        RenderDevice_SetFont(nullptr);
    }
    // Rebinds after the test changed the device's caps or back buffer.
    void Rebind() { RenderDevice_Bind(&device, device.caps, device.backBuffer); }
    // Gives the device a back buffer of another size.
    void Resize(UINT width, UINT height) {
        device.backBuffer.Width = width;
        device.backBuffer.Height = height;
        Rebind();
    }

    RecordingDevice device;
};

// A drawable that writes its name and each device event into a shared journal.
class JournalObject : public Object {
public:
    JournalObject(std::vector<std::string>* journal, std::string name) : m_journal(journal), m_name(std::move(name)) {}
    void Activate() override {}
    void Deactivate() override {}
    void Render() override {
        m_journal->push_back(m_name + ".Render");
        if (onRender) onRender(this);
    }
    void InvalidateDeviceObjects() override { m_journal->push_back(m_name + ".Invalidate"); }
    void RestoreDeviceObjects() override { m_journal->push_back(m_name + ".Restore"); }
    void (*onRender)(JournalObject*) = nullptr;

private:
    std::vector<std::string>* m_journal;
    std::string m_name;
};

// Writes an uncompressed 24-bit TGA of the given size in one colour.
inline bool WriteTga(const std::string& path, int width, int height, unsigned char r, unsigned char g,
                     unsigned char b) {
    std::vector<unsigned char> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)(width & 0xFF),
                                        (unsigned char)(width >> 8), (unsigned char)(height & 0xFF),
                                        (unsigned char)(height >> 8), 24, 0};
    for (int i = 0; i < width * height; ++i) bytes.insert(bytes.end(), {b, g, r});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace quiltest
