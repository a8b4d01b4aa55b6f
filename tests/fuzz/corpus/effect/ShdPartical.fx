// Impact sparks: soft, warm, glowing sprites that always face the viewer.
//
// The game draws every particle as the same four-vertex strip whose corners all lie at
// the object's origin and differ only in their texture coordinates; the world matrix
// places it (a burst's particles are scaled to nothing, so only the world matrix's
// translation counts). The vertex shader takes the origin through the world matrix and
// the view, then spreads the corners apart in view space, picking each corner from its
// texture coordinates: a square of a fixed size facing the camera.
//
// The sprite's shape is the particle texture's alpha (textureImage, a round glow), its
// colour a warm plasma orange with a white-hot middle, added onto the scene without
// writing depth so that sparks overlap as light does.

parameter float4x4 World
parameter float4x4 View
parameter float4x4 Projection
parameter texture textureImage stage 0 filter linear address clamp

technique DrayShader
  pass P0
    state AlphaBlendEnable = TRUE
    state SrcBlend = SrcAlpha
    state DestBlend = One
    state ZWriteEnable = FALSE
    vertex
      in vec3 in_position;
      in vec2 in_texcoord;
      out vec2 v_uv;
      const float kSize = 0.09;  // world units across
      void main() {
        vec4 centre = View * (World * vec4(in_position, 1.0));
        // u = 0 is the left edge, v = 0 the top.
        vec2 corner = (in_texcoord - vec2(0.5)) * vec2(kSize, -kSize);
        gl_Position = Projection * vec4(centre.xy + corner, centre.z, 1.0);
        v_uv = in_texcoord;
      }
    end
    pixel
      in vec2 v_uv;
      void main() {
        vec4 glow = texture(textureImage, v_uv);
        // A tighter falloff than the texture's own: a bright spark in a thin halo.
        float alpha = glow.a * glow.a;
        vec3 ember = glow.rgb * vec3(1.0, 0.62, 0.32);
        vec3 colour = mix(ember, vec3(1.0, 0.9, 0.7), smoothstep(0.55, 1.0, alpha));
        frag_color = vec4(colour * 1.4, alpha);
      }
    end
