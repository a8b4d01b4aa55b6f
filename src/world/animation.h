// Model animation: a mesh shown as a cycle of poses. Each pose is one attribute subset
// of the mesh, shown for a fixed time; the poses are linked frames, usually closed into
// a ring. A model instance is one entity's place in such a cycle, with its own skin.
#ifndef VORNEX_WORLD_ANIMATION_H
#define VORNEX_WORLD_ANIMATION_H

#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>

#include <deque>
#include <initializer_list>
#include <memory>

// One pose. Frames are shared by every instance that plays them and never change once
// made.
struct AnimFrame {
  ID3DXMesh* mesh;  // borrowed from the asset manifest; null when the mesh is missing
  int subset;       // attribute subset of the mesh drawn for this pose
  float duration;   // seconds the pose is shown
  AnimFrame* next;  // the following pose; null for a pose that is never left
};

// Fills `frame` and returns it. The mesh is the handle itself (find_mesh of the key):
// the caller looks it up, so frames can be made from any mesh.
AnimFrame* make_frame(AnimFrame* frame, ID3DXMesh* mesh, int subset, float duration, AnimFrame* next);

// One entity's place in a cycle of frames.
struct ModelInstance {
  AnimFrame* frame;            // current pose
  float timeLeft;              // seconds until the next pose
  IDirect3DTexture9* texture;  // bound to stage 0 before drawing; null binds nothing; borrowed

  // Starts on `frame` with its full duration. `texture` is the handle itself
  // (find_texture of the key; null for none).
  ModelInstance(AnimFrame* frame, IDirect3DTexture9* texture);

  // Counts dt seconds off the current pose. Once the count falls below zero (exactly
  // zero does not), moves to the next pose, if there is one, with that pose's full
  // duration: at most one pose per call, and the overshoot is dropped. A pose without a
  // next stays current for ever, its count going on below zero.
  void advance_model(float dt);

  // Draws the current pose with the top of g_pmatrix_stack as the world transform.
  // A null texture leaves stage 0 as the previous draw left it. A pose whose mesh is
  // missing sets the texture and transform like any other but draws nothing.
  void draw_model() const;
};

// What one pose of a cycle shows: a subset of the cycle's mesh and for how long.
struct FramePose {
  int subset;
  float duration;
};

// The frames of one cycle, owned together. They live in one block that is freed as a
// whole, so deleting a ring never follows its links back round. Not copyable; moving
// the cycle keeps every frame at its address.
struct FrameCycle {
  std::unique_ptr<AnimFrame[]> frames;
  int count = 0;

  // Where instances of the cycle start; null for an empty cycle.
  AnimFrame* first() const { return frames.get(); }
};

// A ring on one mesh: pose i is followed by pose i + 1 and the last by the first.
FrameCycle make_frame_ring(ID3DXMesh* mesh, std::initializer_list<FramePose> poses);

// A single pose that is never left (next is null), such as the bullet frame.
FrameCycle make_still_frame(ID3DXMesh* mesh, int subset, float duration);

// Model instances owned together by their creator. Each instance keeps its address
// until the store is destroyed, so entities can point at them.
class ModelStore {
 public:
  ModelInstance* make(AnimFrame* frame, IDirect3DTexture9* texture);
  size_t size() const { return instances_.size(); }

 private:
  std::deque<ModelInstance> instances_;  // growing a deque at its end never moves its elements
};

#endif  // VORNEX_WORLD_ANIMATION_H
