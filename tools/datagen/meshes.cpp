// The six models. Enemies stand with their feet on y = 0 (the game puts an enemy's origin on the
// ground) and face +x, the direction a yawed entity moves in. Each pose of an animation is a
// complete copy of the model under its own material id, the subset the game draws for that pose.
#include "meshes.h"

#include <cmath>

#include "file_out.h"
#include "mesh_builder.h"
#include "skin_layout.h"

namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 mirror_z(Vec3 v, float side) { return Vec3{v.x, v.y, v.z * side}; }

// ---------------------------------------------------------------------------------------------
// Arms: seen from the camera at the origin looking along +z (x right, y up). The game draws the
// mesh at (0, -0.06, 0.11), so mesh z = 0 lies just beyond the near plane (0.1); nothing here
// comes closer than that. The forearms rise from below the screen to fists holding plasma pistols.

// One arm on the right (x > 0); the left arm is its mirror image. recoil 0..1 kicks the arm back
// and the muzzle up; flash > 0 adds a muzzle flash of that half size.
Part right_arm(float recoil, float flash) {
  using namespace arms_skin;
  const float bx = 0.045f, by = -0.01f;  // the pistol's bore, along +z
  const Vec3 elbow{0.09f, -0.1f, 0.03f};
  const Vec3 wrist{bx + 0.006f, by - 0.03f, 0.105f};
  Part arm;
  // Sleeve, an armoured cuff at the wrist and a guard plate along the top of the forearm.
  append(arm, segment(elbow, wrist, 0.024f, 0.017f, 8, kSleeve));
  const Transform alongForearm = frame_along(elbow, wrist);
  const float forearm = length(wrist - elbow);
  append(arm, transformed(tube(0.02f, 0.019f, 0.014f, 8, kPlate),
                          translate({0, 0, forearm - 0.02f}).then(alongForearm)));
  append(arm, transformed(box({0.011f, 0.004f, 0.026f}, kPlate),
                          translate({0, 0.02f, forearm * 0.55f}).then(alongForearm)));
  // Gloved fist around the grip, thumb along the inner side.
  append(arm, transformed(ellipsoid({0.017f, 0.016f, 0.02f}, 8, 5, kGlove),
                          translate({bx + 0.003f, by - 0.024f, 0.118f})));
  append(arm, transformed(ellipsoid({0.006f, 0.006f, 0.014f}, 6, 4, kGlove),
                          translate({bx - 0.014f, by - 0.012f, 0.128f})));
  append(arm, transformed(box({0.0065f, 0.016f, 0.009f}, kDark),
                          rotate_x(15).then(translate({bx, by - 0.018f, 0.12f}))));
  // The pistol: body with a glowing plasma chamber on top, barrel with two coils and the emitter.
  append(arm, transformed(box({0.01f, 0.011f, 0.046f}, kGun), translate({bx, by, 0.15f})));
  append(arm,
         transformed(ellipsoid({0.008f, 0.007f, 0.024f}, 8, 5, kCoil), translate({bx, by + 0.012f, 0.158f})));
  append(arm, transformed(tube(0.0075f, 0.0065f, 0.056f, 8, kDark), translate({bx, by, 0.195f})));
  for (float z : {0.212f, 0.232f})
    append(arm, transformed(tube(0.0098f, 0.0098f, 0.005f, 10, kCoil), translate({bx, by, z})));
  append(arm, transformed(tube(0.009f, 0.004f, 0.012f, 8, kMuzzle), translate({bx, by, 0.251f})));
  if (flash > 0) {
    const Vec3 muzzle{bx, by, 0.266f};
    append(arm, transformed(quad(flash, flash, kFlash), translate(muzzle)));
    append(arm, transformed(quad(flash * 0.7f, flash * 0.7f, kFlash),
                            rotate_z(45).then(translate(muzzle + Vec3{0, 0, 0.004f}))));
    // A lengthwise flare, seen edge-on from the side and as a streak from the camera.
    append(arm, transformed(quad(flash * 0.35f, flash * 1.3f, kFlash),
                            rotate_x(90).then(translate(muzzle + Vec3{0, 0, flash}))));
  }
  // Canted in and toed in towards the middle of the view, then the recoil about the elbow.
  const Transform pose = about({bx, by, 0.15f}, rotate_z(8.0f))
                             .then(about({bx, by - 0.024f, 0.118f}, rotate_x(-4.0f)))
                             .then(about(elbow, rotate_y(-3.0f)))
                             .then(about(elbow, rotate_x(-9.0f * recoil)))
                             .then(translate({0, 0.003f * recoil, 0.03f - 0.02f * recoil}));
  return transformed(arm, pose);
}

Part arm_pair(float leftRecoil, float leftFlash, float rightRecoil, float rightFlash) {
  Part both = right_arm(rightRecoil, rightFlash);
  append(both, transformed(right_arm(leftRecoil, leftFlash), scale({-1, 1, 1})));
  return both;
}

Mesh make_arms() {
  // Subset 0 at rest; 1-4 the left arm's shot (recoil easing back), 5-8 the right arm's.
  const float recoil[4] = {1.0f, 0.65f, 0.3f, 0.1f};
  const float flash[4] = {0.022f, 0.012f, 0.0f, 0.0f};
  Mesh mesh;
  mesh.add(arm_pair(0, 0, 0, 0), 0);
  for (int k = 0; k < 4; ++k) mesh.add(arm_pair(recoil[k], flash[k], 0, 0), 1 + k);
  for (int k = 0; k < 4; ++k) mesh.add(arm_pair(0, 0, recoil[k], flash[k]), 5 + k);
  return mesh;
}

// ---------------------------------------------------------------------------------------------
// Bug tank: an armoured beetle about 0.55 long, 0.55 across the legs and 0.37 high at the shell.
// Its shell top at the middle (y about 0.37) carries the turret.

// Where a walking foot is at a phase of its cycle: first half on the ground sliding back from +1
// to -1 (of the stride), second half lifted and swinging forward. Returns (offset, lift).
void foot_cycle(float phase, float* offset, float* lift) {
  phase -= std::floor(phase);
  if (phase < 0.5f) {
    *offset = 1 - 4 * phase;
    *lift = 0;
  } else {
    *offset = -1 + 4 * (phase - 0.5f);
    *lift = std::sin(kPi * (phase - 0.5f) / 0.5f);
  }
}

Part bug_tank(int pose) {
  using namespace bug_tank_skin;
  const float bob = (pose % 2 == 1) ? 0.006f : 0.0f;
  const float bodyY = 0.215f + bob;
  Part bug;
  // Wing cases (mapped from above) over a shallow belly.
  Part shell = transformed(ellipsoid({0.21f, 0.155f, 0.165f}, 14, 4, kShell, 0, 90, false),
                           translate({-0.02f, bodyY, 0}));
  project_uv(shell, {1, 0, 0}, -0.23f, 0.19f, {0, 0, 1}, -0.165f, 0.165f, kShell);
  append(bug, shell);
  append(bug, transformed(ellipsoid({0.2f, 0.07f, 0.155f}, 14, 3, kBelly, -90, 0, false),
                          translate({-0.02f, bodyY, 0})));
  // Head, mapped from the front, with glowing eyes, mandibles and antennae.
  Part head =
      transformed(ellipsoid({0.075f, 0.065f, 0.085f}, 10, 6, kHead), translate({0.2f, bodyY - 0.015f, 0}));
  project_uv(head, {0, 0, 1}, -0.085f, 0.085f, {0, -1, 0}, -(bodyY + 0.05f), -(bodyY - 0.08f), kHead);
  append(bug, head);
  const float bite = (pose % 2 == 0) ? 0.0f : 0.01f;  // the mandibles work as it walks
  for (float side : {-1.0f, 1.0f}) {
    append(bug, transformed(ellipsoid({0.02f, 0.02f, 0.02f}, 8, 4, kGlow),
                            translate({0.255f, bodyY + 0.01f, 0.04f * side})));
    const Vec3 m0{0.25f, bodyY - 0.05f, 0.045f * side}, m1{0.31f, bodyY - 0.06f, (0.05f + bite) * side},
        m2{0.335f, bodyY - 0.065f, (0.012f + bite) * side};
    append(bug, segment(m0, m1, 0.012f, 0.008f, 6, kClaw));
    append(bug, segment(m1, m2, 0.008f, 0.0f, 6, kClaw));
    const Vec3 a0{0.245f, bodyY + 0.035f, 0.03f * side}, a1{0.3f, bodyY + 0.105f, 0.07f * side},
        a2{0.35f, bodyY + 0.125f, 0.1f * side};
    append(bug, segment(a0, a1, 0.005f, 0.0035f, 4, kClaw));
    append(bug, segment(a1, a2, 0.0035f, 0.0f, 4, kClaw));
    // Exhaust stacks at the back, glowing at their ends.
    const Vec3 e0{-0.16f, bodyY + 0.05f, 0.07f * side}, e1{-0.25f, bodyY + 0.07f, 0.07f * side};
    append(bug, segment(e0, e1, 0.018f, 0.016f, 8, kBelly));
    append(bug, segment(e1, e1 + Vec3{-0.006f, 0.0015f, 0}, 0.016f, 0.012f, 8, kGlow));
  }
  // Six legs in two tripods, half a cycle apart: (front left, middle right, rear left) and the rest.
  const float hipX[3] = {0.09f, 0.0f, -0.09f};
  const float footX[3] = {0.17f, 0.0f, -0.16f};
  const float stride = 0.07f, liftHeight = 0.06f;
  for (int i = 0; i < 3; ++i)
    for (float side : {-1.0f, 1.0f}) {
      const bool groupA = (i % 2 == 0) == (side < 0);
      float offset = 0, lift = 0;
      foot_cycle(pose / 4.0f + (groupA ? 0.0f : 0.5f), &offset, &lift);
      const Vec3 hip = mirror_z({hipX[i], bodyY - 0.02f, 0.11f}, side);
      const Vec3 foot = mirror_z({footX[i] + stride * offset, liftHeight * lift, 0.27f}, side);
      const Vec3 knee = two_bone_joint(hip, foot, 0.15f, 0.24f, mirror_z({0, 1, 0.8f}, side));
      append(bug, segment(hip, knee, 0.02f, 0.015f, 6, kLeg));
      append(bug, segment(knee, foot, 0.015f, 0.0f, 6, kLeg));
      append(bug, transformed(ellipsoid({0.019f, 0.019f, 0.019f}, 6, 4, kJoint), translate(knee)));
      append(bug, transformed(ellipsoid({0.022f, 0.022f, 0.022f}, 6, 4, kJoint), translate(hip)));
    }
  return bug;
}

Mesh make_bug_tank() {
  Mesh mesh;
  for (int k = 0; k < 4; ++k) mesh.add(bug_tank(k), 1 + k);
  return mesh;
}

// ---------------------------------------------------------------------------------------------
// Bug turret: rides on the bug tank's back (same origin), turning about the vertical axis. Its
// turntable sits in the shell top at y 0.335..0.37.

Mesh make_bug_turret() {
  using namespace bug_turret_skin;
  Part turret;
  append(turret,
         transformed(tube(0.09f, 0.085f, 0.035f, 12, kBase), rotate_x(-90).then(translate({0, 0.335f, 0}))));
  const std::vector<float> profile = {-0.07f, 0.37f, 0.06f,  0.37f,  0.085f, 0.40f,
                                      0.05f,  0.44f, -0.06f, 0.445f, -0.08f, 0.41f};
  append(turret, extrude(profile, 0.11f, kHousing, kTop));
  for (float side : {-1.0f, 1.0f}) {
    append(turret, segment({0.04f, 0.405f, 0.028f * side}, {0.1f, 0.405f, 0.028f * side}, 0.02f, 0.018f, 8,
                           kHousing));
    append(turret, segment({0.1f, 0.405f, 0.028f * side}, {0.24f, 0.405f, 0.028f * side}, 0.012f, 0.011f, 8,
                           kBarrel));
    append(turret,
           segment({0.24f, 0.405f, 0.028f * side}, {0.25f, 0.405f, 0.028f * side}, 0.011f, 0.008f, 8, kGlow));
  }
  append(turret,
         transformed(ellipsoid({0.014f, 0.014f, 0.014f}, 8, 4, kGlow), translate({0.072f, 0.43f, 0})));
  append(turret, transformed(box({0.012f, 0.012f, 0.035f}, kDark), translate({-0.08f, 0.41f, 0})));
  append(turret, segment({-0.05f, 0.44f, -0.035f}, {-0.07f, 0.54f, -0.04f}, 0.004f, 0.002f, 4, kDark));
  append(turret,
         transformed(ellipsoid({0.007f, 0.007f, 0.007f}, 6, 3, kGlow), translate({-0.07f, 0.545f, -0.04f})));
  Mesh mesh;
  mesh.add(turret, 0);
  return mesh;
}

// ---------------------------------------------------------------------------------------------
// Cannon walker: a two-legged gun platform about 1.75 high (2 at the antenna tip) on bird-like
// legs: the knee bends forward, the ankle back.

Part cannon_walker(int pose) {
  using namespace cannon_walker_skin;
  // Feet: on the ground sliding back, or lifted and passing (stride 0.14 either way of the hip).
  const float leftX[4] = {0.14f, 0.0f, -0.14f, 0.0f}, leftLift[4] = {0, 0, 0, 0.16f};
  const float rightX[4] = {-0.14f, 0.0f, 0.14f, 0.0f}, rightLift[4] = {0, 0.16f, 0, 0};
  const float bob = (pose % 2 == 1) ? 0.04f : 0.0f;
  const float roll = (pose == 1) ? 2.0f : (pose == 3 ? -2.0f : 0.0f);  // leans over the planted foot
  Part walker;
  for (float side : {-1.0f, 1.0f}) {
    const int leg = side < 0 ? 0 : 1;
    const float x = leg == 0 ? leftX[pose] : rightX[pose];
    const float lift = leg == 0 ? leftLift[pose] : rightLift[pose];
    const Vec3 foot{x, lift, 0.17f * side};
    const Vec3 ankle = foot + Vec3{-0.1f, 0.26f, 0};
    const Vec3 hip{0, 1.02f + bob, 0.17f * side};
    const Vec3 knee = two_bone_joint(hip, ankle, 0.48f, 0.5f, {1, 0, 0});
    append(walker, segment(hip, knee, 0.075f, 0.06f, 8, kLeg));
    append(walker, segment(knee, ankle, 0.055f, 0.04f, 8, kLeg));
    append(walker, segment(ankle, foot + Vec3{0, 0.04f, 0}, 0.035f, 0.03f, 6, kLeg));
    append(walker, transformed(ellipsoid({0.07f, 0.07f, 0.07f}, 8, 4, kJoint), translate(hip)));
    append(walker, transformed(ellipsoid({0.065f, 0.065f, 0.065f}, 8, 4, kJoint), translate(knee)));
    append(walker, transformed(ellipsoid({0.045f, 0.045f, 0.045f}, 6, 4, kJoint), translate(ankle)));
    append(walker, transformed(box({0.11f, 0.025f, 0.07f}, kFoot), translate(foot + Vec3{0.04f, 0.025f, 0})));
    for (float toe : {-0.045f, 0.0f, 0.045f})
      append(walker, segment(foot + Vec3{0.12f, 0.026f, toe}, foot + Vec3{0.2f, 0.006f, toe * 1.4f}, 0.02f,
                             0.006f, 5, kFoot));
    append(walker,
           segment(foot + Vec3{-0.05f, 0.025f, 0}, foot + Vec3{-0.13f, 0.005f, 0}, 0.02f, 0.005f, 5, kFoot));
  }
  // The body: pelvis, hull with the visor, side pods, cannon and antenna.
  Part body;
  append(body, transformed(box({0.1f, 0.07f, 0.2f}, kJoint), translate({0, 1.06f, 0})));
  const std::vector<float> hull = {-0.2f, 1.1f,  0.12f, 1.1f,   0.28f, 1.22f,  0.26f,
                                   1.42f, 0.12f, 1.56f, -0.18f, 1.56f, -0.24f, 1.35f};
  append(body, extrude(hull, 0.36f, kHull, kHull));
  append(body, transformed(box({0.02f, 0.07f, 0.14f}, kFront), translate({0.275f, 1.33f, 0})));
  for (float side : {-1.0f, 1.0f}) {
    append(body, transformed(box({0.12f, 0.065f, 0.055f}, kHull), translate({0.04f, 1.36f, 0.235f * side})));
    append(body, transformed(box({0.005f, 0.04f, 0.035f}, kGlow), translate({0.162f, 1.36f, 0.235f * side})));
    append(body, transformed(box({0.01f, 0.015f, 0.025f}, kGlow), translate({0.22f, 1.17f, 0.1f * side})));
  }
  append(body, transformed(box({0.12f, 0.06f, 0.11f}, kHull), translate({-0.02f, 1.62f, 0})));
  append(body, segment({0.05f, 1.64f, 0}, {0.62f, 1.64f, 0}, 0.05f, 0.045f, 8, kCannon));
  append(body, segment({0.62f, 1.64f, 0}, {0.7f, 1.64f, 0}, 0.065f, 0.065f, 8, kCannon));
  append(body, segment({0.7f, 1.64f, 0}, {0.705f, 1.64f, 0}, 0.042f, 0.042f, 8, kGlow));
  append(body, segment({-0.14f, 1.56f, 0.12f}, {-0.2f, 1.98f, 0.14f}, 0.01f, 0.004f, 4, kJoint));
  append(body,
         transformed(ellipsoid({0.016f, 0.016f, 0.016f}, 6, 3, kGlow), translate({-0.2f, 1.99f, 0.14f})));
  append(walker, transformed(body, about({0, 1.06f, 0}, rotate_x(roll)).then(translate({0, bob, 0}))));
  return walker;
}

Mesh make_cannon_walker() {
  Mesh mesh;
  for (int k = 0; k < 4; ++k) mesh.add(cannon_walker(k), 1 + k);
  return mesh;
}

// ---------------------------------------------------------------------------------------------
// Hover tank: a flat hull on four ducted fans, hovering about 0.14 above the ground; the cycle
// bobs it and turns the fans (a quarter turn of a four-bladed fan over the four poses).

Part fan(float angle) {
  using namespace hover_tank_skin;
  Part f;
  append(f, transformed(tube(0.065f, 0.065f, 0.045f, 12, kDuct, false), rotate_x(-90)));
  append(f,
         transformed(tube(0.015f, 0.015f, 0.02f, 6, kDark), rotate_x(-90).then(translate({0, 0.012f, 0}))));
  for (int b = 0; b < 4; ++b)
    append(f,
           transformed(box({0.026f, 0.002f, 0.011f}, kBlade),
                       rotate_x(25).then(translate({0.037f, 0.022f, 0})).then(rotate_y(angle + 90.0f * b))));
  append(f, transformed(tube(0.058f, 0.058f, 0.004f, 12, kGlow),
                        rotate_x(-90).then(translate({0, -0.006f, 0}))));
  return f;
}

Part hover_tank(int pose) {
  using namespace hover_tank_skin;
  const float bob[4] = {0.0f, 0.012f, 0.0f, -0.012f};
  Part tank;
  const std::vector<float> hull = {-0.22f, 0.15f, 0.15f,  0.15f, 0.25f,  0.2f,
                                   0.2f,   0.25f, -0.18f, 0.26f, -0.24f, 0.21f};
  append(tank, extrude(hull, 0.24f, kSide, kSide));
  Part deck = transformed(box({0.17f, 0.008f, 0.1f}, kDeck), translate({-0.005f, 0.262f, 0}));
  project_uv(deck, {1, 0, 0}, -0.175f, 0.165f, {0, 0, 1}, -0.1f, 0.1f, kDeck);
  append(tank, deck);
  append(tank, transformed(box({0.16f, 0.004f, 0.08f}, kGlow), translate({0, 0.146f, 0})));
  for (float side : {-1.0f, 1.0f}) {
    append(tank, transformed(box({0.2f, 0.035f, 0.03f}, kSide), translate({0, 0.17f, 0.14f * side})));
    for (float x : {-0.15f, 0.15f}) {
      append(tank, transformed(fan(22.5f * pose), translate({x, 0.14f, 0.165f * side})));
      append(tank, transformed(box({0.02f, 0.008f, 0.03f}, kDark), translate({x, 0.17f, 0.115f * side})));
    }
  }
  append(tank, transformed(ellipsoid({0.085f, 0.05f, 0.075f}, 10, 3, kTurret, 0, 90),
                           translate({-0.03f, 0.265f, 0})));
  append(tank, segment({0.03f, 0.29f, 0}, {0.28f, 0.29f, 0}, 0.014f, 0.012f, 8, kBarrel));
  append(tank, segment({0.28f, 0.29f, 0}, {0.29f, 0.29f, 0}, 0.012f, 0.01f, 8, kGlow));
  append(tank, transformed(box({0.005f, 0.006f, 0.03f}, kGlow), translate({0.048f, 0.3f, 0})));
  return transformed(tank, translate({0, bob[pose], 0}));
}

Mesh make_hover_tank() {
  Mesh mesh;
  for (int k = 0; k < 4; ++k) mesh.add(hover_tank(k), k);
  return mesh;
}

// ---------------------------------------------------------------------------------------------
// Plasma bolt: a small core with three crossed flares, so that its tumbling shows. The game draws
// it at scale 2 through the plasma effect, which pans the plasma textures over the whole 0..1 range.

Mesh make_bullet() {
  const UvRect whole{0, 0, 128, 128, 128};
  Part bolt = ellipsoid({0.02f, 0.02f, 0.02f}, 10, 6, whole);
  const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const Vec3& a : axes) {
    append(bolt, segment(a * 0.012f, a * 0.04f, 0.011f, 0.0f, 6, whole, false));
    append(bolt, segment(a * -0.012f, a * -0.04f, 0.011f, 0.0f, 6, whole, false));
  }
  Mesh mesh;
  mesh.add(bolt, 0);
  return mesh;
}

bool write_mesh(const std::string& dir, const std::string& file, const Mesh& mesh, std::string* error) {
  const std::string name = file.substr(0, file.find('.'));
  return write_file(dir + "/" + file, x_file_text(mesh, name), error);
}

}  // namespace

bool make_meshes(const std::string& dir, std::string* error) {
  return write_mesh(dir, "Arms.X", make_arms(), error) &&
         write_mesh(dir, "BugTank.X", make_bug_tank(), error) &&
         write_mesh(dir, "BugTurret.X", make_bug_turret(), error) &&
         write_mesh(dir, "CannonWalker.X", make_cannon_walker(), error) &&
         write_mesh(dir, "HoverTank.X", make_hover_tank(), error) &&
         write_mesh(dir, "Bullet.X", make_bullet(), error);
}
