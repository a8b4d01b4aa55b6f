// A rectangle of the 400 x 400 menu screen that reacts to the menu cursor.
#ifndef VORNEX_SCREENS_BUTTON_AREA_H
#define VORNEX_SCREENS_BUTTON_AREA_H

struct ButtonArea {
  int x, y, width, height;
  bool highlighted = false;
};

// Strictly inside on all four edges: the border itself does not count.
inline bool hit_test(const ButtonArea& area, int px, int py) {
  return px > area.x && px < area.x + area.width && py > area.y && py < area.y + area.height;
}

#endif  // VORNEX_SCREENS_BUTTON_AREA_H
