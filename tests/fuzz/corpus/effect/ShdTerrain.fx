// The ground and the enemies, drawn through one technique.
//
// The game draws two kinds of geometry with this effect and tells it nothing about which
// is which, so the vertex data decides:
//   - terrain vertices carry a diffuse colour (a random colour per vertex) and no normal;
//   - meshes carry a normal and no colour.
// The device feeds a missing normal as (0, 0, 0) and a missing colour as white, so a
// vertex whose normal has any length is a mesh vertex. (The terrain's random colours
// never reach pure white either; the normal alone settles it.)
//
// Ground: a height palette from dark violet crater floors to pale rose rises, faceted
// light (each triangle's own normal, from the screen-space slopes of its position) from
// the sunset side (+z) with a teal fill from the other side, dust patches, grit and
// pebbles from noise on the ground plane (faded where a pixel would cover several noise
// cells: the textures have no mip maps), a faint mottle from the vertex colours, and
// embers glowing in the crater floors along the bright veins of textureImage.
// Meshes: their skin (the texture the model binds on stage 0 after the pass begins) lit
// by the same lights plus a soft light from the viewer, with a rim against the night.
// Both fade into the night colour of the sky before the far plane (15 units) cuts them.
//
// textureImage feeds stage 0: for the ground it is the plasma texture the game gives it
// (only its brightness is used, for the embers); a model's own SetTexture on stage 0
// replaces it for the model's draws.

parameter float4x4 World
parameter float4x4 View
parameter float4x4 Projection
parameter texture textureImage stage 0 filter linear address wrap

technique CurveShader
  pass P0
    vertex
      in vec3 in_position;
      in vec3 in_normal;
      in vec4 in_color;
      in vec2 in_texcoord;
      out vec3 v_world;
      out vec3 v_normal;
      out vec4 v_color;
      out vec2 v_uv;
      out float v_depth;
      out float v_mesh;
      void main() {
        vec4 world = World * vec4(in_position, 1.0);
        vec4 eye = View * world;
        gl_Position = Projection * eye;
        v_world = world.xyz;
        v_normal = (World * vec4(in_normal, 0.0)).xyz;
        v_color = in_color;
        v_uv = in_texcoord;
        v_depth = eye.z;
        v_mesh = dot(in_normal, in_normal) > 0.01 ? 1.0 : 0.0;
      }
    end
    pixel
      in vec3 v_world;
      in vec3 v_normal;
      in vec4 v_color;
      in vec2 v_uv;
      in float v_depth;
      in float v_mesh;

      const vec3 kNight = vec3(0.106, 0.071, 0.200);   // the sky's plain night colour
      const vec3 kSunDir = vec3(0.52, 0.45, 0.73);     // low, from the sunset side (+z)
      const vec3 kSun = vec3(1.25, 0.74, 0.46);
      const vec3 kFillDir = vec3(-0.30, 0.55, -0.78);  // the teal glow on the other side
      const vec3 kFill = vec3(0.16, 0.46, 0.50);
      const vec3 kSkyLight = vec3(0.20, 0.15, 0.32);
      const vec3 kGroundLight = vec3(0.05, 0.03, 0.07);
      const vec3 kEmber = vec3(1.00, 0.42, 0.14);

      float luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

      // Value noise on the ground plane, 0..1.
      float hash(vec2 p) {
        vec3 q = fract(vec3(p.xyx) * 0.1031);
        q += dot(q, q.yzx + 33.33);
        return fract((q.x + q.y) * q.z);
      }
      float noise(vec2 p) {
        vec2 i = floor(p);
        vec2 f = fract(p);
        vec2 s = f * f * (3.0 - 2.0 * f);
        return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), s.x),
                   mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), s.x), s.y);
      }
      // One octave of grit at `frequency` per unit, faded out (towards 0.5) where a pixel
      // covers more than about half a noise cell, so that far ground does not sparkle.
      float grit(vec2 p, float frequency, float footprint) {
        float fade = 1.0 - smoothstep(0.4, 1.0, footprint * frequency);
        if (fade <= 0.0) return 0.5;
        return mix(0.5, noise(p * frequency), fade);
      }

      vec3 light(vec3 n) {
        vec3 ambient = mix(kGroundLight, kSkyLight, 0.5 + 0.5 * n.y);
        return ambient + kSun * max(dot(n, kSunDir), 0.0) + kFill * max(dot(n, kFillDir), 0.0);
      }

      void main() {
        // Derivatives first, outside any branch.
        vec3 facet = cross(dFdx(v_world), dFdy(v_world));
        float footprint = max(length(fwidth(v_world.xz)), 1e-5);
        vec4 texel = texture(textureImage, v_uv);
        float veins = luma(texture(textureImage, v_uv * 7.0).rgb) *
                      luma(texture(textureImage, v_uv * 3.0 + 0.37).rgb);

        // The ground: a cratered plain (the ground lies at y = -height; hollows go down to
        // about -2, rises up to about +0.5).
        vec3 n = normalize(facet);
        if (n.y < 0.0) n = -n;
        n = normalize(n + vec3(0.0, 0.7, 0.0));  // calms the small facets, keeps the slopes
        float y = v_world.y;
        vec3 albedo = mix(vec3(0.14, 0.10, 0.17), vec3(0.30, 0.24, 0.31), smoothstep(-1.6, -0.5, y));
        albedo = mix(albedo, vec3(0.44, 0.37, 0.40), smoothstep(-0.5, 0.05, y));
        albedo = mix(albedo, vec3(0.58, 0.48, 0.44), smoothstep(0.1, 0.45, y));
        // Broad patches of warmer and cooler dust.
        float dust = noise(v_world.xz * 0.4) * 0.6 + noise(v_world.xz * 1.3) * 0.4;
        albedo *= mix(vec3(0.82, 0.86, 1.02), vec3(1.12, 1.02, 0.92), dust);
        // Grit at three scales, and a mottle from the vertex colours.
        float g = grit(v_world.xz, 4.0, footprint) * 0.45 + grit(v_world.xz, 13.0, footprint) * 0.35 +
                  grit(v_world.xz, 37.0, footprint) * 0.2;
        albedo *= 0.45 + 1.1 * g;
        // Pebbles: dark specks where the finest noise peaks, near the viewer only.
        float pebble = smoothstep(0.7, 0.85, grit(v_world.xz + 17.0, 14.0, footprint * 1.5));
        albedo *= 1.0 - 0.3 * pebble;
        albedo *= 0.85 + 0.3 * luma(v_color.rgb);
        vec3 ground = albedo * light(n);
        // Embers still glowing in the crater floors, along the bright veins of the texture.
        float crater = 1.0 - smoothstep(-1.7, -1.05, y);
        ground += kEmber * smoothstep(0.22, 0.5, veins) * crater * 0.5;

        // A mesh: its skin, lit by the same lights and a soft light from the viewer so
        // that it reads from every side, with a rim against the dark.
        vec3 m = normalize(v_normal + vec3(0.0, 1e-6, 0.0));
        vec3 toEye = normalize(-(View * vec4(v_world, 1.0)).xyz);
        vec3 mView = normalize((View * vec4(m, 0.0)).xyz);
        float facing = clamp(abs(dot(mView, toEye)), 0.0, 1.0);
        float rim = pow(1.0 - facing, 3.0);
        vec3 model = texel.rgb * (light(m) + 0.45 * facing + 0.1) + vec3(0.55, 0.40, 0.80) * rim * 0.45;

        vec3 colour = mix(ground, model, v_mesh);
        float alpha = mix(1.0, texel.a, v_mesh);
        // Fade into the night well before the far plane (15) cuts the world off.
        float fog = smoothstep(3.0, 14.5, v_depth);
        frag_color = vec4(mix(colour, kNight, fog * (2.0 - fog)), alpha);
      }
    end
