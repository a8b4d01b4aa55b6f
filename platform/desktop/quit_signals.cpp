// SIGTERM (a session ending, `kill`) and SIGINT (Ctrl+C in the terminal that started the
// program) quit the program its ordinary way, as a session's close does on Windows. Left
// at their default they end the process on the spot (status 143 or 130), and nothing of
// the program's shutdown runs. SDL's own handlers stay off (SDL_HINT_NO_SIGNAL_HANDLERS,
// window.cpp): they turn the signal into SDL_QUIT, which is no window message, and they
// exist only while SDL's video is up.
//
// The handler only notes the signal (nothing else is safe in a signal handler); the
// message queue's pump turns the note into WM_CLOSE to the window when it next runs, and
// the main loop and the loading screen pump every pass. The handlers are put in place
// when the program's window is first shown: before that there is nothing to close, and
// an earlier signal ends the program as it always did. Signals while one is handled are
// noted again and never kill; one after the window is gone (the program is already
// shutting down) changes nothing. A signal the program was started with ignored stays
// ignored, as it would be without these handlers.
#include "../win32/win32_internal.h"

#include <signal.h>

namespace {

volatile sig_atomic_t g_quit_signalled = 0;

void note_quit_signal(int) { g_quit_signalled = 1; }

bool g_wanted = false;     // the program's entry asked for the handlers
bool g_installed = false;  // they are in place

}  // namespace

namespace win32 {

void catch_quit_signals() { g_wanted = true; }

void window_shown() {
  if (!g_wanted || g_installed) return;
  g_installed = true;
  for (int number : {SIGTERM, SIGINT}) {
    struct sigaction previous {};
    if (sigaction(number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = note_quit_signal;
    sigemptyset(&action.sa_mask);
    // System calls the signal interrupts (a sleep, a read from the X server) carry on
    // rather than failing with EINTR.
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
  }
}

bool take_quit_signal() {
  if (!g_quit_signalled) return false;
  g_quit_signalled = 0;
  return true;
}

}  // namespace win32
