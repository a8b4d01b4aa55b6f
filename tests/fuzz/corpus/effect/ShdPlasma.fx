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
//
// textureImage1 is sampled on stage 0 and textureImage2 on stage 1. PlasmaColor starts
// out blue (the D3DCOLOR 0xFF0000FF); the game sets it with SetInt and a D3DCOLOR.

float4x4 World;
float4x4 View;
float4x4 Projection;
texture textureImage1;
texture textureImage2;
float timeOffset;
float4 PlasmaColor = {0, 0, 1, 1};

sampler2D textureImage1Sampler = sampler_state
{
    Texture = <textureImage1>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler2D textureImage2Sampler = sampler_state
{
    Texture = <textureImage2>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    AddressU = WRAP;
    AddressV = WRAP;
};

static const float kGrow = 1.4;  // the glow reaches past the mesh

struct PlasmaVSOutput
{
    float4 Position : POSITION;
    float3 Normal : TEXCOORD0;  // the normal in view space
    float3 ToEye : TEXCOORD1;   // from the surface to the viewer, in view space
    float2 UV : TEXCOORD2;
};

PlasmaVSOutput PlasmaVS(float3 position : POSITION, float3 normal : NORMAL,
                        float2 texcoord : TEXCOORD0)
{
    PlasmaVSOutput o;
    float4 eye = mul(mul(float4(position * kGrow, 1.0), World), View);
    o.Position = mul(eye, Projection);
    o.Normal = mul(mul(float4(normal, 0.0), World), View).xyz;
    o.ToEye = -eye.xyz;
    o.UV = texcoord;
    return o;
}

float Luma(float3 c) { return dot(c, float3(0.299, 0.587, 0.114)); }

float4 PlasmaPS(float3 normal : TEXCOORD0, float3 toEye : TEXCOORD1,
                float2 uv : TEXCOORD2) : COLOR0
{
    float seconds = timeOffset * 10.0;
    float2 flowA = uv + float2(0.61, 0.23) * seconds;
    float2 flowB = uv * 1.5 - float2(0.17, 0.83) * seconds;
    float filaments = Luma(tex2D(textureImage1Sampler, flowA).rgb);
    float3 waves = tex2D(textureImage2Sampler, flowB).rgb;
    float pulse = 0.85 + 0.15 * sin(seconds * 17.0);

    float3 n = normalize(normal + float3(0.0, 1e-6, 0.0));
    float facing = abs(dot(n, normalize(toEye)));
    float core = pow(facing, 4.0);
    float edge = smoothstep(0.0, 0.5, facing);  // soft silhouette

    // The colour the game asks for carries the body; the waves shimmer through it and
    // the brightest filaments and the middle burn white.
    float3 tint = PlasmaColor.rgb;
    float3 body = tint * (0.45 + 1.0 * Luma(waves)) + waves * 0.2;
    float heat = smoothstep(0.45, 0.95, filaments) * pulse;
    float3 hot = lerp(float3(1.0, 1.0, 1.0), tint, 0.3) * (heat * 0.8 + core * 0.6);
    float alpha = clamp(0.25 + 0.6 * edge + 0.3 * heat, 0.0, 1.0) * PlasmaColor.a;
    return float4(body + hot, alpha);
}

technique GlobalShader
{
    pass P0
    {
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = ONE;
        ZWriteEnable = FALSE;
        CullMode = CCW;
        VertexShader = compile vs_3_0 PlasmaVS();
        PixelShader = compile ps_3_0 PlasmaPS();
    }
}
