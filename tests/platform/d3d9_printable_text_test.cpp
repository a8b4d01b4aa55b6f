// How outside text (a file's bytes, a compiler's log) is made safe for an error message, and
// how a log is held to its length.
#include "d3d9/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string printable(const std::string& text, size_t limit, bool keep_tabs, bool* whole = nullptr) {
  std::string out = "<";
  const bool all = d3d9::append_printable(&out, text, limit, keep_tabs);
  if (whole) *whole = all;
  return out;
}

TEST(PrintableText, ControlAndNonAsciiBytesBecomeEscapesAndTabsStayOnlyWhereAllowed) {
  const std::string text("a\tb\nc\rd\0e\x1b\x7f\xc3\xa9 ~", 15);
  EXPECT_EQ(printable(text, 100, true), "<a\tb\\x0Ac\\x0Dd\\x00e\\x1B\\x7F\\xC3\\xA9 ~");
  EXPECT_EQ(printable(text, 100, false), "<a\\x09b\\x0Ac\\x0Dd\\x00e\\x1B\\x7F\\xC3\\xA9 ~");
}

TEST(PrintableText, ABackslashIsDoubledSoThatTheTextCannotForgeAnEscape) {
  EXPECT_EQ(printable("C:\\x41", 100, true), "<C:\\\\x41");
}

TEST(PrintableText, OnlyTheFirstLimitBytesAreShownAndTheCutIsReported) {
  bool whole = true;
  EXPECT_EQ(printable("\x01\x02\x03", 2, false, &whole), "<\\x01\\x02");
  EXPECT_FALSE(whole);
  EXPECT_EQ(printable("abc", 3, false, &whole), "<abc");
  EXPECT_TRUE(whole);
}

const size_t kNote = sizeof(d3d9::kLogCutNote) - 1;

TEST(LogLines, WholeLinesAreTakenUntilTheNextWouldLeaveNoRoomForTheNote) {
  const std::string line(9, 'x');  // ten bytes with its newline
  std::string log;
  const size_t limit = 30 + kNote;
  EXPECT_TRUE(d3d9::append_log_lines(&log, line + "\n" + line + "\n", limit));
  EXPECT_TRUE(d3d9::append_log_lines(&log, line + "\n", limit));
  EXPECT_EQ(log.size(), 30u) << "exactly full";
  EXPECT_FALSE(d3d9::append_log_lines(&log, "y\n", limit));
  EXPECT_EQ(log, line + "\n" + line + "\n" + line + "\n" + d3d9::kLogCutNote);
  EXPECT_LE(log.size(), limit);
}

TEST(LogLines, ACutLogTakesNothingMoreEvenALineThatWouldFit) {
  std::string log;
  EXPECT_FALSE(d3d9::append_log_lines(&log, std::string(50, 'x') + "\nshort\n", 40));
  EXPECT_EQ(log, d3d9::kLogCutNote) << "not even part of a line";
  EXPECT_FALSE(d3d9::append_log_lines(&log, "a\n", 40));
  EXPECT_EQ(log, d3d9::kLogCutNote);

  // Lines that bring their own note (a log cut before) end the log as well.
  std::string outer = "title\n";
  EXPECT_FALSE(d3d9::append_log_lines(&outer, std::string("first\n") + d3d9::kLogCutNote, 4096));
  EXPECT_FALSE(d3d9::append_log_lines(&outer, "later\n", 4096));
  EXPECT_EQ(outer, std::string("title\nfirst\n") + d3d9::kLogCutNote);
}

TEST(LogLines, ALineThatOnlyEndsLikeTheNoteDoesNotCutTheLog) {
  std::string log;
  EXPECT_TRUE(d3d9::append_log_lines(&log, "fx: pixel shader: #error ... (log cut)\n", 4096));
  EXPECT_TRUE(d3d9::append_log_lines(&log, "next\n", 4096));
  EXPECT_EQ(log, "fx: pixel shader: #error ... (log cut)\nnext\n");
}

}  // namespace
