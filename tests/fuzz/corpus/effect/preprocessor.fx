// The preprocessor's constructs in a whole effect: macros with arguments, # and ##,
// __VA_ARGS__, nested calls, #if arithmetic with defined, an #elif chain, #undef, a line
// splice, __LINE__, #pragma and an #include of the file beside this one.
#pragma pack_matrix(row_major)
#include "common.fxh"
#define PARAMETER(type, name) type name##Value
#define SQUARE(x) ((x) * (x))
#define MIX(a, ...) lerp(a, __VA_ARGS__)
#define LABEL(x) #x
#define LEVEL 3
#if defined(LEVEL) && LEVEL * 2 > 5 && !defined NONE
#define SHADE(c) MIX(c, SQUARE(c), 0.5)
#elif LEVEL == 1
#define SHADE(c) (c)
#else
#error no shading
#endif
#undef LEVEL

float4x4 World, View, Projection;
PARAMETER(float, gain) = 0.5;
string name = LABEL(gain LEVEL);

float4 VS(float3 position : POSITION) : POSITION
{
    return mul(mul(mul(float4(position, 1.0), World), View), \
               Projection);
}

float4 PS() : COLOR0
{
    float row = __LINE__;  /* a comment
                               across lines */
    return tinted(SHADE(float4(gainValue, row / 100.0, 0.0, 1.0)));
}

technique Main
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}
