// The effect-file reader on its own (no device): what a damaged file's error text may
// contain, and how the numbers of parameters and states are read.
#include "d3dx9/effect_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using d3dx9::EffectSource;

// A technique with one complete pass, appended to the lines under test.
const char* const kTechnique =
    "technique T\n"
    "  pass\n"
    "    vertex\n"
    "      void main() { gl_Position = vec4(0.0); }\n"
    "    end\n"
    "    pixel\n"
    "      void main() { frag_color = vec4(1.0); }\n"
    "    end\n";

std::string errors_of(const std::string& text) {
  EffectSource source;
  std::string errors;
  EXPECT_FALSE(d3dx9::parse_effect(text, "bad.fx", &source, &errors)) << "accepted:\n" << text;
  return errors;
}

bool is_printable_lines(const std::string& text) {
  for (char c : text)
    if (c != '\n' && (c < 0x20 || c > 0x7E)) return false;
  return true;
}

TEST(EffectSourceErrors, BinaryBytesAreQuotedAsEscapesNeverCopied) {
  const std::string garbage = "\x89PNG\r\n\x1a\n\x01\x1b[2J\x07 technique\n" +
                              std::string("parameter float a\0b\n", 20) + "\xff\xfe\n";
  const std::string errors = errors_of(garbage + kTechnique);
  EXPECT_TRUE(is_printable_lines(errors)) << errors;
  EXPECT_NE(errors.find("bad.fx(1): error: unknown keyword '\\x89PNG'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("bad.fx(2): error: unknown keyword '\\x1A'\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("bad.fx(3): error: unknown keyword '\\x01\\x1B[2J\\x07'\n"), std::string::npos)
      << errors;
  // A NUL would end the message early in the C string the caller gets.
  EXPECT_NE(errors.find("bad.fx(4): error: 'a\\x00b' cannot name a parameter\n"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("bad.fx(5): error: unknown keyword '\\xFF\\xFE'\n"), std::string::npos) << errors;
}

TEST(EffectSourceErrors, ABackslashInTheFileIsDoubledSoEscapesStayUnambiguous) {
  const std::string errors = errors_of(std::string("state\\x41 = 1\n") + kTechnique);
  EXPECT_NE(errors.find("unknown keyword 'state\\\\x41'"), std::string::npos) << errors;
}

TEST(EffectSourceErrors, ALongTokenIsCutShortButOneOfFortyEightBytesIsShownWhole) {
  const std::string errors =
      errors_of("parameter color tint = " + std::string(5000, 'Q') + "\n" + kTechnique);
  EXPECT_NE(errors.find("bad.fx(1): error: '" + std::string(48, 'Q') + "...' is not a colour"),
            std::string::npos)
      << errors;
  EXPECT_LT(errors.size(), 200u) << "the 5000-byte word is not repeated";

  const std::string states =
      errors_of("technique T\n  pass\n    state " + std::string(48, 'S') + " = 1\n    state " +
                std::string(49, 'S') + " = 1\n    vertex\n    end\n    pixel\n    end\n");
  EXPECT_NE(states.find("bad.fx(3): error: unknown render state '" + std::string(48, 'S') + "' ("),
            std::string::npos)
      << states;
  EXPECT_NE(states.find("bad.fx(4): error: unknown render state '" + std::string(48, 'S') + "...' ("),
            std::string::npos)
      << states;
}

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

// A large damaged file: the text describes the first faults only, counts the rest, and the
// file is still refused.
TEST(EffectSourceErrors, AMegabyteOfGarbageGivesTheFirstFaultsAndACountOfTheRest) {
  const std::string line = "\x01\xFE garbage\n";
  const int lines = (1 << 20) / static_cast<int>(line.size());
  const std::string errors = errors_of(repeated(line, lines));
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), d3dx9::kReportedFaults + 1);
  for (int n = 1; n <= d3dx9::kReportedFaults; ++n)
    EXPECT_NE(errors.find("bad.fx(" + std::to_string(n) + "): error: unknown keyword '\\x01\\xFE'\n"),
              std::string::npos)
        << errors;
  // Every line is an unknown keyword, and the file has no technique.
  const int more = lines + 1 - d3dx9::kReportedFaults;
  const std::string last = "bad.fx: error: " + std::to_string(more) + " more faults not shown\n";
  ASSERT_GE(errors.size(), last.size());
  EXPECT_EQ(errors.substr(errors.size() - last.size()), last) << errors;
  EXPECT_LT(errors.size(), 2000u);
}

TEST(EffectSourceErrors, TheCountLineComesOnlyAfterMoreFaultsThanAreDescribed) {
  const std::string exactly = errors_of(repeated("bogus\n", d3dx9::kReportedFaults) + kTechnique);
  EXPECT_EQ(std::count(exactly.begin(), exactly.end(), '\n'), d3dx9::kReportedFaults) << exactly;
  EXPECT_EQ(exactly.find("more fault"), std::string::npos) << exactly;

  const std::string one_more = errors_of(repeated("bogus\n", d3dx9::kReportedFaults + 1) + kTechnique);
  EXPECT_EQ(std::count(one_more.begin(), one_more.end(), '\n'), d3dx9::kReportedFaults + 1) << one_more;
  EXPECT_NE(
      one_more.find("bad.fx(20): error: unknown keyword 'bogus'\nbad.fx: error: 1 more fault not shown\n"),
      std::string::npos)
      << one_more;

  // Faults found at the end of the file (a block never closed, a pass without its pixel
  // shader) are counted too.
  const std::string late =
      errors_of(repeated("bogus\n", d3dx9::kReportedFaults) + "technique T\n  pass\n    vertex\n");
  EXPECT_NE(late.find("bad.fx: error: 2 more faults not shown\n"), std::string::npos) << late;
}

TEST(EffectSourceErrors, EveryFaultOfAWellFormedFileStillNamesItsLineAndToken) {
  const std::string errors = errors_of(
      "parameter vector3 Where\n"
      "parameter texture image stage 0 filter blurry\n"
      "technique T\n"
      "  pass P\n"
      "    state SrcBlend = Sometimes\n"
      "    vertex\n    end\n    pixel\n    end\n");
  EXPECT_NE(errors.find("bad.fx(1): error: unknown parameter type 'vector3'"), std::string::npos) << errors;
  EXPECT_NE(errors.find("bad.fx(2): error: unknown filter 'blurry' (point, linear)"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("bad.fx(5): error: 'Sometimes' is not a value of SrcBlend"), std::string::npos)
      << errors;
}

// Repeated names are looked up, not searched for: the lines reported and the names a
// rejected declaration leaves free must stay as the format has them.
TEST(EffectSourceNames, RepeatsNameTheLineOfTheFirstAndRejectedDeclarationsTakeNothing) {
  const std::string errors = errors_of(
      "parameter texture a stage 0 filter blurry\n"  // 1: rejected, stage 0 stays free
      "parameter texture b stage 0\n"                // 2
      "parameter texture c stage 0\n"                // 3: stage taken by b
      "parameter int n = x\n"                        // 4: rejected, n stays free
      "parameter float n\n"                          // 5
      "parameter color n\n"                          // 6: n declared on line 5
      "technique T\n"                                // 7
      "  pass P\n    vertex\n    end\n    pixel\n    end\n"
      "  pass P\n"  // 13: P defined on line 8
      "technique U\n"
      "  pass P\n    vertex\n    end\n    pixel\n    end\n"  // 15: another technique's P is fine
      "technique T\n");                                      // 20: T defined on line 7
  EXPECT_NE(errors.find("bad.fx(3): error: stage 0 already takes texture 'b'\n"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("bad.fx(6): error: parameter 'n' is already declared on line 5\n"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("bad.fx(13): error: pass 'P' is already defined on line 8\n"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("bad.fx(20): error: technique 'T' is already defined on line 7\n"), std::string::npos)
      << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 6) << errors;  // and lines 1 and 4
}

TEST(EffectSourceNumbers, ALeadingZeroIsStillDecimalAnd0xIsHexadecimal) {
  EffectSource source;
  std::string errors;
  ASSERT_TRUE(
      d3dx9::parse_effect("parameter int ten = 010\n"
                          "parameter int nine = 09\n"
                          "parameter int minus = -0x10\n"
                          "parameter color tint = 0x00FF00FF\n"
                          "technique T\n  pass\n    state AlphaRef = 0200\n"
                          "    vertex\n    end\n    pixel\n    end\n",
                          "numbers.fx", &source, &errors))
      << errors;
  ASSERT_EQ(source.parameters.size(), 4u);
  EXPECT_EQ(source.parameters[0].initialInt, 10);
  EXPECT_EQ(source.parameters[1].initialInt, 9);
  EXPECT_EQ(source.parameters[2].initialInt, -16);
  EXPECT_EQ(source.parameters[3].initialColor, 0x00FF00FFu);
  ASSERT_EQ(source.techniques[0].passes[0].states.size(), 1u);
  EXPECT_EQ(source.techniques[0].passes[0].states[0].state, D3DRS_ALPHAREF);
  EXPECT_EQ(source.techniques[0].passes[0].states[0].value, 200u);
}

TEST(EffectSourceNumbers, HalfWrittenOrOutOfRangeNumbersAreRefused) {
  for (const char* value : {"0x", "08x", "0x1G", "1e3", "0256", "-1", "+0x", "0x100"}) {
    const std::string errors = errors_of("technique T\n  pass\n    state AlphaRef = " + std::string(value) +
                                         "\n    vertex\n    end\n"
                                         "    pixel\n    end\n");
    EXPECT_NE(errors.find("bad.fx(3): error: '" + std::string(value) + "' is not a value of AlphaRef"),
              std::string::npos)
        << errors;
  }
  EXPECT_NE(errors_of("parameter int big = 2147483648\n" + std::string(kTechnique)).find("is not an int"),
            std::string::npos);
  EXPECT_NE(
      errors_of("parameter color wide = 0x100000000\n" + std::string(kTechnique)).find("is not a colour"),
      std::string::npos);
}

}  // namespace
