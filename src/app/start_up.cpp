// Start-up: the window, the graphics device, the sound device, every asset behind the
// loading bar, then the first title menu.
#include <cstdio>

#include "app/main_loop.h"
#include "app/shell.h"
#include "assets/loading_screen.h"
#include "gfx/device.h"
#include "screens/title_menu.h"
#include "sound/sound.h"

namespace {

const char* const kClassName = "VORNEX";

// Every start-up failure names what failed in one line on standard error (the steps
// that show a message box, or name their file, have said it already) and ends the
// program with a non-zero status, after the orderly shutdown.
void fail_start_up(MainLoop& loop, const char* what) {
  if (what) std::fprintf(stderr, "VORNEX: start-up failed: %s\n", what);
  loop.quit = true;
  loop.exitStatus = 1;
}

// A data file that would not load: named, with the folder it was looked for in (the
// working directory, where the game opens every file) and how the game is meant to be
// started, since the usual cause is a start from some other folder.
void report_missing_file(const char* file) {
  char folder[MAX_PATH] = "";
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) std::snprintf(folder, sizeof folder, "(unknown)");
  std::fprintf(stderr, "VORNEX: start-up failed: cannot load \"%s\" from the folder %s\n", file, folder);
  std::fprintf(stderr,
               "VORNEX: the game reads its data files from the folder it is started in: start it with "
               "`make play` in its source tree, or with the `vornex` command once installed\n");
}

}  // namespace

bool start_up(HINSTANCE instance, MainLoop& loop) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = wnd_proc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kClassName;
  windowClass.hIconSm = LoadIconA(instance, nullptr);
  if (!RegisterClassExA(&windowClass)) {
    fail_start_up(loop, "cannot register the window class");
    return false;
  }

  g_screen_width = 400;
  g_screen_height = 400;

  HWND hwnd = CreateWindowExA(0, kClassName, "VORNEX ",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 400,
                              400, nullptr, nullptr, instance, nullptr);
  if (!hwnd) {
    fail_start_up(loop, "cannot open the window");
    UnregisterClassA(kClassName, instance);
    return false;
  }

  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  ShowCursor(FALSE);

  loop.quit = false;
  if (!init_device(hwnd)) {
    if (g_device_failed_file) report_missing_file(g_device_failed_file);
    fail_start_up(loop, nullptr);
    return true;
  }

  // Without sound the game carries on silently; init_sound has said so.
  init_sound(hwnd, 0xEA);

  if (!load_assets()) {
    if (g_load_failed_file) {
      report_missing_file(g_load_failed_file);
      fail_start_up(loop, nullptr);
    } else {
      loop.quit = true;  // the window was closed during loading: an ordinary quit
    }
    return true;
  }

  g_pmenu = new TitleMenu;
  return true;
}
