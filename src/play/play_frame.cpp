#include "play/play_frame.h"

#include <cstdint>
#include <cstdio>

#include "assets/manifest.h"
#include "gfx/device.h"
#include "gfx/vertex.h"
#include "math/camera.h"
#include "math/d3dx_convert.h"
#include "play/enemy_pass.h"
#include "play/fire_control.h"
#include "world/world.h"

namespace {

const RECT kHeadsUpRect{2, 10, 780, 30};

void set_play_render_states() {
  g_pd3d_render->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  g_pd3d_render->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  g_pd3d_render->SetRenderState(D3DRS_ALPHAREF, 8);
  g_pd3d_render->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  g_pd3d_render->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  g_pd3d_render->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

// The sky cube turned with the view alone: the fixed-function view transform is never
// set, so this world matrix orients the cube around the viewer. The depth buffer is
// cleared afterwards so that everything lies in front of the sky.
void draw_sky(World& world) {
  g_pmatrix_stack->Push();
  D3DXVECTOR3 m_vPos(0.0f, 0.0f, 0.0f);
  D3DXVECTOR3 m_look(g_camera.eye.x - g_camera.lookAt.x, -(g_camera.eye.y - g_camera.lookAt.y),
                     g_camera.eye.z - g_camera.lookAt.z);
  D3DXVECTOR3 m_vUp(0.0f, 1.0f, 0.0f);
  D3DXMATRIX skyView;
  D3DXMatrixLookAtLH(&skyView, &m_vPos, &m_look, &m_vUp);
  g_pmatrix_stack->MultMatrix(&skyView);
  g_pd3d_render->SetTransform(D3DTS_WORLD, g_pmatrix_stack->GetTop());
  g_pd3d_render->SetTexture(0, find_texture("SKY"));
  g_pd3d_render->SetStreamSource(0, world.skyBuffer, 0, sizeof(FlexVertex));
  g_pd3d_render->SetFVF(kFlexVertexFvf);
  for (UINT face = 0; face < 6; ++face) g_pd3d_render->DrawPrimitive(D3DPT_TRIANGLESTRIP, face * 4, 2);
  g_pd3d_render->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_pmatrix_stack->Pop();
}

// Four copies of the terrain tile, at (bx, bz), (bx, bz + 32), (bx + 32, bz) and
// (bx + 32, bz + 32).
void draw_ground(World& world) {
  g_pd3d_render->SetTexture(0, find_texture("BUGTANK"));
  const float bx = tile_origin(g_camera.eye.x);
  const float bz = tile_origin(g_camera.eye.z);
  ShaderEffect& effect = *world.terrainEffect;
  if (effect.effect) effect.effect->SetTexture("textureImage", find_texture("PLASMA1"));
  effect.begin_effect(*g_pmatrix_stack->GetTop());
  g_pd3d_render->SetTransform(D3DTS_WORLD, g_pmatrix_stack->GetTop());
  g_pmatrix_stack->Push();
  g_pmatrix_stack->TranslateLocal(bx, 0.0f, bz);
  const float steps[4][3] = {{0, 0, 0}, {0, 0, 32}, {32, 0, -32}, {0, 0, 32}};
  for (const auto& step : steps) {
    g_pmatrix_stack->TranslateLocal(step[0], step[1], step[2]);
    effect.next_world(*g_pmatrix_stack->GetTop());
    world.terrain.draw_terrain();
  }
  g_pmatrix_stack->Pop();
  effect.end_effect();
}

void draw_entities(World& world) {
  if (world.plasmaEffect->effect) world.plasmaEffect->effect->SetFloat("timeOffset", world.elapsed / 10);
  for (int i = 0; i < kEntityCount; ++i) {
    Entity& entity = world.entities[i];
    if (!entity.active) continue;
    g_pmatrix_stack->Push();
    g_pmatrix_stack->TranslateLocal(entity.position.x, entity.position.y, entity.position.z);
    g_pmatrix_stack->RotateYawPitchRollLocal(entity.rotation.yaw, entity.rotation.pitch, entity.rotation.roll);
    g_pmatrix_stack->ScaleLocal(entity.scale.x, entity.scale.y, entity.scale.z);
    const bool bolt = i < kFirstBolt + kBoltCount;
    ShaderEffect& effect = bolt ? *world.plasmaEffect : *world.terrainEffect;
    if (bolt && effect.effect) effect.effect->SetInt("PlasmaColor", static_cast<INT>(0xFF0000FF));
    effect.begin_effect(*g_pmatrix_stack->GetTop());
    // A bolt that has reached the ground bursts here, and is still drawn this frame.
    if (bolt) bolt_ground_test(world, entity);
    if (entity.model) entity.model->draw_model();
    effect.end_effect();
    g_pmatrix_stack->Pop();
  }
}

void draw_particles(World& world) {
  for (Particle& particle : world.particles) {
    if (!particle.active) continue;
    g_pmatrix_stack->Push();
    g_pmatrix_stack->TranslateLocal(particle.position.x, particle.position.y, particle.position.z);
    g_pmatrix_stack->ScaleLocal(particle.scale.x, particle.scale.y, particle.scale.z);
    g_pd3d_render->SetTexture(0, find_texture("BLURPART"));
    world.particleEffect->begin_effect(*g_pmatrix_stack->GetTop());
    g_pd3d_render->SetStreamSource(0, world.quadBuffer, 0, sizeof(FlexVertex));
    g_pd3d_render->SetFVF(kFlexVertexFvf);
    g_pd3d_render->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    world.particleEffect->end_effect();
    g_pmatrix_stack->Pop();
  }
}

// The arms hang fixed in front of the viewer (the fixed-function view stays identity).
void draw_arms(World& world) {
  Vec3 forward, left;
  aim_vectors(&forward, &left);
  D3DXMATRIX menuMat;
  D3DXMatrixIdentity(&menuMat);
  menuMat._41 = -0.0f;
  menuMat._42 = -0.06f;
  menuMat._43 = 0.11f;
  g_pd3d_render->SetTransform(D3DTS_WORLD, &menuMat);
  g_pd3d_render->SetTexture(0, find_texture("ARMS"));
  fire_control(world, forward, left);
  if (ID3DXMesh* arms = find_mesh("ARMS")) arms->DrawSubset(static_cast<DWORD>(g_arm_phase));
}

// Drawn inside the scene, after everything else, so that it is always visible.
void draw_heads_up(World& world) {
  if (!world.font) return;
  char string[255];
  format_heads_up(string, sizeof(string), world.kills, world.timeRemaining);
  RECT rct = kHeadsUpRect;
  world.font->DrawTextA(nullptr, string, -1, &rct, 0, 0xFFFFFFFF);
}

}  // namespace

float tile_origin(float eye) {
  const std::int32_t i = static_cast<std::int32_t>(eye);
  std::int32_t origin = static_cast<std::int32_t>(static_cast<std::uint32_t>(i) & ~31u);
  if ((static_cast<std::uint32_t>(i) & 31u) <= 16u) origin -= 32;
  return static_cast<float>(origin);
}

void format_heads_up(char* out, size_t size, int kills, float timeRemaining) {
  const int n = static_cast<int>(timeRemaining);
  std::snprintf(out, size, "Kills:%03d Time Remaining %02d:%02d", kills, n / 60, n % 60);
}

void play_frame(World& world) {
  const int g = static_cast<int>(world.elapsed * 128) & 0xFF;
  g_pd3d_render->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_ARGB(255, g, g, g), 1.0f, 0);
  update_camera();
  g_pmatrix_stack->LoadIdentity();
  set_play_render_states();
  g_pd3d_render->BeginScene();
  draw_sky(world);
  draw_ground(world);
  draw_entities(world);
  draw_particles(world);
  draw_arms(world);
  enemy_pass(world);
  draw_heads_up(world);
  g_pd3d_render->EndScene();
  g_pd3d_render->Present(nullptr, nullptr, nullptr, nullptr);
}
