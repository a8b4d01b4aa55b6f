// The process entry point: hands over to the program's WinMain, as the Windows loader
// does, and ends the process with its status. Once the window shows, SIGTERM and SIGINT
// ask it to close (desktop/quit_signals.cpp).
#include "win32_internal.h"

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
  win32::end_process(status);
}
