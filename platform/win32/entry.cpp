// The process entry point: hands over to the program's WinMain, as the Windows loader
// does, and ends the process with its status. Once the window shows, SIGTERM and SIGINT
// ask it to close (desktop/quit_signals.cpp).
#include "win32_internal.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {
// The module handle only has to be non-null and unique to the program.
char g_module;
}  // namespace

int main(int argc, char** argv) {
  win32::catch_quit_signals();
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(&g_module);
  int status = WinMain(instance, nullptr, command_line.data(), SW_SHOWDEFAULT);
  win32::let_go_of_gone_windows();
  // Everything the program made is released by now. SDL_Quit would close the X display,
  // and Mesa's software rasteriser (Debian 12's) then waited for ever, now and again, for
  // a drawing thread it had left at a barrier, when the program quit just after its first
  // frames on a loaded machine (a window closed during loading). So the process ends here,
  // its output flushed, and the system closes the display.
  std::fflush(nullptr);
  _exit(status);
}
