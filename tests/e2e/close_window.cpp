// Asks an X11 window to close the way a window manager's close button does (a
// WM_DELETE_WINDOW client message), or with --destroy destroys it outright, as another
// client may (xdotool windowclose, a session ending). Usage: close_window [--destroy] WINDOW_ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const bool destroy = argc == 3 && std::strcmp(argv[1], "--destroy") == 0;
  if (argc != 2 && !destroy) {
    std::fprintf(stderr, "usage: close_window [--destroy] WINDOW_ID\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "close_window: cannot open the display\n");
    return 1;
  }
  Window window = static_cast<Window>(std::strtoul(argv[argc - 1], nullptr, 0));
  if (destroy) {
    XDestroyWindow(display, window);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
