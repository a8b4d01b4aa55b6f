// State shared by the Win32 stand-in's files: the window object behind an HWND, the
// SDL connection, the message queue's input side and the virtual cursor.
#ifndef VORNEX_PLATFORM_WIN32_INTERNAL_H
#define VORNEX_PLATFORM_WIN32_INTERNAL_H

#include <windows.h>

#include <SDL.h>

#include <string>

// The one kind of window the platform makes: an SDL window with a window procedure.
struct HWND__ {
  SDL_Window* sdl = nullptr;
  WNDPROC proc = nullptr;
  std::string class_name;
  bool destroyed = false;  // DestroyWindow ran; the SDL window may outlive it (see window_release)
  int references = 1;      // DestroyWindow drops one; a device on the window holds another
  bool gone = false;       // destroyed from outside: the system window no longer exists
  unsigned long x11_window = 0;  // the X11 window's id, on an X11 display
  bool full_screen = false;      // covers the desktop (toggle_full_screen)
  SDL_Rect windowed{};           // its place and client size when it does not
};

namespace win32 {

// Starts SDL's video and event subsystems once. False (with the reason on standard
// error) when there is no display to open a window on.
bool ensure_video();
bool video_ready();

// Whether hwnd names a window that exists (not destroyed, not freed).
bool is_window(HWND hwnd);

// The live window, or null. The program has one window at a time.
HWND current_window();

// Keeps the SDL window of hwnd alive past DestroyWindow (a device drawing into it
// retains it) and lets it go; the last release destroys the SDL window.
void window_retain(HWND hwnd);
void window_release(HWND hwnd);

// A window destroyed from outside the program (another X client, the session): it is
// destroyed as DestroyWindow destroys it, WM_DESTROY and all, without touching the
// system window that no longer exists.
void window_destroyed_outside(HWND hwnd);

// Destroys what is left of the windows destroyed from outside (their SDL windows, kept
// while a device drew into them) before SDL shuts down.
void let_go_of_gone_windows();

// Waits `milliseconds` of real time: the thread sleeps on the desktop, the browser gets
// its turn in a page (pace.cpp of each target). Sleep's work on the real clock.
void sleep_real(DWORD milliseconds);

// The target's dialog for MessageBoxA, returning once the player has answered it: a
// desktop's message box (none without a display), or the page's own in a browser.
void show_dialog(HWND owner, const char* caption, const char* text, UINT type);

// Ends the process with `status` once the program has released everything: the system
// closes what is left on the desktop; in a browser the page says the game has ended.
[[noreturn]] void end_process(int status);

// Whether the target took the input away from the window since the last call, without a
// focus change: the browser's pointer lock ended (the browser's Escape, a tab switch). Never
// on the desktop, where SDL's focus events say it and SDL releases the keys itself.
bool input_capture_lost();

// Queues the release of every key and the left button the program holds down, as if the
// player had let go of them.
void release_held_input(HWND hwnd);

// Full screen: the toggle's keys (Alt+Enter, F11), which it takes before the program
// sees them; true when the key event was one of them (full_screen_keys.cpp).
bool full_screen_key(HWND hwnd, const SDL_KeyboardEvent& key);
// Switches the window between its own size and place and the whole desktop, or the page
// between the browser's window and the whole screen.
void toggle_full_screen(HWND hwnd);
// The window starts full screen where the launcher asked for it (VORNEX_FULLSCREEN=1);
// called when the window is first shown.
void start_full_screen_if_asked(HWND hwnd);

// SDL's hints for the target's video, set before SDL's video starts.
void set_target_video_hints();

// The X11 side of a window (desktop/x11_window.cpp); nothing on other video drivers, and
// nothing in a browser.
// Starts watching the window for its destruction by another client.
void watch_x11_window(HWND hwnd);
// Whether the event is the X server's notice that hwnd's X11 window was destroyed.
bool x11_event_destroys(const SDL_Event& event, HWND hwnd);
// Whether a request naming hwnd's X11 window failed because it no longer exists.
bool x11_window_lost(HWND hwnd);
// Whether a window manager runs where hwnd shows, to answer a request for full screen:
// on an X11 display one that says so (the EWMH's _NET_SUPPORTING_WM_CHECK); other video
// drivers (Wayland) always have their compositor.
bool window_manager_present(HWND hwnd);
// Waits until the X server has answered every request sent, so that errors about a
// window already gone arrive while they are still recognised as such.
void x11_settle();

// Client-area size of the window (its SDL drawable size in window coordinates).
void client_size(HWND hwnd, int* width, int* height);
// The client size the window has in its own place: the size it goes back to while it is
// full screen. A back buffer made to the window's size takes this one, so that the
// picture is the same whether the game started full screen or not.
void windowed_client_size(HWND hwnd, int* width, int* height);

// SIGTERM and SIGINT as requests to close the window (desktop/quit_signals.cpp; a
// browser has no signals). Only the
// process entry asks for them, and they are caught from the moment the window is first
// shown: tools and tests that link the platform keep the default.
void catch_quit_signals();
void window_shown();
// Whether a quit signal came since the last call that returned true.
bool take_quit_signal();

// Drains SDL's event queue into window messages (queued), cursor motion and focus
// changes (applied at once), and a quit signal into WM_CLOSE to the window once there
// is one. Called by PeekMessageA and GetCursorPos.
void pump_sdl_events();

// Input side of the message queue, called while SDL events are translated.
void queue_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void drop_messages_for(HWND hwnd);

// The virtual cursor, in client coordinates.
void cursor_on_motion(const SDL_MouseMotionEvent& motion);
void cursor_on_focus(HWND hwnd, bool gained);
void cursor_on_window_gone(HWND hwnd);
// A new window starts with the cursor at its client centre.
void cursor_on_window_created(HWND hwnd);
POINT cursor_position();
// The window procedure has heard of a new client size (WM_SIZE's lParam).
void cursor_on_size_heard(LPARAM size);

// A Windows file name as this system spells it: backslashes become slashes, so
// "Art\\Title.png" opens Art/Title.png below the working directory.
std::string native_path(const char* windows_path);

// Game controllers (gamepad.cpp): started with the video; their events become key and
// button messages for hwnd (none while there is no window). True when the event was a
// controller's.
void start_gamepads();
bool gamepad_event(HWND hwnd, const SDL_Event& event);
// Lets go of everything the controllers hold, queueing the releases for hwnd (or none).
void gamepads_let_go(HWND hwnd);
// Whether a controller holds the key or the left button (VK_LBUTTON).
bool gamepads_hold(int vk);
// How far the right stick moves the cursor at this read of it, in pixels.
POINT gamepad_cursor_step();

// What the keyboard and the mouse hold down, as SDL reported it: the controllers release
// a key only when these do not hold it too, and the other way round.
void note_device_input(int vk, bool down);
bool devices_hold(int vk);

// Key state as of the last input message retrieved.
void key_state_on_retrieve(const MSG& msg);
void key_state_reset();

}  // namespace win32

#endif  // VORNEX_PLATFORM_WIN32_INTERNAL_H
