// Every kind of line, small: all parameter types, texture options, each kind of state.
parameter float4x4 World
parameter texture image stage 0 filter point address mirror
parameter texture detail stage 7 filter linear address clamp
parameter float gain = -1.5e-2
parameter int level = 0x10
parameter color tint = 0x80FF00FF

technique Opaque
  pass
    state ZEnable = TRUE
    state ZWriteEnable = false
    state ZFunc = LessEqual
    state CullMode = CCW
    state AlphaTestEnable = TRUE
    state AlphaFunc = Greater
    state AlphaRef = 128
    vertex
      in vec3 in_position;
      void main() { gl_Position = World * vec4(in_position, 1.0); }
    end
    pixel
      void main() { frag_color = tint * gain; }
    end

technique Blended
  pass First
    state AlphaBlendEnable = TRUE
    state SrcBlend = InvDestColor
    state DestBlend = zero
    vertex
      void main() { gl_Position = vec4(0.0); }
    end
    pixel
      void main() { frag_color = texture(image, vec2(0.0)); }
    end
  pass Second
    vertex
      void main() { gl_Position = vec4(1.0); }
    end
    pixel
      void main() { frag_color = texture(detail, vec2(float(level))); }
    end
