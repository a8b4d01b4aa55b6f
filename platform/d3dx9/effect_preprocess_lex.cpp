// The effect preprocessor's lexer: line splices removed, comments turned into white space,
// the text cut into preprocessing tokens, each with the line and column it started on.
#include <cstring>

#include "effect_preprocess_internal.h"

namespace d3dx9 {
namespace pp {
namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word(char c) { return is_letter(c) || is_digit(c); }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Longest first: the lexer takes the longest that matches.
const char* const kPunctuators[] = {
    "<<=", ">>=", "...", "##", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||",
    "++",  "--",  "+=",  "-=", "*=", "/=", "%=", "&=", "|=", "^=", "->", "::"};

// The end of a quoted token that starts at s[i] (its quote), escapes skipped; without its
// closing quote it ends with the line.
size_t quoted_end(const std::string& s, size_t i) {
  const char quote = s[i++];
  while (i < s.size() && s[i] != '\n') {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] != '\n') {
      i += 2;
    } else if (s[i++] == quote) {
      return i;
    }
  }
  return i;
}

// The length and kind of the token at s[i] (not white space, not a comment). `header`: a
// header name may start here (after #include).
size_t token_at(const std::string& s, size_t i, bool header, Kind* kind) {
  const char c = s[i];
  if (header && (c == '"' || c == '<')) {
    const size_t end = s.find_first_of(c == '"' ? "\"\n" : ">\n", i + 1);
    if (end != std::string::npos && s[end] != '\n') {
      *kind = Kind::kHeaderName;
      return end + 1 - i;
    }
  }
  if (is_letter(c)) {
    size_t j = i + 1;
    while (j < s.size() && is_word(s[j])) ++j;
    *kind = Kind::kIdentifier;
    return j - i;
  }
  if (is_digit(c) || (c == '.' && i + 1 < s.size() && is_digit(s[i + 1]))) {
    size_t j = i + 1;
    while (j < s.size()) {
      const char d = s[j];
      if ((d == 'e' || d == 'E' || d == 'p' || d == 'P') && j + 1 < s.size() &&
          (s[j + 1] == '+' || s[j + 1] == '-'))
        j += 2;
      else if (is_word(d) || d == '.')
        ++j;
      else
        break;
    }
    *kind = Kind::kNumber;
    return j - i;
  }
  if (c == '"' || c == '\'') {
    *kind = c == '"' ? Kind::kString : Kind::kCharacter;
    return quoted_end(s, i) - i;
  }
  for (const char* p : kPunctuators) {
    const size_t n = std::strlen(p);
    if (s.compare(i, n, p) == 0) {
      *kind = Kind::kPunctuator;
      return n;
    }
  }
  *kind = std::strchr("+-*/%<>=!&|^~?:;,.()[]{}#", c) && c != '\0' ? Kind::kPunctuator : Kind::kOther;
  return 1;
}

}  // namespace

Texts::Texts() {
  hash = intern("#");
  paste = intern("##");
  open = intern("(");
  close = intern(")");
  comma = intern(",");
  ellipsis = intern("...");
  defined = intern("defined");
  va_args = intern("__VA_ARGS__");
  file = intern("__FILE__");
  line = intern("__LINE__");
  one = intern("1");
  zero = intern("0");
}

uint32_t Texts::intern(const char* text, size_t size) {
  auto found = ids_.emplace(std::string(text, size), static_cast<uint32_t>(spellings_.size()));
  if (found.second) spellings_.push_back(&found.first->first);
  return found.first->second;
}

bool single_token(const std::string& text, Kind* kind) {
  if (text.empty() || is_blank(text[0]) || text[0] == '\n' || text.compare(0, 2, "//") == 0 ||
      text.compare(0, 2, "/*") == 0)
    return false;
  return token_at(text, 0, false, kind) == text.size() && text.find('\n') == std::string::npos;
}

bool split_source(const std::string& text, Texts* texts, SourceFile* out, Failure* failure) {
  // Line splices out; starts[k] is where line k + 1 of the file begins in what is left.
  std::string clean;
  clean.reserve(text.size());
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      size_t j = i + 1;
      if (j + 1 < text.size() && text[j] == '\r' && text[j + 1] == '\n') ++j;
      if (j < text.size() && text[j] == '\n') {
        i = j;
        starts.push_back(clean.size());
        continue;
      }
    }
    clean += text[i];
    if (text[i] == '\n') starts.push_back(clean.size());
  }
  out->line_count = static_cast<uint32_t>(text.empty()          ? 0
                                          : text.back() == '\n' ? starts.size() - 1
                                                                : starts.size());

  size_t k = 0;  // line_of's place: positions are asked for in order
  auto line_of = [&](size_t at) {
    while (k + 1 < starts.size() && starts[k + 1] <= at) ++k;
    return static_cast<uint32_t>(k + 1);
  };
  bool line_start = true, line_open = false, space = false;
  int directive = 0;  // 1 after a line's '#', 2 after "# include": a header name may follow
  size_t i = 0;
  while (i < clean.size()) {
    const char c = clean[i];
    if (c == '\n') {
      if (line_open) out->lines.back().end_line = line_of(i);
      line_open = false;
      line_start = true;
      space = false;
      directive = 0;
      ++i;
    } else if (is_blank(c)) {
      space = true;
      ++i;
    } else if (c == '/' && i + 1 < clean.size() && clean[i + 1] == '/') {
      while (i < clean.size() && clean[i] != '\n') ++i;
      space = true;
    } else if (c == '/' && i + 1 < clean.size() && clean[i + 1] == '*') {
      const size_t end = clean.find("*/", i + 2);
      if (end == std::string::npos) {
        *failure = {"a comment begins here and has no end", line_of(i)};
        return false;
      }
      i = end + 2;
      space = true;
    } else {
      Token t;
      const size_t size = token_at(clean, i, directive == 2, &t.kind);
      t.text = texts->intern(clean.data() + i, size);
      t.line = line_of(i);
      t.column = static_cast<uint32_t>(i - starts[k] + 1);
      t.flags = space ? kSpaceBefore : 0;
      if (line_start) {
        out->lines.push_back({out->tokens.size(), 0, t.line});
        line_open = true;
        line_start = false;
        directive = t.text == texts->hash ? 1 : 0;
      } else {
        directive = directive == 1 && (*texts)[t.text] == "include" ? 2 : 0;
      }
      out->tokens.push_back(t);
      ++out->lines.back().count;
      space = false;
      i += size;
    }
  }
  if (line_open) out->lines.back().end_line = line_of(clean.size() - 1);
  return true;
}

}  // namespace pp
}  // namespace d3dx9
