// The effect framework's reader on its own (no device, no HLSL compiler): what a damaged
// file's error text may contain, and how the numbers of parameters and states are read.
#include "d3dx9/effect_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using d3dx9::EffectSource;

// Two functions and a technique compiling them, appended to the lines under test.
const char* const kTechnique =
    "float4 VS() : POSITION { return 0; }\n"
    "float4 PS() : COLOR0 { return 1; }\n"
    "technique T { pass { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n";

std::string errors_of(const std::string& text) {
  EffectSource source;
  std::string errors;
  EXPECT_FALSE(d3dx9::parse_effect(text, "bad.fx", &source, &errors)) << "accepted:\n" << text;
  return errors;
}

// Whether `text` holds `part`; the text is shown when it does not.
::testing::AssertionResult has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

bool is_printable_lines(const std::string& text) {
  for (char c : text)
    if (c != '\n' && (c < 0x20 || c > 0x7E)) return false;
  return true;
}

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

TEST(EffectSourceErrors, BinaryBytesAreQuotedAsEscapesNeverCopied) {
  const std::string garbage = "\x89PNG;\n\x1a\x01\x1b[2J;\n" + std::string("float a\0b;\n", 11) +
                              "\xff\xfe;\nstate\\x41 = 1;\n"
                              "sampler2D s = sampler_state { Texture = \"\x01\x1b[2J\x07\"; };\n"
                              "#line 70 \"\x1b[2J\\x41\"\nbogus x;\n";
  const std::string errors = errors_of(garbage + kTechnique);
  EXPECT_TRUE(is_printable_lines(errors)) << errors;
  EXPECT_TRUE(has(errors, "bad.fx(1,1): error: expected a declaration, found '\\x89'\n"));
  EXPECT_TRUE(has(errors, "bad.fx(2,1): error: expected a declaration, found '\\x1A'\n"));
  // A NUL would end the message early in the C string the caller gets.
  EXPECT_TRUE(has(errors, "bad.fx(3,8): error: expected ';' after the declaration of 'a', found '\\x00'\n"));
  EXPECT_TRUE(has(errors, "bad.fx(4,1): error: expected a declaration, found '\\xFF'\n"));
  // A backslash is doubled, so that escapes stay unambiguous.
  EXPECT_TRUE(has(errors, "bad.fx(5,6): error: expected a name after 'state', found '\\\\'\n"));
  EXPECT_TRUE(has(errors, "bad.fx(6,41): error: sampler 's': no texture called '\"\\x01\\x1B[2J\\x07\"'\n"));
  // So is the name of the file a #line directive gives.
  EXPECT_TRUE(
      has(errors, "\n\\x1B[2J\\\\x41(70,1): error: the type 'bogus' of parameter 'x' is not supported"));
}

TEST(EffectSourceErrors, ALongTokenIsCutShortButOneOfFortyEightBytesIsShownWhole) {
  const std::string errors = errors_of(std::string(5000, 'Q') + " x;\n" + kTechnique);
  EXPECT_EQ(errors.find("bad.fx(1,1): error: the type '" + std::string(48, 'Q') + "...' of parameter 'x'"),
            0u)
      << errors;
  EXPECT_LT(errors.size(), 300u) << "the 5000-byte word is not repeated";

  const std::string states = errors_of(
      "float4 VS() : POSITION { return 0; }\nfloat4 PS() : COLOR0 { return 1; }\ntechnique T { pass {\n" +
      std::string(48, 'S') + " = 1;\n" + std::string(49, 'S') + " = 1;\n" +
      "VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n");
  EXPECT_TRUE(has(states, "bad.fx(4,1): error: unknown render state '" + std::string(48, 'S') + "' ("));
  EXPECT_TRUE(has(states, "bad.fx(5,1): error: unknown render state '" + std::string(48, 'S') + "...' ("));
}

// A large damaged file: the text describes the first faults only, counts the rest, and the
// file is still refused.
TEST(EffectSourceErrors, AMegabyteOfGarbageGivesTheFirstFaultsAndACountOfTheRest) {
  const std::string line = "\x01\xFE;\n";
  const int lines = (1 << 20) / static_cast<int>(line.size());
  const std::string errors = errors_of(repeated(line, lines));
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), d3dx9::kReportedFaults + 1);
  for (int n = 1; n <= d3dx9::kReportedFaults; ++n)
    EXPECT_TRUE(
        has(errors, "bad.fx(" + std::to_string(n) + ",1): error: expected a declaration, found '\\x01'\n"));
  // Every line is a fault, and the file has no technique.
  const int more = lines + 1 - d3dx9::kReportedFaults;
  const std::string last = "bad.fx: error: " + std::to_string(more) + " more faults not shown\n";
  ASSERT_GE(errors.size(), last.size());
  EXPECT_EQ(errors.substr(errors.size() - last.size()), last) << errors;
  EXPECT_LT(errors.size(), 2000u);
}

TEST(EffectSourceErrors, TheCountLineComesOnlyAfterMoreFaultsThanAreDescribed) {
  const std::string exactly = errors_of(repeated("bogus x;\n", d3dx9::kReportedFaults) + kTechnique);
  EXPECT_EQ(std::count(exactly.begin(), exactly.end(), '\n'), d3dx9::kReportedFaults) << exactly;
  EXPECT_EQ(exactly.find("more fault"), std::string::npos) << exactly;

  const std::string one_more = errors_of(repeated("bogus x;\n", d3dx9::kReportedFaults + 1) + kTechnique);
  EXPECT_EQ(std::count(one_more.begin(), one_more.end(), '\n'), d3dx9::kReportedFaults + 1) << one_more;
  EXPECT_TRUE(
      has(one_more, "bad.fx(20,1): error: the type 'bogus' of parameter 'x' is not supported (float, "));
  EXPECT_TRUE(has(one_more, ")\nbad.fx: error: 1 more fault not shown\n"));

  // Faults found at the end of the file (blocks never closed, a pass without its shaders)
  // are counted too.
  const std::string late = errors_of(repeated("bogus x;\n", d3dx9::kReportedFaults) + "technique T { pass {");
  EXPECT_TRUE(has(late, "bad.fx: error: 4 more faults not shown\n"));
}

TEST(EffectSourceNames, ARepeatedNameNamesTheFirst) {
  const std::string errors = errors_of(
      "float n;\n"                              // 1
      "int n;\n"                                // 2: n declared on line 1
      "texture a;\n"                            // 3
      "sampler2D b : register(s0);\n"           // 4
      "sampler2D c : register(s0);\n"           // 5: stage 0 is b's
      "float4 VS() : POSITION { return 0; }\n"  // 6
      "float4 PS() : COLOR0 { return 1; }\n"    // 7
      "technique T\n"                           // 8
      "{\n"                                     // 9
      "    pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); }\n"
      "    pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); }\n"
      "}\n"  // 12
      "technique T { pass { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n");
  EXPECT_TRUE(has(errors, "bad.fx(2,5): error: parameter 'n' is already declared on line 1\n"));
  EXPECT_TRUE(has(errors, "bad.fx(5,11): error: sampler 'c': stage 0 is already sampler 'b''s\n"));
  EXPECT_TRUE(has(errors, "bad.fx(11,5): error: pass 'P' is already defined in technique 'T'\n"));
  EXPECT_TRUE(has(errors, "bad.fx(13,1): error: technique 'T' is already defined on line 8\n"));
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 4) << errors;
}

TEST(EffectSourceNumbers, InitialValuesAndStateValuesAreReadAsHlslWritesThem) {
  EffectSource source;
  std::string errors;
  ASSERT_TRUE(d3dx9::parse_effect(
      "int ten = 10;\n"
      "int eight = 010;\n"  // octal, as in C
      "int minus = -0x10;\n"
      "float half = .5f;\n"
      "float2 pair = float2(1.5e3, -2);\n"
      "float4 splat = 0.25;\n"
      "float4x4 M = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};\n"
      "float4x4 zero;\n"
      "bool on = true, off;\n"
      "column_major half2x3 M23 = {1, 2, 3, 4, 5, 6};\n"
      "float3 lights[2] < string UIName = \"Lights\"; float UIMax = 2.5; > = { {1, 2, 3}, float3(4, 5, -6) };\n"
      "matrix<float, 2, 2> small = {1, 2, 3, 4};\n"
      "string title < int order = 1; > = \"Tint, \\\"warm\\\"\";\n" +
          std::string(kTechnique).replace(std::string(kTechnique).find("pass {") + 6, 0, " AlphaRef = 0200;"),
      "numbers.fx", &source, &errors))
      << errors;
  ASSERT_EQ(source.parameters.size(), 14u);
  EXPECT_EQ(source.parameters[0].initial[0], 10.0f);
  EXPECT_EQ(source.parameters[1].initial[0], 8.0f);
  EXPECT_EQ(source.parameters[2].initial[0], -16.0f);
  EXPECT_EQ(source.parameters[3].initial[0], 0.5f);
  EXPECT_EQ(source.parameters[4].initial[0], 1500.0f);
  EXPECT_EQ(source.parameters[4].initial[1], -2.0f);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(source.parameters[5].initial[i], 0.25f) << "one number for all four";
  EXPECT_EQ(source.parameters[6].initial[1], 2.0f) << "row by row";
  EXPECT_EQ(source.parameters[6].initial[4], 5.0f);
  EXPECT_EQ(source.parameters[7].initial[0], 0.0f);
  EXPECT_EQ(source.parameters[7].initial[5], 0.0f) << "no identity either";
  const d3dx9::EffectParameter& on = source.parameters[8];
  EXPECT_TRUE(on.type == d3dx9::ParameterType::kBool && on.initial == std::vector<float>{1});
  EXPECT_EQ(source.parameters[9].initial, std::vector<float>{0}) << "a bool without a value is false";
  const d3dx9::EffectParameter& m = source.parameters[10];
  EXPECT_TRUE(m.matrix && m.rows == 2 && m.columns == 3 && m.initial[4] == 5.0f);
  const d3dx9::EffectParameter& lights = source.parameters[11];
  EXPECT_EQ(lights.elements, 2);
  EXPECT_EQ(lights.initial, (std::vector<float>{1, 2, 3, 4, 5, -6})) << "element after element";
  ASSERT_EQ(lights.annotations.size(), 2u);
  EXPECT_EQ(lights.annotations[0].type + " " + lights.annotations[0].name + " " + lights.annotations[0].value,
            "string UIName Lights");
  EXPECT_EQ(lights.annotations[1].value, "2.5");
  EXPECT_TRUE(source.parameters[12].matrix && source.parameters[12].rows == 2 && source.parameters[12].initial[3] == 4);
  const d3dx9::EffectParameter& title = source.parameters[13];
  EXPECT_EQ(title.type, d3dx9::ParameterType::kString);
  EXPECT_EQ(title.text, "Tint, \\\"warm\\\"") << "kept as written";
  EXPECT_EQ(title.annotations.size(), 1u);
  EXPECT_EQ(source.hlsl.find("title"), std::string::npos) << "the compiler never sees strings";
  ASSERT_EQ(source.techniques[0].passes[0].states.size(), 1u);
  EXPECT_EQ(source.techniques[0].passes[0].states[0].state, D3DRS_ALPHAREF);
  EXPECT_EQ(source.techniques[0].passes[0].states[0].value, 128u) << "octal too";
}

TEST(EffectSourceNumbers, HalfWrittenOrOutOfRangeNumbersAreRefused) {
  for (const char* value : {"0x", "08x", "0x1G", "1e3", "256", "1.5", "TRUE", "09"}) {
    const std::string errors = errors_of(
        "float4 VS() : POSITION { return 0; }\nfloat4 PS() : COLOR0 { return 1; }\ntechnique T { pass {\n"
        "AlphaRef = " +
        std::string(value) +
        ";\nVertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n");
    EXPECT_TRUE(has(errors, "bad.fx(4,12): error: '" + std::string(value) + "' is not a value of AlphaRef"));
  }
  for (const char* declaration : {"int big = 2147483648;", "int low = -2147483649;", "float4 two = {1, 2};",
                                  "float x = 1 + 2;", "float y = z;"})
    EXPECT_TRUE(has(errors_of(declaration + std::string("\n") + kTechnique), "bad.fx(1,"));
}

}  // namespace

// The Direct3D 9 idioms, written wrongly: each fault names the construct.
TEST(EffectSourceErrors, ShaderVariablesCompileArgumentsAndArraysAreRefusedByName) {
  const std::string errors = errors_of(
      "float4 a[2][2];\n"                                         // 1: arrays of arrays
      "float4 b[2] = {1, 2, 3};\n"                                // 2: 8 numbers
      "float4 c[0]; float3x1 d;\n"                                // 3: no length; one column
      "float4 VS() : POSITION { return 0; }\n"                    // 4
      "float4 PS(uniform bool lit, uniform int n) : COLOR0 { return 1; }\n"
      "VertexShader vs = compile vs_2_0 VS();\n"                  // 6
      "PixelShader many[2];\n"                                    // 7: arrays of shaders
      "technique T {\n"                                           // 8
      "  pass A { VertexShader = (vs); PixelShader = compile ps_2_0 PS(true); }\n"
      "  pass B { VertexShader = <missing>; PixelShader = (vs); }\n"
      "  pass C { VertexShader = NULL; PixelShader = compile ps_2_0 PS(true, , 1); }\n"
      "  pass D { Sampler[0] = (s); MinFilter[8] = POINT; AddressU[1] = BORDER; }\n"
      "}\n");
  for (const char* fault : {
           "bad.fx(1,12): error: parameter 'a': arrays of arrays are not supported",
           "bad.fx(2,8): error: the initial value of 'b' is not 8 numbers",
           "bad.fx(3,10): error: the length of the array 'c' is not a number from 1 to 256",
           "bad.fx(3,14): error: parameter 'd': matrices of one column (float3x1) are not supported; a vector "
           "(float3) is",
           "bad.fx(7,17): error: shader variable 'many': arrays of shaders are not supported",
           "bad.fx(9,62): error: the compile expression gives 1 argument for the 2 uniform parameters of 'PS'",
           "bad.fx(10,28): error: 'VertexShader' takes 'compile <profile> <function>(...)' or a shader variable "
           "declared before, found 'missing'",
           "bad.fx(10,53): error: 'vs' is a vertex shader, not a pixel shader",
           "bad.fx(11,27): error: 'VertexShader' = NULL (the fixed-function pipeline) is not supported",
           "bad.fx(11,71): error: an argument of 'PS' is missing",
           "bad.fx(12,12): error: indexed state 'Sampler[0]' is not supported (Texture, MinFilter,",
           "bad.fx(12,40): error: 'MinFilter'[...]: expected a stage from 0 to 7",
           "bad.fx(12,66): error: 'BORDER' is not a value of AddressU (WRAP, MIRROR, CLAMP)",
       })
    EXPECT_TRUE(has(errors, fault));

  // The HLSL compiler crashes on an increment of what it folds to a constant.
  const std::string increments = errors_of(
      "static const float k = 1;\n"
      "float f(const float p) { float x = 0; x++; x.x--; return 0++ + (1)-- + k++ + p--; }\n" +
      std::string(kTechnique));
  for (const char* fault : {"(2,59): error: '++' after '0'", "(2,67): error: '--' after ')'",
                            "(2,73): error: '++' after 'k'", "(2,79): error: '--' after 'p'"})
    EXPECT_TRUE(has(increments, fault));
  EXPECT_EQ(std::count(increments.begin(), increments.end(), '\n'), 4) << increments;
}
