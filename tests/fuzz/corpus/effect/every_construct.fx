// Every construct of the effect framework, small: each parameter type, qualifier and
// initialiser form, semantics, registers and annotations, both texture and both sampler
// spellings with every sampler state, named and unnamed passes with every render state,
// each shader profile, a struct, #define, #if and an #include of a file beside this one.
#define DOUBLE(x) ((x) * 2.0)
#include "common.fxh"

uniform float4x4 World : WORLD;
row_major matrix View;
extern float4x4 Projection <string UIName = "projection";>;
float gain = -1.5e-2f;
float1 bias = 0.5;
float2 offset = float2(0.25, -0.75);
float3 light = {0.5, 0.5, 1.0};
vector fog = {0.1, 0.2, 0.3, 1.0};
int level = 0x10;
shared const float scale = 2.0;
static const float kHalf = 0.5;

texture image;
texture2D detail : DIFFUSE <string ResourceName = "detail.png";>;

sampler2D imageSampler : register(s3) = sampler_state
{
    Texture = <image>;
    MinFilter = POINT;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = MIRROR;
    AddressV = CLAMP;
};
sampler detailSampler = sampler_state
{
    Texture = (detail);
    MipFilter = LINEAR;
    AddressU = WRAP;
};

struct VSOutput
{
    float4 Position : POSITION;
    float4 Colour : COLOR0;
    float2 UV : TEXCOORD0;
    float3 Normal : TEXCOORD1;
};

VSOutput VS(float3 position : POSITION, float3 normal : NORMAL, float4 colour : COLOR0,
            float2 uv : TEXCOORD0)
{
    VSOutput o;
    o.Position = mul(mul(mul(float4(position * scale, 1.0), World), View), Projection);
    o.Colour = colour;
    o.UV = uv + offset;
    o.Normal = normal;
    return o;
}

float4 PS(float4 colour : COLOR0, float2 uv : TEXCOORD0, float3 normal : TEXCOORD1) : COLOR0
{
    float shade = saturate(dot(normalize(normal), light)) * DOUBLE(kHalf) + bias;
#if 1
    float4 texel = tex2D(imageSampler, uv) * tex2D(detailSampler, uv * level);
#else
    float4 texel = 1.0;
#endif
    return tinted(texel * colour * shade * (1.0 + gain)) + fog * 0.0;
}

float4 FlatPS() : COLOR0 { return float4(1.0, 0.0, 1.0, 1.0); }

technique Opaque <string Mode = "opaque";>
{
    pass
    {
        ZEnable = TRUE;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = CCW;
        AlphaTestEnable = TRUE;
        AlphaFunc = GREATER;
        AlphaRef = 128;
        Lighting = FALSE;
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}

technique Blended
{
    pass First
    {
        AlphaBlendEnable = TRUE;
        SrcBlend = InvDestColor;
        DestBlend = zero;
        CullMode = NONE;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 FlatPS();
    }
    pass Second <float Weight = 0.5;>
    {
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        ZFunc = 4;
        VertexShader = compile vs_1_1 VS();
        PixelShader = compile ps_2_b FlatPS();
    }
}
