// A window and a device set up as the game's start-up does (the game's render states,
// projection and matrix stack), held in the game's own globals, for tests of code that
// draws through g_pd3d_render. Headless: SDL's offscreen driver.
#ifndef VORNEX_TESTS_GAME_DEVICE_H
#define VORNEX_TESTS_GAME_DEVICE_H

#include "gfx/device.h"
#include "support/offscreen_device.h"

class GameDevice : public OffscreenDevice {
 protected:
  GameDevice() : OffscreenDevice(400) {}

  void SetUp() override {
    OffscreenDevice::SetUp();
    if (HasFatalFailure()) return;
    // The game's globals hold references of their own, which release_device() gives back.
    g_pd3d = d3d;
    g_pd3d->AddRef();
    g_pd3d_render = device;
    g_pd3d_render->AddRef();
    set_up_drawing();
  }

  void TearDown() override {
    release_device();
    OffscreenDevice::TearDown();
  }
};

#endif  // VORNEX_TESTS_GAME_DEVICE_H
