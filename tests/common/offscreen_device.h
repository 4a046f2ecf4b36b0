// A Direct3D device on a hidden off-screen window, for the tests that draw for
// real, and the comparison of a frame with its reference image.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "d3d8.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"

namespace quiltest {

// Compares a frame with tests/reference/<name>.png: at most one pixel in 500 may
// differ by more than 24 in a channel (rasteriser differences along edges). The
// frame is kept in the test's scratch folder. A missing reference fails; with
// QUIL_UPDATE_REFERENCE set the frame is written as the new reference (and the
// test still fails, so that a run never passes on an image it made itself).
inline void ExpectMatchesReference(const quil_automation::RgbaImage& image, const std::string& name) {
    const std::string actual = ::testing::TempDir() + name + ".png";
    quil_automation::WritePng(actual, image);
    const std::string reference = std::string(QUIL_SOURCE_DIR) + "/tests/reference/" + name + ".png";
    if (std::getenv("QUIL_UPDATE_REFERENCE")) {
        ADD_FAILURE() << "reference image written: " << reference
                      << (quil_automation::WritePng(reference, image) ? "" : " (failed)");
        return;
    }
    quil_automation::RgbaImage expected;
    ASSERT_TRUE(quil_automation::ReadPng(reference, &expected)) << "no reference image " << reference
                                                                 << "; this run's frame: " << actual;
    const int different = quil_automation::CountDifferentPixels(image, expected, 24);
    EXPECT_LE(different, image.width * image.height / 500) << name << ": " << different
                                                           << " pixels differ; this run's frame: " << actual;
}

// Opens a device of the size the test asks for (depth buffer on) and checks at
// the end that nothing still holds it.
class OffscreenDeviceTest : public ::testing::Test {
protected:
    void Open(UINT width, UINT height) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(width, height, true, &d3d, &device));
    }
    void TearDown() override {
        if (device) {
            EXPECT_EQ(0u, device->Release());
        }
        if (d3d) {
            EXPECT_EQ(0u, d3d->Release());
        }
    }
    quil_automation::RgbaImage Frame() const {
        quil_automation::RgbaImage image;
        EXPECT_TRUE(quil_automation::ReadBackBuffer(device, &image));
        return image;
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

}  // namespace quiltest
