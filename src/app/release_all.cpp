#include "app/shell.h"
#include "gfx/device.h"
#include "sound/sound.h"

// The screen objects still held by the loop are not torn down: the process ends.
void release_all() {
  ShowCursor(TRUE);
  release_device();
  release_sound();
}
