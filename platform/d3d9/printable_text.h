// Text from outside the program (the bytes of a data file, a driver's compiler log) as an
// error message repeats it. Such messages reach the console and a message box, so a damaged
// or binary file must not put control characters, NULs, broken UTF-8 or megabytes into them.
// Header only: the effect-file reader is also built on its own, without the device.
#ifndef VORNEX_PLATFORM_D3D9_PRINTABLE_TEXT_H
#define VORNEX_PLATFORM_D3D9_PRINTABLE_TEXT_H

#include <cstddef>
#include <string>

namespace d3d9 {

// Appends at most `limit` bytes of `text` to `out`: printable ASCII as it is (a backslash
// doubled, so that an escape stays unambiguous), a tab as it is when `keep_tabs`, any other
// byte as \xNN. Returns false when `text` was cut short.
inline bool append_printable(std::string* out, const std::string& text, size_t limit, bool keep_tabs) {
  static const char kHex[] = "0123456789ABCDEF";
  const size_t shown = text.size() < limit ? text.size() : limit;
  for (size_t i = 0; i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      *out += "\\\\";
    } else if ((c >= 0x20 && c <= 0x7E) || (c == '\t' && keep_tabs)) {
      *out += static_cast<char>(c);
    } else {
      *out += "\\x";
      *out += kHex[c >> 4];
      *out += kHex[c & 0xF];
    }
  }
  return shown == text.size();
}

// `text` made printable line by line (append_printable, tabs kept), each line held to
// `line_limit` bytes and marked "..." where cut; every line ends in '\n'.
inline std::string printable_lines(const std::string& text, size_t line_limit) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (!append_printable(&out, text.substr(start, end - start), line_limit, true)) out += "...";
    out += '\n';
    start = end + 1;
  }
  return out;
}

// The line that ends a log cut short.
const char kLogCutNote[] = "... (log cut)\n";

// Whether the last line of `log` is kLogCutNote (every other line of a log names its source).
inline bool log_is_cut(const std::string& log) {
  const size_t note = sizeof(kLogCutNote) - 1;
  return log.size() >= note && log.compare(log.size() - note, note, kLogCutNote) == 0 &&
         (log.size() == note || log[log.size() - note - 1] == '\n');
}

// Appends the lines of `lines` (each ending in '\n') to `log` while the log, with room kept
// for kLogCutNote, stays within `limit` bytes. The first line that does not fit ends the log
// with the note instead. Returns false once the log is cut: nothing more belongs after the
// note, so a cut log takes no more lines, and `lines` ending in the note cut it as well.
inline bool append_log_lines(std::string* log, const std::string& lines, size_t limit) {
  if (log_is_cut(*log)) return false;
  const size_t room = limit - (sizeof(kLogCutNote) - 1);
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    end = end == std::string::npos ? lines.size() : end + 1;
    if (log->size() + (end - start) > room) {
      *log += kLogCutNote;
      return false;
    }
    log->append(lines, start, end - start);
    start = end;
  }
  return !log_is_cut(*log);
}

}  // namespace d3d9

#endif  // VORNEX_PLATFORM_D3D9_PRINTABLE_TEXT_H
