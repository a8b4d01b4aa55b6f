// MessageBoxA: the caption and text always go to standard error, and the player also gets
// the target's dialog (win32::show_dialog), which returns once answered.
#include "win32_internal.h"

#include <cstdio>

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  const char* caption = lpCaption ? lpCaption : "Error";
  const char* text = lpText ? lpText : "";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  win32::show_dialog(hWnd, caption, text, uType);
  return IDOK;
}
