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
// textureImage is sampled through the effect's only sampler, which sits on stage 0: for
// the ground it is the plasma texture the game gives it (only its brightness is used, for
// the embers); a model's own SetTexture on stage 0 replaces it for the model's draws.

float4x4 World;
float4x4 View;
float4x4 Projection;
texture textureImage;

sampler2D textureImageSampler = sampler_state
{
    Texture = <textureImage>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    AddressU = WRAP;
    AddressV = WRAP;
};

static const float3 kNight = float3(0.106, 0.071, 0.200);   // the sky's plain night colour
static const float3 kSunDir = float3(0.52, 0.45, 0.73);     // low, from the sunset side (+z)
static const float3 kSun = float3(1.25, 0.74, 0.46);
static const float3 kFillDir = float3(-0.30, 0.55, -0.78);  // the teal glow on the other side
static const float3 kFill = float3(0.16, 0.46, 0.50);
static const float3 kSkyLight = float3(0.20, 0.15, 0.32);
static const float3 kGroundLight = float3(0.05, 0.03, 0.07);
static const float3 kEmber = float3(1.00, 0.42, 0.14);

struct TerrainVSOutput
{
    float4 Position : POSITION;
    float3 WorldPos : TEXCOORD0; // the position in world space
    float3 Normal : TEXCOORD1;   // the normal in world space, (0, 0, 0) on the ground
    float4 Color : TEXCOORD2;    // the vertex colour, white on meshes
    float2 UV : TEXCOORD3;
    float Depth : TEXCOORD4;     // the distance ahead of the viewer (view-space z)
    float Mesh : TEXCOORD5;      // 1 on a mesh, 0 on the ground
};

TerrainVSOutput TerrainVS(float3 position : POSITION, float3 normal : NORMAL,
                          float4 color : COLOR0, float2 texcoord : TEXCOORD0)
{
    TerrainVSOutput o;
    float4 world = mul(float4(position, 1.0), World);
    float4 eye = mul(world, View);
    o.Position = mul(eye, Projection);
    o.WorldPos = world.xyz;
    o.Normal = mul(float4(normal, 0.0), World).xyz;
    o.Color = color;
    o.UV = texcoord;
    o.Depth = eye.z;
    o.Mesh = dot(normal, normal) > 0.01 ? 1.0 : 0.0;
    return o;
}

float Luma(float3 c) { return dot(c, float3(0.299, 0.587, 0.114)); }

// Value noise on the ground plane, 0..1.
float Hash(float2 p)
{
    float3 q = frac(p.xyx * 0.1031);
    q += dot(q, q.yzx + 33.33);
    return frac((q.x + q.y) * q.z);
}
float ValueNoise(float2 p)
{
    float2 i = floor(p);
    float2 f = frac(p);
    float2 s = f * f * (3.0 - 2.0 * f);
    return lerp(lerp(Hash(i), Hash(i + float2(1.0, 0.0)), s.x),
                lerp(Hash(i + float2(0.0, 1.0)), Hash(i + float2(1.0, 1.0)), s.x), s.y);
}
// One octave of grit at `frequency` per unit, faded out (towards 0.5) where a pixel
// covers more than about half a noise cell, so that far ground does not sparkle.
float Grit(float2 p, float frequency, float footprint)
{
    float fade = 1.0 - smoothstep(0.4, 1.0, footprint * frequency);
    if (fade <= 0.0) return 0.5;
    return lerp(0.5, ValueNoise(p * frequency), fade);
}

float3 Lighting(float3 n)
{
    float3 ambient = lerp(kGroundLight, kSkyLight, 0.5 + 0.5 * n.y);
    return ambient + kSun * max(dot(n, kSunDir), 0.0) + kFill * max(dot(n, kFillDir), 0.0);
}

float4 TerrainPS(float3 worldPos : TEXCOORD0, float3 normal : TEXCOORD1,
                 float4 color : TEXCOORD2, float2 uv : TEXCOORD3,
                 float depth : TEXCOORD4, float mesh : TEXCOORD5) : COLOR0
{
    // Derivatives first, outside any branch.
    float3 facet = cross(ddx(worldPos), ddy(worldPos));
    float footprint = max(length(fwidth(worldPos.xz)), 1e-5);
    float4 texel = tex2D(textureImageSampler, uv);
    float veins = Luma(tex2D(textureImageSampler, uv * 7.0).rgb) *
                  Luma(tex2D(textureImageSampler, uv * 3.0 + 0.37).rgb);

    // The ground: a cratered plain (the ground lies at y = -height; hollows go down to
    // about -2, rises up to about +0.5).
    float3 n = normalize(facet);
    if (n.y < 0.0) n = -n;  // the facet's winding on screen does not matter
    n = normalize(n + float3(0.0, 0.7, 0.0));  // calms the small facets, keeps the slopes
    float y = worldPos.y;
    float3 albedo = lerp(float3(0.14, 0.10, 0.17), float3(0.30, 0.24, 0.31), smoothstep(-1.6, -0.5, y));
    albedo = lerp(albedo, float3(0.44, 0.37, 0.40), smoothstep(-0.5, 0.05, y));
    albedo = lerp(albedo, float3(0.58, 0.48, 0.44), smoothstep(0.1, 0.45, y));
    // Broad patches of warmer and cooler dust.
    float dust = ValueNoise(worldPos.xz * 0.4) * 0.6 + ValueNoise(worldPos.xz * 1.3) * 0.4;
    albedo *= lerp(float3(0.82, 0.86, 1.02), float3(1.12, 1.02, 0.92), dust);
    // Grit at three scales, and a mottle from the vertex colours.
    float g = Grit(worldPos.xz, 4.0, footprint) * 0.45 + Grit(worldPos.xz, 13.0, footprint) * 0.35 +
              Grit(worldPos.xz, 37.0, footprint) * 0.2;
    albedo *= 0.45 + 1.1 * g;
    // Pebbles: dark specks where the finest noise peaks, near the viewer only.
    float pebble = smoothstep(0.7, 0.85, Grit(worldPos.xz + 17.0, 14.0, footprint * 1.5));
    albedo *= 1.0 - 0.3 * pebble;
    albedo *= 0.85 + 0.3 * Luma(color.rgb);
    float3 ground = albedo * Lighting(n);
    // Embers still glowing in the crater floors, along the bright veins of the texture.
    float crater = 1.0 - smoothstep(-1.7, -1.05, y);
    ground += kEmber * smoothstep(0.22, 0.5, veins) * crater * 0.5;

    // A mesh: its skin, lit by the same lights and a soft light from the viewer so
    // that it reads from every side, with a rim against the dark.
    float3 m = normalize(normal + float3(0.0, 1e-6, 0.0));
    float3 toEye = normalize(-mul(float4(worldPos, 1.0), View).xyz);
    float3 mView = normalize(mul(float4(m, 0.0), View).xyz);
    float facing = clamp(abs(dot(mView, toEye)), 0.0, 1.0);
    float rim = pow(1.0 - facing, 3.0);
    float3 model = texel.rgb * (Lighting(m) + 0.45 * facing + 0.1) + float3(0.55, 0.40, 0.80) * rim * 0.45;

    float3 colour = lerp(ground, model, mesh);
    float alpha = lerp(1.0, texel.a, mesh);
    // Fade into the night well before the far plane (15) cuts the world off.
    float fog = smoothstep(3.0, 14.5, depth);
    return float4(lerp(colour, kNight, fog * (2.0 - fog)), alpha);
}

technique CurveShader
{
    pass P0
    {
        VertexShader = compile vs_3_0 TerrainVS();
        PixelShader = compile ps_3_0 TerrainPS();
    }
}
