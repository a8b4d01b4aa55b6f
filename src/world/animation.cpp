#include "world/animation.h"

#include "gfx/device.h"

AnimFrame* make_frame(AnimFrame* frame, ID3DXMesh* mesh, int subset, float duration, AnimFrame* next) {
  frame->mesh = mesh;
  frame->subset = subset;
  frame->duration = duration;
  frame->next = next;
  return frame;
}

// A null frame is never made by the world; it is tolerated (no duration, nothing drawn)
// rather than dereferenced.
ModelInstance::ModelInstance(AnimFrame* frame_, IDirect3DTexture9* texture_)
    : frame(frame_), timeLeft(frame_ ? frame_->duration : 0.0f), texture(texture_) {}

void ModelInstance::advance_model(float dt) {
  timeLeft -= dt;
  if (timeLeft < 0 && frame && frame->next) {
    frame = frame->next;
    timeLeft = frame->duration;
  }
}

void ModelInstance::draw_model() const {
  if (texture) g_pd3d_render->SetTexture(0, texture);
  g_pd3d_render->SetTransform(D3DTS_WORLD, g_pmatrix_stack->GetTop());
  if (frame && frame->mesh) frame->mesh->DrawSubset(static_cast<DWORD>(frame->subset));
}

FrameCycle make_frame_ring(ID3DXMesh* mesh, std::initializer_list<FramePose> poses) {
  FrameCycle cycle;
  if (poses.size() == 0) return cycle;
  cycle.count = static_cast<int>(poses.size());
  cycle.frames.reset(new AnimFrame[poses.size()]);
  int i = 0;
  for (const FramePose& pose : poses) {
    AnimFrame* next = &cycle.frames[(i + 1) % cycle.count];
    make_frame(&cycle.frames[i], mesh, pose.subset, pose.duration, next);
    ++i;
  }
  return cycle;
}

FrameCycle make_still_frame(ID3DXMesh* mesh, int subset, float duration) {
  FrameCycle cycle;
  cycle.count = 1;
  cycle.frames.reset(new AnimFrame[1]);
  make_frame(&cycle.frames[0], mesh, subset, duration, nullptr);
  return cycle;
}

ModelInstance* ModelStore::make(AnimFrame* frame, IDirect3DTexture9* texture) {
  instances_.emplace_back(frame, texture);
  return &instances_.back();
}
