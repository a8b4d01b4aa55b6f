// A window and a device set up as the game's start-up does (the game's render states,
// projection and matrix stack), held in the game's own globals, for tests of code that
// draws through g_pd3d_render. Headless: SDL's offscreen driver.
#ifndef VORNEX_TESTS_GAME_DEVICE_H
#define VORNEX_TESTS_GAME_DEVICE_H

#include <d3dx9.h>

#include <gtest/gtest.h>

#include <vector>

#include "d3d9/d3d9_inspect.h"
#include "gfx/device.h"

class GameDevice : public ::testing::Test {
 protected:
  static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }

  void SetUp() override {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.lpszClassName = "GameDeviceTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    hwnd = CreateWindowExA(0, "GameDeviceTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    g_pd3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(g_pd3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(g_pd3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                   &pp, &g_pd3d_render),
              D3D_OK);
    set_up_drawing();
  }

  void TearDown() override {
    release_device();
    if (hwnd) DestroyWindow(hwnd);
    UnregisterClassA("GameDeviceTest", nullptr);
  }

  DWORD pixel(int x, int y) {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    EXPECT_TRUE(d3d9_read_back_buffer(g_pd3d_render, &w, &h, &pixels));
    return pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
  }

  HWND hwnd = nullptr;
};

#endif  // VORNEX_TESTS_GAME_DEVICE_H
