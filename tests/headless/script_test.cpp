// The headless driver's script reader: times, actions, repeat blocks, and the lines it
// must refuse (with the line named) rather than run something else.
#include <gtest/gtest.h>

#include "script.h"

namespace {

std::vector<ScriptStep> parse_ok(const std::string& text) {
  std::vector<ScriptStep> steps;
  std::string error;
  EXPECT_TRUE(parse_script(text, &steps, &error)) << error;
  return steps;
}

std::string parse_error(const std::string& text) {
  std::vector<ScriptStep> steps{ScriptStep{}};
  std::string error;
  EXPECT_FALSE(parse_script(text, &steps, &error)) << "accepted: " << text;
  EXPECT_EQ(steps.size(), 1u) << "a refused script leaves the steps as they were";
  return error;
}

TEST(Script, AbsoluteAndRelativeTimesAddUp) {
  auto steps = parse_ok(
      "# the title menu\n"
      "at 1000 mouse 30 40\n"
      "\n"
      "after 300 button down   # onto Play\n"
      "after 150 button up\n"
      "at 2000 key down w\n");
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].atMs, 1000u);
  EXPECT_EQ(steps[1].atMs, 1300u);
  EXPECT_EQ(steps[2].atMs, 1450u);
  EXPECT_EQ(steps[3].atMs, 2000u);
  EXPECT_EQ(steps[0].kind, StepKind::kMouse);
  EXPECT_EQ(steps[0].dx, 30);
  EXPECT_EQ(steps[0].dy, 40);
  EXPECT_EQ(steps[1].kind, StepKind::kButtonDown);
  EXPECT_EQ(steps[2].kind, StepKind::kButtonUp);
  EXPECT_EQ(steps[3].kind, StepKind::kKeyDown);
  EXPECT_EQ(steps[3].key, SDLK_w);
  EXPECT_EQ(steps[1].line, 4) << "steps remember their line for messages";
}

TEST(Script, EveryActionReadsItsArguments) {
  auto steps = parse_ok(
      "at 0 key up Escape\n"
      "at 0 mouse -5 0\n"
      "at 0 close\n"
      "at 0 shot title_2.png\n"
      "at 0 expect state -1\n"
      "at 0 expect kills >= 3\n"
      "at 0 expect kills != 0\n"
      "at 0 expect quit\n"
      "at 0 memory\n"
      "at 0 pad right -100 35\n"
      "at 0 pad trigger 60\n"
      "at 0 pad release Back\n"
      "at 0 expect heading < 90\n");
  ASSERT_EQ(steps.size(), 13u);
  EXPECT_EQ(steps[0].kind, StepKind::kKeyUp);
  EXPECT_EQ(steps[0].key, SDLK_ESCAPE);
  EXPECT_EQ(steps[1].dx, -5);
  EXPECT_EQ(steps[2].kind, StepKind::kClose);
  EXPECT_EQ(steps[3].file, "title_2.png");
  EXPECT_EQ(steps[4].kind, StepKind::kExpectState);
  EXPECT_EQ(steps[4].value, -1);
  EXPECT_EQ(steps[5].compare, Compare::kGreaterEqual);
  EXPECT_EQ(steps[5].value, 3);
  EXPECT_EQ(steps[6].compare, Compare::kNotEqual);
  EXPECT_EQ(steps[7].kind, StepKind::kExpectQuit);
  EXPECT_EQ(steps[8].kind, StepKind::kMemory);
  EXPECT_EQ(steps[9].kind, StepKind::kPadRightStick);
  EXPECT_EQ(steps[9].dx, -100);
  EXPECT_EQ(steps[9].dy, 35);
  EXPECT_EQ(steps[10].value, 60);
  EXPECT_EQ(steps[11].kind, StepKind::kPadRelease);
  EXPECT_EQ(steps[11].button, SDL_CONTROLLER_BUTTON_BACK);
  EXPECT_EQ(steps[12].kind, StepKind::kExpectHeading);
  EXPECT_EQ(steps[12].value, 90);
}

TEST(Script, RepeatBlocksAreWrittenOutInOrder) {
  auto steps = parse_ok(
      "at 100 button down\n"
      "repeat 3\n"
      "  after 40 mouse 20 0\n"
      "  after 10 key down d\n"
      "end\n"
      "after 5 button up\n");
  ASSERT_EQ(steps.size(), 8u);
  const uint32_t times[] = {100, 140, 150, 190, 200, 240, 250, 255};
  for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i].atMs, times[i]) << "step " << i;
  EXPECT_EQ(steps[3].kind, StepKind::kMouse);
  EXPECT_EQ(steps[3].line, 3) << "a repeated step keeps its own line";
}

TEST(Script, KeyNamesCoverLettersDigitsFunctionAndNamedKeys) {
  EXPECT_EQ(key_from_name("A"), SDLK_a);
  EXPECT_EQ(key_from_name("7"), SDLK_7);
  EXPECT_EQ(key_from_name("f12"), SDLK_F12);
  EXPECT_EQ(key_from_name("Return"), SDLK_RETURN);
  EXPECT_EQ(key_from_name("f13"), SDLK_UNKNOWN);
  EXPECT_EQ(key_from_name("shift"), SDLK_UNKNOWN);
  EXPECT_EQ(key_from_name(""), SDLK_UNKNOWN);
}

TEST(Script, ComparisonsHoldAsWritten) {
  EXPECT_TRUE(compare_holds(Compare::kGreaterEqual, 3, 3));
  EXPECT_FALSE(compare_holds(Compare::kGreater, 3, 3));
  EXPECT_TRUE(compare_holds(Compare::kLess, 2, 3));
  EXPECT_FALSE(compare_holds(Compare::kEqual, 2, 3));
  EXPECT_TRUE(compare_holds(Compare::kNotEqual, 2, 3));
  EXPECT_TRUE(compare_holds(Compare::kLessEqual, 3, 3));
}

TEST(Script, BadLinesAreRefusedWithTheirLineNumber) {
  EXPECT_EQ(parse_error("at 10 close\nwhen 5 close\n").rfind("line 2:", 0), 0u);
  EXPECT_NE(parse_error("at 10 jump\n").find("unknown action"), std::string::npos);
  EXPECT_NE(parse_error("at 10 key down Shift\n").find("unknown key"), std::string::npos);
  parse_error("at -5 close\n");
  parse_error("at 5x close\n");
  parse_error("at 10\n");
  parse_error("at 10 key press a\n");
  parse_error("at 10 mouse 1\n");
  parse_error("at 10 mouse 1 99999\n");
  parse_error("at 10 button\n");
  parse_error("at 10 expect state\n");
  parse_error("at 10 expect kills 3\n");
  parse_error("at 10 expect kills => 3\n");
  parse_error("at 10 close now\n");
  parse_error("at 10 memory now\n");
  EXPECT_NE(parse_error("at 10 pad press Turbo\n").find("unknown controller button"), std::string::npos);
  parse_error("at 10 pad left 101 0\n");
  parse_error("at 10 pad trigger -1\n");
  parse_error("at 10 pad shake\n");
}

TEST(Script, TimeNeverRunsBackwards) {
  const std::string error = parse_error("at 500 close\nat 400 close\n");
  EXPECT_NE(error.find("before the previous"), std::string::npos) << error;
  parse_ok("at 500 close\nat 500 close\nafter 0 close\n");
}

TEST(Script, ShotNamesStayInsideTheShotDirectory) {
  parse_error("at 0 shot ../escape.png\n");
  parse_error("at 0 shot /tmp/escape.png\n");
  parse_error("at 0 shot sub/dir.png\n");
  parse_error("at 0 shot .hidden.png\n");
  parse_error("at 0 shot\n");
  parse_ok("at 0 shot play-01_b.png\n");
}

TEST(Script, RepeatBlocksMustBeWellFormed) {
  parse_error("repeat 2\n  after 10 close\n");                   // no end
  parse_error("end\n");                                          // no repeat
  parse_error("repeat 0\n  after 10 close\nend\n");              // nothing to repeat
  parse_error("repeat 2\n  at 10 close\nend\n");                 // absolute time inside
  parse_error("repeat 2\nrepeat 2\nafter 1 close\nend\nend\n");  // nested
  parse_error("repeat 10000\nrepeat\n");
  // 10000 x 200 lines would be two million steps: refused, not built.
  std::string big = "repeat 10000\n";
  for (int i = 0; i < 200; ++i) big += "after 1 close\n";
  big += "end\n";
  EXPECT_NE(parse_error(big).find("past"), std::string::npos);
}

TEST(Script, CrlfLineEndsStayOutOfMessages) {
  auto steps = parse_ok("at 10 shot a.png\r\nrepeat 2\r\n  after 5 close\r\nend\r\n");
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].file, "a.png");
  EXPECT_EQ(steps[0].text, "at 10 shot a.png") << "the line as written, without its carriage return";
  EXPECT_EQ(steps[2].atMs, 20u);
}

TEST(Script, MissingFileIsNamed) {
  std::vector<ScriptStep> steps;
  std::string error;
  EXPECT_FALSE(load_script("/nonexistent/script.vxs", &steps, &error));
  EXPECT_NE(error.find("/nonexistent/script.vxs"), std::string::npos);
}

}  // namespace
