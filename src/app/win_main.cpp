// The program's entry point.
#include <windows.h>

#include "app/main_loop.h"
#include "app/shell.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  MainLoop loop;
  if (!start_up(hInstance, loop)) return loop.exitStatus;

  while (!loop.quit) run_pass(loop);

  release_all();
  UnregisterClassA("VORNEX", hInstance);
  return loop.exitStatus;
}
