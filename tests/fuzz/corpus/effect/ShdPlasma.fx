// The plasma bolt: a small spiked ball (the bullet mesh) of churning, glowing energy.
//
// The two plasma textures flow over the surface in different directions with time
// (timeOffset is the game's clock divided by 10); the waves of the second, coloured by
// PlasmaColor, make the body, and the bright filaments of the first and the middle of
// the ball (where the surface faces the viewer) burn nearly white. The bolt is drawn a
// little larger than its mesh and added onto the scene (additive blending, no depth
// writes), so it glows and overlapping bolts add up instead of hiding each other; its
// back faces are culled (the meshes wind clockwise seen from outside, Direct3D's front)
// so that each spot of the surface adds its light once.

parameter float4x4 World
parameter float4x4 View
parameter float4x4 Projection
parameter texture textureImage1 stage 0 filter linear address wrap
parameter texture textureImage2 stage 1 filter linear address wrap
parameter float timeOffset
parameter color PlasmaColor = 0xFF0000FF

technique GlobalShader
  pass P0
    state AlphaBlendEnable = TRUE
    state SrcBlend = SrcAlpha
    state DestBlend = One
    state ZWriteEnable = FALSE
    state CullMode = CCW
    vertex
      in vec3 in_position;
      in vec3 in_normal;
      in vec2 in_texcoord;
      out vec3 v_normal;
      out vec3 v_toEye;
      out vec2 v_uv;
      const float kGrow = 1.4;  // the glow reaches past the mesh
      void main() {
        vec4 eye = View * (World * vec4(in_position * kGrow, 1.0));
        gl_Position = Projection * eye;
        v_normal = (View * (World * vec4(in_normal, 0.0))).xyz;
        v_toEye = -eye.xyz;
        v_uv = in_texcoord;
      }
    end
    pixel
      in vec3 v_normal;
      in vec3 v_toEye;
      in vec2 v_uv;

      float luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

      void main() {
        float seconds = timeOffset * 10.0;
        vec2 flowA = v_uv + vec2(0.61, 0.23) * seconds;
        vec2 flowB = v_uv * 1.5 - vec2(0.17, 0.83) * seconds;
        float filaments = luma(texture(textureImage1, flowA).rgb);
        vec3 waves = texture(textureImage2, flowB).rgb;
        float pulse = 0.85 + 0.15 * sin(seconds * 17.0);

        vec3 n = normalize(v_normal + vec3(0.0, 1e-6, 0.0));
        float facing = abs(dot(n, normalize(v_toEye)));
        float core = pow(facing, 4.0);
        float edge = smoothstep(0.0, 0.5, facing);  // soft silhouette

        // The colour the game asks for carries the body; the waves shimmer through it and
        // the brightest filaments and the middle burn white.
        vec3 tint = PlasmaColor.rgb;
        vec3 body = tint * (0.45 + 1.0 * luma(waves)) + waves * 0.2;
        float heat = smoothstep(0.45, 0.95, filaments) * pulse;
        vec3 hot = mix(vec3(1.0), tint, 0.3) * (heat * 0.8 + core * 0.6);
        float alpha = clamp(0.25 + 0.6 * edge + 0.3 * heat, 0.0, 1.0) * PlasmaColor.a;
        frag_color = vec4(body + hot, alpha);
      }
    end
