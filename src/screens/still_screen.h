// The story and game-over screens: one picture each, left by a click once half a
// second has passed.
#ifndef VORNEX_SCREENS_STILL_SCREEN_H
#define VORNEX_SCREENS_STILL_SCREEN_H

// Seconds shown, and the click test that leads to nextState. The test comes before
// this update's frame time is counted.
bool still_screen_step(float& elapsed, float dt, int nextState);

#endif  // VORNEX_SCREENS_STILL_SCREEN_H
