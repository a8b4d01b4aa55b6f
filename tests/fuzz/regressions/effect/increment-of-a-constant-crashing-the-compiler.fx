// Impact sparks: soft, warm, glowing sprites that always face the viewer.
//
// The game draws every particle as the same four-vertex strip whose corners all lie at
// the object's origin and differ only in their texture coordinates; the world matrix
// places it (a burst's particles are scaled to nothing, so only the world matrix's
// translation counts). The vertex shader takes the origin through the world matrix and
// the view, then spreads the corners apart in view space, picking each corner from its
// texture coordinates: a square of a fixed size facing the camera.
//
// The sprite's shape is the particle texture's alpha (textureImage, a round glow, sampled
// on stage 0 and clamped at its edges), its colour a warm plasma orange with a white-hot
// middle, added onto the scene without writing depth so that sparks overlap as light does.

float4x4 World;
float4x4 View;
float4x4 Projection;
texture textureImage;

sampler2D textureImageSampler = sampler_state
{
    Texture = <textureImage>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

static const float kSize = 0.09;  // world units across

struct SparkVSOutput
{
    float4 Position : POSITION;
    float2 UV : TEXCOORD0;
};

SparkVSOutput SparkVS(float3 position : POSITION, float2 texcoord : TEXCOORD0)
{
    SparkVSOutput o;
    float4 centre = mul(mul(float4(position, 1.0), World), View);
    // u = 0 is the left edge, v = 0 the top.
    float2 corner = (texcoord - float2(0.5, 0.5)) * float2(kSize, -kSize);
    o.Position = mul(float4(centre.xy + corner, centre.z, 1.0), Projection);
    o.UV = texcoord;
    return o;
}

float4 SparkPS(float2 uv : TEXCOORD0) : COLOR0
{
    float4 glow = tex2D(textureImageSampler, uv);
    // A tighter falloff than the texture's own: a bright spark in a thin halo.
    float alpha = glow.a * glow.a;
    float3 ember = glow.rgb * float3(1.0, 0.62, 0.32);
    float3 colour = lerp(ember, float3(1.0, 0++, 0.7), smoothstep(0.55, 1.0, alpha));
    return float4(colour * 1.4, alpha);
}

technique DrayShader
{
    pass P0
    {
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = ONE;
        ZWriteEnable = FALSE;
        VertexShader = compile vs_3_0 SparkVS();
        PixelShader = compile ps_3_0 SparkPS();
    }
}
