// Shared pieces of the rendering tests: a recording device bound for the test's
// lifetime and a drawable that logs its calls.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game_world_support.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace quiltest {

using Lines = std::vector<std::string>;

// Binds a fresh 640x480 recording device and unbinds it after.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartRecordingBoxes();
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
    }
    void TearDown() override {
        RenderDevice_Unbind();
        RenderDevice_SetFont(nullptr);
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

}  // namespace quiltest
