// A square window on SDL's offscreen driver with a windowed Direct3D device on it (one
// X8R8G8B8 back buffer of the window's size, a 16-bit depth buffer): what every fixture
// that draws and reads the back buffer starts from. Header-only, so that the platform's
// tests and the game's tests can both build on it.
#ifndef VORNEX_TESTS_OFFSCREEN_DEVICE_H
#define VORNEX_TESTS_OFFSCREEN_DEVICE_H

#include <windows.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <vector>

#include "d3d9/d3d9_inspect.h"

class OffscreenDevice : public ::testing::Test {
 protected:
  explicit OffscreenDevice(int size) : size_(size) {}

  void SetUp() override {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = kWindowClass;
    ASSERT_NE(RegisterClassExA(&wc), 0);
    hwnd = CreateWindowExA(0, kWindowClass, "offscreen device", WS_OVERLAPPEDWINDOW, 0, 0, size_, size_, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                &device),
              D3D_OK);
  }

  // A fixture that holds resources of the device releases them before calling this.
  void TearDown() override {
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (hwnd) DestroyWindow(hwnd);
    UnregisterClassA(kWindowClass, nullptr);
  }

  // The back buffer's pixels (A8R8G8B8), row by row; the test fails unless the buffer is
  // the window's size.
  std::vector<DWORD> back_buffer() {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    EXPECT_TRUE(d3d9_read_back_buffer(device, &w, &h, &pixels));
    EXPECT_EQ(w, size_);
    EXPECT_EQ(h, size_);
    pixels.resize(static_cast<size_t>(size_) * size_);  // never indexed past its end
    return pixels;
  }

  // One pixel's colour as 0x00RRGGBB: the back buffer's alpha is left out.
  DWORD pixel(int x, int y) { return back_buffer()[static_cast<size_t>(y) * size_ + x] & 0xFFFFFF; }

  HWND hwnd = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;

 private:
  static constexpr const char* kWindowClass = "OffscreenDevice";

  static LRESULT CALLBACK plain_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
  }

  int size_;
};

#endif  // VORNEX_TESTS_OFFSCREEN_DEVICE_H
