// The Win32 stand-in: window, message queue, key state, cursor, clock, dialogs.
// Input arrives as SDL events pushed onto SDL's queue, the way the devices deliver it.
#include <mmsystem.h>
#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/win32_internal.h"

namespace {

std::vector<MSG> g_dispatched;

LRESULT CALLBACK recording_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  g_dispatched.push_back(msg);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void push_key(SDL_Keycode key, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void push_left_button(bool down) {
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void push_window_event(Uint8 what, int data1 = 0, int data2 = 0) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = what;
  event.window.data1 = data1;
  event.window.data2 = data2;
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

bool key_down(int vk) { return (GetKeyState(vk) & 0x80) != 0; }

// Takes every message off the queue (WM_QUIT included) without dispatching.
std::vector<MSG> drain() {
  std::vector<MSG> out;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) out.push_back(msg);
  return out;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = recording_proc;
    wc.lpszClassName = "TestClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    g_dispatched.clear();
    hwnd = CreateWindowExA(0, "TestClass", "VORNEX ", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    drain();
    // Release anything a previous test left held down.
    for (int vk : {int('W'), int('S'), VK_ESCAPE}) {
      if (key_down(vk)) PostMessageA(hwnd, WM_KEYUP, vk, 0);
    }
    if (key_down(VK_LBUTTON)) PostMessageA(hwnd, WM_LBUTTONUP, 0, 0);
    drain();
  }
  void TearDown() override {
    if (hwnd && !destroyed) DestroyWindow(hwnd);
    drain();
    UnregisterClassA("TestClass", nullptr);
  }
  HWND hwnd = nullptr;
  bool destroyed = false;
};

}  // namespace

TEST_F(Win32Window, CreationSendsTheClientSizeAndTheClientIsAsLargeAsAsked) {
  DestroyWindow(hwnd);
  destroyed = true;
  g_dispatched.clear();
  HWND second = CreateWindowExA(0, "TestClass", "VORNEX ", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_FALSE(g_dispatched.empty());
  EXPECT_EQ(g_dispatched.front().message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(LOWORD(g_dispatched.front().lParam), 400);
  EXPECT_EQ(HIWORD(g_dispatched.front().lParam), 400);
  RECT rc;
  ASSERT_TRUE(GetClientRect(second, &rc));
  EXPECT_EQ(rc.right - rc.left, 400);
  EXPECT_EQ(rc.bottom - rc.top, 400);
  DestroyWindow(second);
}

TEST_F(Win32Window, ClassRulesFollowWindows) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = recording_proc;
  wc.lpszClassName = "TestClass";
  EXPECT_EQ(RegisterClassExA(&wc), 0) << "a class name registers once";
  EXPECT_FALSE(UnregisterClassA("TestClass", nullptr)) << "a class with a live window stays";
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(LoadIconA(nullptr, nullptr), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

TEST_F(Win32Window, MessagesComeOneAtATimeInArrivalOrder) {
  push_key(SDLK_w, true);
  push_left_button(true);
  push_key(SDLK_w, false);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('W'));
  EXPECT_EQ(msg.hwnd, hwnd);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  push_left_button(false);
  drain();
}

TEST_F(Win32Window, KeyStateFollowsTheMessagesAsTheyAreRetrieved) {
  // A tap that is down and up before the program looks is still seen down for one pass.
  push_key(SDLK_w, true);
  push_key(SDLK_w, false);
  push_left_button(true);
  EXPECT_FALSE(key_down('W')) << "nothing retrieved yet";
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(key_down('W'));
  EXPECT_FALSE(key_down(VK_LBUTTON));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(key_down('W')) << "peeking without removing does not advance the key state";
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(key_down('W'));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(key_down(VK_LBUTTON));
  EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0x8000);
  push_left_button(false);
  drain();
  EXPECT_FALSE(key_down(VK_LBUTTON));
}

TEST_F(Win32Window, InputTakenAwayReleasesEveryKeyAndTheButtonHeld) {
  // The browser's pointer lock ending (its Escape, a tab switch) may swallow the releases.
  push_key(SDLK_w, true);
  push_key(SDLK_a, true);
  push_left_button(true);
  drain();
  ASSERT_TRUE(key_down('W') && key_down('A') && key_down(VK_LBUTTON));
  win32::release_held_input(hwnd);
  std::vector<MSG> released = drain();
  EXPECT_EQ(released.size(), 3u);
  EXPECT_FALSE(key_down('W'));
  EXPECT_FALSE(key_down('A'));
  EXPECT_FALSE(key_down(VK_LBUTTON));
  win32::release_held_input(hwnd);
  EXPECT_TRUE(drain().empty()) << "nothing held, nothing released";
}

TEST_F(Win32Window, QuitComesAfterTheQueuedMessagesWithItsCode) {
  push_key(SDLK_ESCAPE, true);
  PostQuitMessage(3);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "one posted quit is retrieved once";
  push_key(SDLK_ESCAPE, false);
  drain();
}

TEST_F(Win32Window, ClosingTheWindowDestroysItThroughDefWindowProc) {
  push_window_event(SDL_WINDOWEVENT_CLOSE);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  g_dispatched.clear();
  DispatchMessageA(&msg);
  destroyed = true;
  ASSERT_EQ(g_dispatched.size(), 2u);
  EXPECT_EQ(g_dispatched[0].message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(g_dispatched[1].message, static_cast<UINT>(WM_DESTROY));
  EXPECT_FALSE(DestroyWindow(hwnd)) << "a window is destroyed once";
  EXPECT_TRUE(UnregisterClassA("TestClass", nullptr));
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = recording_proc;
  wc.lpszClassName = "TestClass";
  ASSERT_NE(RegisterClassExA(&wc), 0);  // for TearDown's unregister
}

TEST_F(Win32Window, ResizeArrivesAsSizeMessageAndTheCursorKeepsItsPlaceFromTheCentre) {
  SetCursorPos(210, 195);  // 10 right of and 5 above the 400 x 400 client's centre
  push_window_event(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(LOWORD(msg.lParam), 640);
  EXPECT_EQ(HIWORD(msg.lParam), 480);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 210) << "the program re-centres on the old centre until its window procedure hears";
  DispatchMessageA(&msg);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 330);
  EXPECT_EQ(p.y, 235);
  SetCursorPos(600, 470);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 600) << "the cursor has the new client area to move in";
  EXPECT_EQ(p.y, 470);
}

TEST_F(Win32Window, FullScreenKeysToggleAndNeverReachTheProgram) {
  auto push_enter = [](bool down, Uint16 mod) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.keysym.sym = SDLK_RETURN;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  };
  // Only key messages count: the window's new size comes as WM_SIZE.
  auto key_messages = [] {
    std::vector<MSG> keys;
    for (const MSG& msg : drain())
      if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) keys.push_back(msg);
    return keys;
  };
  push_key(SDLK_F11, true);
  push_key(SDLK_F11, false);
  EXPECT_TRUE(key_messages().empty());
  EXPECT_TRUE(hwnd->full_screen);
  // Alt let go before Enter: the release still belongs to the toggle.
  push_enter(true, KMOD_LALT);
  push_enter(false, KMOD_NONE);
  EXPECT_TRUE(key_messages().empty());
  EXPECT_FALSE(hwnd->full_screen);
  push_enter(true, KMOD_NONE);
  push_enter(false, KMOD_NONE);
  std::vector<MSG> plain = key_messages();
  ASSERT_EQ(plain.size(), 2u) << "Enter alone is the program's";
  EXPECT_EQ(plain[0].wParam, static_cast<WPARAM>(VK_RETURN));
}

// A controller as SDL's virtual joystick makes one, in SDL's standard layout.
class VirtualController {
 public:
  VirtualController() {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");  // the test's window has no focus
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    index_ = SDL_JoystickAttachVirtualEx(&desc);
    joystick_ = index_ >= 0 ? SDL_JoystickOpen(index_) : nullptr;
  }
  ~VirtualController() { unplug(); }
  bool ready() const { return joystick_ != nullptr; }
  void axis(SDL_GameControllerAxis axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }
  void button(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, button, down ? SDL_PRESSED : SDL_RELEASED);
  }
  void unplug() {
    if (!joystick_) return;
    SDL_JoystickClose(joystick_);
    SDL_JoystickDetachVirtual(index_);
    joystick_ = nullptr;
  }

 private:
  int index_ = -1;
  SDL_Joystick* joystick_ = nullptr;
};

TEST_F(Win32Window, AGameControllerWalksAimsFiresAndQuitsBesideTheKeyboard) {
  VirtualController pad;
  ASSERT_TRUE(pad.ready()) << SDL_GetError();
  drain();  // the platform opens it
  POINT p;
  SetCursorPos(200, 200);

  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, -32767);  // leaning forward
  drain();
  EXPECT_TRUE(key_down('W'));
  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, -10000);  // within the release lean: still walking
  drain();
  EXPECT_TRUE(key_down('W'));
  push_key(SDLK_w, true);
  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
  drain();
  EXPECT_TRUE(key_down('W')) << "the keyboard still holds W";
  push_key(SDLK_w, false);
  drain();
  EXPECT_FALSE(key_down('W'));

  pad.axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
  pad.axis(SDL_CONTROLLER_AXIS_RIGHTY, 5000);  // inside the dead zone
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 230) << "full lean moves the cursor 30 pixels a read";
  EXPECT_EQ(p.y, 200);
  pad.axis(SDL_CONTROLLER_AXIS_RIGHTX, -(32767 * 5 / 8));  // half way past the dead zone
  GetCursorPos(&p);
  EXPECT_GE(p.x, 222);
  EXPECT_LE(p.x, 223);

  pad.axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
  drain();
  EXPECT_TRUE(key_down(VK_LBUTTON));
  pad.button(SDL_CONTROLLER_BUTTON_A, true);
  pad.axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MIN);  // a joystick's trigger at rest
  drain();
  EXPECT_TRUE(key_down(VK_LBUTTON)) << "A holds the button too";
  pad.button(SDL_CONTROLLER_BUTTON_A, false);
  drain();
  EXPECT_FALSE(key_down(VK_LBUTTON));

  pad.button(SDL_CONTROLLER_BUTTON_BACK, true);
  EXPECT_TRUE(drain().empty());
  pad.button(SDL_CONTROLLER_BUTTON_BACK, false);
  std::vector<MSG> back = drain();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(back[1].wParam, static_cast<WPARAM>(VK_ESCAPE));

  // Unplugged while walking, aiming and firing: everything it held is let go.
  pad.axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  pad.axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
  pad.axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
  drain();
  ASSERT_TRUE(key_down('D') && key_down(VK_LBUTTON));
  pad.unplug();
  drain();
  EXPECT_FALSE(key_down('D'));
  EXPECT_FALSE(key_down(VK_LBUTTON));
  SetCursorPos(200, 200);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 200) << "the stick no longer moves the cursor";
}

TEST_F(Win32Window, CursorLivesInClientCoordinatesAndStaysInside) {
  ASSERT_TRUE(SetCursorPos(300, 100));
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 100);
  SetCursorPos(-50, 5000);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 399);
}

TEST_F(Win32Window, ShowCursorKeepsWindowsDisplayCount) {
  int start = ShowCursor(FALSE);
  EXPECT_EQ(ShowCursor(FALSE), start - 1);
  EXPECT_EQ(ShowCursor(TRUE), start);
  EXPECT_EQ(ShowCursor(TRUE), start + 1);
  ShowCursor(FALSE);
}

TEST(Win32Clock, CountsFromProgramStartAndSleepWaits) {
  DWORD before = timeGetTime();
  EXPECT_LT(before, 10u * 60u * 1000u) << "the clock counts from program start, not system start";
  Sleep(20);
  EXPECT_GE(timeGetTime() - before, 20u);
}

TEST(Win32Dialog, HeadlessMessageBoxPrintsAndReturnsAtOnce) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Device creation failed.", "Marrowvane", MB_OK), IDOK);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Marrowvane"), std::string::npos);
  EXPECT_NE(err.find("Device creation failed."), std::string::npos);
}
