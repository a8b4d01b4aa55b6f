#include "effect_tokens.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "../d3d9/printable_text.h"

namespace d3dx9 {
namespace fx {
namespace {

// Longest piece of a file's text an error message repeats.
const size_t kQuotedBytes = 48;

// Longest file name a #line directive gives that an error message repeats (MAX_PATH).
const size_t kFileNameBytes = 260;

}  // namespace

std::string quoted(const std::string& text) {
  std::string out = "'";
  if (!d3d9::append_printable(&out, text, kQuotedBytes, false)) out += "...";
  return out + "'";
}

namespace {

bool word_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::vector<Token> tokenize(const std::string& text, const std::string& file_name) {
  std::vector<Token> tokens;
  std::string file = file_name;
  int line = 1;
  size_t line_start = 0;
  size_t i = 0;
  bool line_begins = true;  // only blanks so far on this line
  auto new_line = [&](size_t at) {
    ++line;
    line_start = at + 1;
    line_begins = true;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      new_line(i);
      ++i;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      i += 2;
      while (i < text.size() && !(text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/')) {
        if (text[i] == '\n') new_line(i);
        ++i;
      }
      i = i + 2 < text.size() ? i + 2 : text.size();
      line_begins = false;
      continue;
    }
    if (c == '#' && line_begins) {
      // A directive the preprocessor left: "#line N ["file"]" moves the line count.
      size_t end = text.find('\n', i);
      if (end == std::string::npos) end = text.size();
      const std::string directive = text.substr(i + 1, end - i - 1);
      size_t p = directive.find_first_not_of(" \t");
      if (p != std::string::npos && directive.compare(p, 4, "line") == 0) {
        char* after = nullptr;
        long n = std::strtol(directive.c_str() + p + 4, &after, 10);
        if (after != directive.c_str() + p + 4 && n > 0 && n < 100000000) {
          const std::string rest = after;
          size_t q1 = rest.find('"'), q2 = rest.rfind('"');
          if (q1 != std::string::npos && q2 > q1) {
            // The name is the file's text, and error messages repeat it.
            file.clear();
            if (!d3d9::append_printable(&file, rest.substr(q1 + 1, q2 - q1 - 1), kFileNameBytes, false))
              file += "...";
          }
          i = end;
          if (i < text.size()) {
            line = static_cast<int>(n) - 1;
            new_line(i);
            ++i;
          }
          continue;
        }
      }
      i = end;
      continue;
    }
    line_begins = false;
    Token t;
    t.begin = i;
    t.line = line;
    t.column = static_cast<int>(i - line_start) + 1;
    t.file = file;
    if (word_start(c)) {
      t.kind = Kind::kWord;
      while (i < text.size() && word_char(text[i])) ++i;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      t.kind = Kind::kNumber;
      while (i < text.size() && (word_char(text[i]) || text[i] == '.' ||
                                 ((text[i] == '+' || text[i] == '-') && (text[i - 1] == 'e' || text[i - 1] == 'E'))))
        ++i;
    } else if (c == '"') {
      t.kind = Kind::kString;
      ++i;
      while (i < text.size() && text[i] != '"' && text[i] != '\n')
        i += text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n' ? 2 : 1;  // \" is no end
      if (i < text.size() && text[i] == '"') ++i;
    } else {
      t.kind = Kind::kMark;
      ++i;
    }
    t.end = i;
    t.text = text.substr(t.begin, t.end - t.begin);
    tokens.push_back(t);
  }
  Token end;
  end.kind = Kind::kEnd;
  end.begin = end.end = text.size();
  end.line = line;
  end.column = static_cast<int>(text.size() - line_start) + 1;
  end.file = file;
  tokens.push_back(end);
  return tokens;
}

bool number_value(const std::string& s, double* out) {
  std::string digits = s;
  const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
  const bool octal =
      !hex && s.size() > 1 && s[0] == '0' && s.find_first_not_of("0123456789lLuU") == std::string::npos;
  if (!hex)
    while (!digits.empty() && std::strchr("fFhHlLuU", digits.back())) digits.pop_back();
  if (digits.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double value = hex || octal ? static_cast<double>(std::strtoll(digits.c_str(), &end, hex ? 16 : 8))
                              : std::strtod(digits.c_str(), &end);
  if (*end != '\0' || errno == ERANGE) return false;
  *out = value;
  return true;
}

}  // namespace fx
}  // namespace d3dx9
