// Where each part of a model finds its paint: the regions of the 256 x 256 skins that the meshes'
// texture coordinates point into and that the skin painters fill.
#ifndef VORNEX_TOOLS_SKIN_LAYOUT_H
#define VORNEX_TOOLS_SKIN_LAYOUT_H

#include "mesh_builder.h"

constexpr int kSkinSize = 256;

constexpr UvRect skin_rect(float x0, float y0, float x1, float y1) {
  return UvRect{x0, y0, x1, y1, kSkinSize};
}

namespace arms_skin {
constexpr UvRect kSleeve = skin_rect(0, 0, 128, 128);      // armoured sleeve, u around the forearm
constexpr UvRect kGlove = skin_rect(128, 0, 256, 64);      // glove and fist
constexpr UvRect kGun = skin_rect(128, 64, 256, 128);      // gun body panels
constexpr UvRect kCoil = skin_rect(0, 128, 128, 192);      // glowing plasma coils
constexpr UvRect kMuzzle = skin_rect(128, 128, 192, 192);  // white-hot emitter
constexpr UvRect kFlash = skin_rect(192, 128, 256, 192);   // muzzle flash star with alpha
constexpr UvRect kPlate = skin_rect(0, 192, 128, 256);     // wrist guard plate
constexpr UvRect kDark = skin_rect(128, 192, 256, 256);    // grip and barrel
}  // namespace arms_skin

namespace bug_tank_skin {
constexpr UvRect kShell = skin_rect(0, 0, 128, 128);     // wing cases seen from above (x forward = u)
constexpr UvRect kBelly = skin_rect(128, 0, 256, 64);    // underside plates
constexpr UvRect kHead = skin_rect(128, 64, 256, 128);   // head seen from the front
constexpr UvRect kLeg = skin_rect(0, 128, 128, 192);     // leg segments
constexpr UvRect kJoint = skin_rect(0, 192, 64, 256);    // joints and hips
constexpr UvRect kGlow = skin_rect(64, 192, 128, 256);   // eyes and exhaust glow
constexpr UvRect kClaw = skin_rect(128, 128, 256, 256);  // mandibles and antennae
}  // namespace bug_tank_skin

namespace bug_turret_skin {
constexpr UvRect kBase = skin_rect(0, 0, 256, 64);       // turntable ring with hazard stripes
constexpr UvRect kHousing = skin_rect(0, 64, 128, 192);  // gun housing
constexpr UvRect kTop = skin_rect(128, 64, 256, 192);    // housing roof seen from above
constexpr UvRect kBarrel = skin_rect(0, 192, 128, 256);  // barrels
constexpr UvRect kGlow = skin_rect(128, 192, 192, 256);  // sensor and muzzles
constexpr UvRect kDark = skin_rect(192, 192, 256, 256);  // antenna and vents
}  // namespace bug_turret_skin

namespace cannon_walker_skin {
constexpr UvRect kHull = skin_rect(0, 0, 128, 128);       // hull armour panels
constexpr UvRect kFront = skin_rect(128, 0, 256, 128);    // cockpit front with the visor slit
constexpr UvRect kLeg = skin_rect(0, 128, 128, 192);      // leg armour
constexpr UvRect kJoint = skin_rect(128, 128, 192, 192);  // joints
constexpr UvRect kGlow = skin_rect(192, 128, 256, 192);   // lights and muzzles
constexpr UvRect kCannon = skin_rect(0, 192, 128, 256);   // cannon barrel
constexpr UvRect kFoot = skin_rect(128, 192, 256, 256);   // feet and toes
}  // namespace cannon_walker_skin

namespace hover_tank_skin {
constexpr UvRect kDeck = skin_rect(0, 0, 128, 128);        // hull seen from above (x forward = u)
constexpr UvRect kSide = skin_rect(128, 0, 256, 64);       // hull sides and skirts
constexpr UvRect kDuct = skin_rect(128, 64, 256, 128);     // fan ducts
constexpr UvRect kBlade = skin_rect(0, 128, 64, 192);      // fan blades
constexpr UvRect kGlow = skin_rect(64, 128, 128, 192);     // thrust glow
constexpr UvRect kTurret = skin_rect(128, 128, 256, 192);  // turret
constexpr UvRect kBarrel = skin_rect(0, 192, 128, 256);    // gun barrel
constexpr UvRect kDark = skin_rect(128, 192, 256, 256);    // hubs and undersides
}  // namespace hover_tank_skin

#endif  // VORNEX_TOOLS_SKIN_LAYOUT_H
