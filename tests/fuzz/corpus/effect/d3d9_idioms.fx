// Seed: the Direct3D 9 idioms the reader takes beyond the game's own effect files.
float4x4 World : WORLD, View : VIEW, Projection : PROJECTION;
bool Lit < string UIName = "Lit"; > = true;
row_major float3x3 Turn = {0, 1, 0, 0, 0, 1, 1, 0, 0};
half4 Palette[2] = { {1, 0, 0, 1}, float4(0, 0, 1, 1) };
matrix<float, 2, 2> Small = {1, 2, 3, 4};
int4 Counts = 2;
string Author < int order = 1; > = "modder";
texture Skin;
sampler SkinSampler = sampler_state { Texture = (Skin); MinFilter = Linear; AddressU = Clamp; };
struct VS_OUTPUT { float4 Position : POSITION; float2 UV : TEXCOORD0; float Fog : FOG; };
VS_OUTPUT SceneVS(float4 Pos : POSITION, float2 UV : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Position = mul(Pos, mul(World, mul(View, Projection)));
    Out.UV = UV;
    Out.Fog = 1;
    return Out;
}
float4 ScenePS(VS_OUTPUT In, uniform int index, uniform bool textured) : COLOR0
{
    float4 c = Palette[index] * float4(mul(float3(1, 0.5, 0.25), Turn), 1);
    return textured ? c * tex2D(SkinSampler, In.UV) : c;
}
float4 ScreenPS(float2 vpos : VPOS, float face : VFACE) : COLOR0 { return float4(vpos / 255.0, face > 0 ? 1 : 0, 1); }
VertexShader vs = compile vs_2_0 SceneVS();
PixelShader ps = compile ps_2_0 ScenePS(1, true);
technique Scene < string Note = "variables"; >
{
    pass P0 { VertexShader = (vs); PixelShader = <ps>; Texture[1] = <Skin>; MagFilter[1] = POINT; }
    pass P1 { VertexShader = (vs); PixelShader = compile ps_2_0 ScenePS(0, false); }
}
technique Screen { pass { cullmode = none; VertexShader = (vs); PixelShader = compile ps_3_0 ScreenPS(); } }
