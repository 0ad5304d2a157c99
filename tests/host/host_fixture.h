// A fresh host on the scripted backend for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/host.h"
#include "host/input.h"
#include "host/window_title.h"
#include "platform/messages.h"
#include "platform/scripted/scripted.h"
#include "surface/surface.h"

// Every host and surface variable back to its start value, and a new scripted backend.
void reset_host();

// What host_main does before its message loop: the window, the surface, the thread.
void open_host();

// The window picture of the last present.
const std::vector<uint8_t>& last_present();

// Sends one message straight to the window procedure.
intptr_t send(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0);

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { reset_host(); }
};
