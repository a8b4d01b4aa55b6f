// The effect preprocessor's directives, its #include of files beside the effect and the
// text it gives, line for line (effect_preprocess.h). The lexer, the #if expressions and
// the macros are in effect_preprocess_lex.cpp, _expression.cpp and _macros.cpp.
#include "effect_preprocess.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "../d3d9/printable_text.h"
#include "../win32/win32_internal.h"
#include "effect_preprocess_internal.h"

namespace d3dx9 {
namespace {

using pp::Failure;
using pp::Kind;
using pp::Place;
using pp::Token;

// A file including itself stops here.
const int kMaxIncludeDepth = 16;

// Longest line of a message kept. Messages quote the file's bytes (a macro's name, an
// #include's, an #error's text): each line is made printable (printable_text.h) and held
// to this length.
const size_t kMessageLineBytes = 400;

// Characters that may run together into one token: tokens made by macros that end and
// begin with them are kept apart by a blank.
bool glue(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         (c != '\0' && std::strchr("+-*/%<>=!&|^.#:", c));
}

// A file name as a #line directive of the output gives it: on one line, within its quotes.
std::string line_name(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (c == '\n' || c == '\r' || c == '"') c = '?';
  return out;
}

struct Conditional {
  bool outer_live;  // the group around it is kept
  bool taken;       // one of its branches has been kept
  bool live;        // the branch being read is kept
  bool seen_else;
  uint32_t line;
};

class Preprocessor {
 public:
  Preprocessor(const std::string& file_name, size_t room) : bytes_left_(room) {
    const size_t slash = file_name.find_last_of("/\\");
    folder_ = slash == std::string::npos ? "" : file_name.substr(0, slash + 1);
    macros_[texts_.line].type = pp::Macro::Type::kLine;
    macros_[texts_.file].type = pp::Macro::Type::kFile;
  }

  // Preprocesses one file's `text` (`name`, included `depth` deep) onto the output.
  bool run_file(const std::string& text, const std::string& name, int depth) {
    Place place{name, 0};
    pp::SourceFile source;
    Failure failure;
    if (!pp::split_source(text, &texts_, &source, &failure)) return report(place, failure.line, failure.what);
    std::vector<Conditional> conditionals;
    std::vector<Token> run;  // lines of text waiting for their macros to be replaced
    for (const pp::SourceLine& line : source.lines) {
      const Token* tokens = &source.tokens[line.first];
      const bool live = conditionals.empty() || conditionals.back().live;
      if (tokens[0].kind != Kind::kPunctuator || tokens[0].text != texts_.hash) {
        if (live) run.insert(run.end(), tokens, tokens + line.count);
        continue;
      }
      if (live && !flush(&run, place)) return false;
      if (!directive(source, line, name, depth, &place, &conditionals)) return false;
    }
    if (!flush(&run, place)) return false;
    if (!conditionals.empty()) return report(place, conditionals.back().line, "#if without #endif");
    // Every line of the file is a line of the output, the last one ended.
    if (line_ > source.line_count) return true;
    if (!to_line(source.line_count, &failure)) return report(place, failure.line, failure.what);
    if (!put_text("\n", &failure)) return report(place, failure.line, failure.what);
    ++line_;
    column_ = 1;
    return true;
  }

  const std::string& output() const { return out_; }
  const std::string& errors() const { return errors_; }

 private:
  bool report(const Place& place, uint32_t line, const std::string& what) {
    errors_ = place.file + "(" + std::to_string(static_cast<int64_t>(line) + place.line_offset) +
              "): error: " + what + "\n";
    return false;
  }

  // ---- output: line n of the file being read gives line n of what it adds to the output ----

  bool put_text(const std::string& text, Failure* failure) {
    if (out_.size() + text.size() > kMaxCompiledText) {
      *failure = {"the preprocessed text passes the limit of " + std::to_string(kMaxCompiledText) + " bytes",
                  line_};
      return false;
    }
    out_ += text;
    column_ += static_cast<uint32_t>(text.size());
    return true;
  }

  bool to_line(uint32_t line, Failure* failure) {
    if (line <= line_) return true;
    if (!put_text(std::string(line - line_, '\n'), failure)) return false;
    line_ = line;
    column_ = 1;
    return true;
  }

  // A token on its line: a token of the file at its column when the line is not past it,
  // else (and a token a macro made) after a blank where it had one or where it would run
  // into the token before.
  bool put_token(const Token& t, bool in_directive, Failure* failure) {
    if (!to_line(t.line, failure)) return false;
    const std::string& s = texts_[t.text];
    const bool first = column_ == 1;
    if (first && !in_directive && t.kind == Kind::kPunctuator && t.text == texts_.hash) {
      *failure = {"a '#' that is no directive would begin a line of the preprocessed text", t.line};
      return false;
    }
    size_t blanks = 0;
    if (t.column > column_ || (t.column == column_ && !last_made_))
      blanks = t.column - column_;
    else if (!first && ((t.flags & pp::kSpaceBefore) || (glue(out_.back()) && glue(s[0]))))
      blanks = 1;
    last_made_ = t.column == 0;
    return put_text(std::string(blanks, ' ') + s, failure);
  }

  // The text lines read so far, their macros replaced.
  bool flush(std::vector<Token>* run, const Place& place) {
    if (run->empty()) return true;
    Failure failure;
    const pp::TokenSink write = [this](const Token& t, Failure* f) { return put_token(t, false, f); };
    const bool ok = pp::expand_macros(*run, false, &texts_, &macros_, &budget_, place, write, &failure);
    run->clear();
    return ok || report(place, failure.line, failure.what);
  }

  bool expand(const std::vector<Token>& tokens, bool condition, const Place& place, std::vector<Token>* out,
              Failure* failure) {
    const pp::TokenSink keep = [out](const Token& t, Failure*) {
      out->push_back(t);
      return true;
    };
    return pp::expand_macros(tokens, condition, &texts_, &macros_, &budget_, place, keep, failure);
  }

  // ---- directives ----

  bool directive(const pp::SourceFile& source, const pp::SourceLine& line, const std::string& path, int depth,
                 Place* place, std::vector<Conditional>* conditionals) {
    const Token* tokens = &source.tokens[line.first];
    const uint32_t at = tokens[0].line;
    if (line.count == 1) return true;  // '#' alone
    const Token& name = tokens[1];
    const std::string directive = name.kind == Kind::kIdentifier ? texts_[name.text] : "";
    const std::vector<Token> rest(tokens + 2, tokens + line.count);
    const bool live = conditionals->empty() || conditionals->back().live;
    Failure failure;

    if (directive == "if" || directive == "ifdef" || directive == "ifndef") {
      if (conditionals->size() >= static_cast<size_t>(pp::kMaxNesting))
        return report(*place, at, "#if groups nest more than " + std::to_string(pp::kMaxNesting) + " deep");
      bool value = false;
      if (live && !condition(directive, rest, *place, &value, &failure))
        return report(*place, at, failure.what);
      conditionals->push_back({live, value, value, false, at});
      return true;
    }
    if (directive == "elif" || directive == "else" || directive == "endif") {
      if (conditionals->empty()) return report(*place, at, "#" + directive + " without #if");
      Conditional& c = conditionals->back();
      if (directive == "endif") {
        conditionals->pop_back();
        return true;
      }
      if (c.seen_else) return report(*place, at, "#" + directive + " after #else");
      bool value = directive == "else";
      if (c.outer_live && !c.taken && !value && !condition(directive, rest, *place, &value, &failure))
        return report(*place, at, failure.what);
      c.live = c.outer_live && !c.taken && value;
      c.taken = c.taken || c.live;
      c.seen_else = directive == "else";
      return true;
    }
    if (!live) return true;

    if (directive == "define") {
      if (!pp::define_macro(rest, &texts_, &macros_, &failure)) return report(*place, at, failure.what);
      return true;
    }
    if (directive == "undef") {
      if (rest.empty() || rest[0].kind != Kind::kIdentifier)
        return report(*place, at, "#undef is not followed by a macro name");
      auto found = macros_.find(rest[0].text);
      if (found != macros_.end() && found->second.type != pp::Macro::Type::kObject &&
          found->second.type != pp::Macro::Type::kFunction)
        return report(*place, at, "'" + texts_[rest[0].text] + "' cannot be undefined");
      if (found != macros_.end()) macros_.erase(found);
      return true;
    }
    if (directive == "include") return include(rest, at, line.end_line, depth, *place);
    if (directive == "line") return line_directive(rest, at, line.end_line, place);
    if (directive == "error") return report(*place, at, "#error" + spelled(rest));
    if (directive == "pragma") {
      // Kept for the HLSL compiler (pack_matrix and the like), without its macros replaced,
      // on one line however many lines splices joined.
      if (rest.size() == 1 && texts_[rest[0].text] == "once") once_.insert(path);
      for (size_t i = 0; i < line.count; ++i) {
        Token t = tokens[i];
        if (t.line != at) t = {t.text, at, 0, t.kind, t.flags};
        if (!put_token(t, true, &failure)) return report(*place, failure.line, failure.what);
      }
      return true;
    }
    return report(*place, at, "unknown directive '#" + texts_[name.text] + "'");
  }

  // The tokens as they were written, each after a blank where it had one.
  std::string spelled(const std::vector<Token>& tokens) const {
    std::string text;
    for (const Token& t : tokens) {
      if (&t == &tokens.front() || (t.flags & pp::kSpaceBefore)) text += ' ';
      text += texts_[t.text];
    }
    return text;
  }

  bool condition(const std::string& directive, const std::vector<Token>& rest, const Place& place,
                 bool* value, Failure* failure) {
    if (directive == "ifdef" || directive == "ifndef") {
      if (rest.empty() || rest[0].kind != Kind::kIdentifier) {
        failure->what = "#" + directive + " is not followed by a macro name";
        return false;
      }
      *value = (macros_.count(rest[0].text) != 0) == (directive == "ifdef");
      return true;
    }
    std::vector<Token> expanded;
    return expand(rest, true, place, &expanded, failure) &&
           pp::evaluate_condition(expanded, texts_, value, failure);
  }

  // #include "file" or <file>, on lines `at` to `end` of the file.
  bool include(const std::vector<Token>& rest, uint32_t at, uint32_t end, int depth, const Place& place) {
    Failure failure;
    std::vector<Token> tokens = rest;
    if (!tokens.empty() && tokens[0].kind != Kind::kHeaderName) {  // a name from macros
      tokens.clear();
      if (!expand(rest, false, place, &tokens, &failure)) return report(place, at, failure.what);
    }
    std::string header;
    const std::string first = tokens.empty() ? "" : texts_[tokens.front().text];
    if (tokens.size() == 1 &&
        (tokens[0].kind == Kind::kHeaderName ||
         (tokens[0].kind == Kind::kString && first.size() >= 2 && first.back() == '"'))) {
      header = first.substr(1, first.size() - 2);
    } else if (tokens.size() >= 2 && first == "<" && texts_[tokens.back().text] == ">") {
      header = spelled(std::vector<Token>(tokens.begin() + 1, tokens.end() - 1)).substr(1);
    } else {
      return report(place, at, "#include is not followed by \"file\" or <file>");
    }
    if (depth + 1 > kMaxIncludeDepth)
      return report(place, at,
                    "#include nests more than " + std::to_string(kMaxIncludeDepth) +
                        " files deep (a file that includes itself?)");
    const std::string path = folder_ + header;
    if (once_.count(path)) return true;
    std::string text;
    if (!read_included(header, path, &text, &failure)) return report(place, at, failure.what);

    // "#line 1" for the included file on the directive's line, its lines, then the line
    // after the directive by its number.
    if (!to_line(at, &failure) || !put_text("#line 1 \"" + line_name(path) + "\"\n", &failure))
      return report(place, at, failure.what);
    line_ = 1;
    column_ = 1;
    if (!run_file(text, path, depth + 1)) return false;
    const int64_t resume = static_cast<int64_t>(end) + 1 + place.line_offset;
    if (!put_text("#line " + std::to_string(resume) + " \"" + line_name(place.file) + "\"\n", &failure))
      return report(place, at, failure.what);
    line_ = end + 1;
    column_ = 1;
    return true;
  }

  // A regular file only: a device such as /dev/zero or a pipe would be read without end.
  // Its bytes come from what kMaxEffectText leaves.
  bool read_included(const std::string& header, const std::string& path, std::string* text,
                     Failure* failure) {
    const std::string cannot = "cannot open the included file '" + header + "'";
    struct stat info {};
    const std::string native = win32::native_path(path.c_str());
    if (header.empty() || header.find('\0') != std::string::npos || stat(native.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
      failure->what = cannot;
      return false;
    }
    std::ifstream in(native, std::ios::binary);
    if (!in) {
      failure->what = cannot;
      return false;
    }
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      text->append(buffer, static_cast<size_t>(in.gcount()));
      if (text->size() > bytes_left_) {
        failure->what = "the effect file with the files it includes passes the limit of " +
                        std::to_string(kMaxEffectText) + " bytes";
        return false;
      }
    }
    if (in.bad()) {
      failure->what = cannot;
      return false;
    }
    bytes_left_ -= text->size();
    return true;
  }

  // #line N ["name"] on lines `at` to `end`: the next line is line N (of "name"). The
  // output's own #line goes on the directive's last line, so that its next line is N.
  bool line_directive(const std::vector<Token>& rest, uint32_t at, uint32_t end, Place* place) {
    Failure failure;
    std::vector<Token> tokens = rest;
    if (!tokens.empty() && tokens[0].kind != Kind::kNumber) {
      tokens.clear();
      if (!expand(rest, false, *place, &tokens, &failure)) return report(*place, at, failure.what);
    }
    const std::string number = tokens.empty() ? "" : texts_[tokens[0].text];
    const bool digits =
        !number.empty() && number.size() <= 8 && number.find_first_not_of("0123456789") == std::string::npos;
    const long n = digits ? std::stol(number) : 0;
    if (n < 1) return report(*place, at, "#line is not followed by a line number from 1 to 99999999");
    const std::string name = tokens.size() > 1 ? texts_[tokens[1].text] : "";
    if (tokens.size() > 2 || (tokens.size() == 2 && (tokens[1].kind != Kind::kString || name.back() != '"')))
      return report(*place, at, "#line " + number + " is followed by more than a \"file name\"");
    place->line_offset = n - (static_cast<int64_t>(end) + 1);
    if (tokens.size() == 2) place->file = name.substr(1, name.size() - 2);
    if (!to_line(end, &failure) ||
        !put_text("#line " + std::to_string(n) + " \"" + line_name(place->file) + "\"", &failure))
      return report(*place, at, failure.what);
    return true;
  }

  std::string folder_;
  size_t bytes_left_;
  pp::Texts texts_;
  pp::Macros macros_;
  pp::Budget budget_;
  std::set<std::string> once_;  // files that said #pragma once
  std::string out_;
  uint32_t line_ = 1, column_ = 1;  // where the output is, in the file being read
  bool last_made_ = false;          // the last token put was made by a macro
  std::string errors_;
};

}  // namespace

bool preprocess_effect(const std::string& text, const std::string& file_name, std::string* out,
                       std::string* errors) {
  out->clear();
  errors->clear();
  if (text.size() > kMaxEffectText) {
    *errors = d3d9::printable_lines(file_name + ": error: the effect file (" + std::to_string(text.size()) +
                                        " bytes) is longer than the " + std::to_string(kMaxEffectText) +
                                        " bytes the HLSL compiler takes",
                                    kMessageLineBytes);
    return false;
  }
  Preprocessor preprocessor(file_name, kMaxEffectText - text.size());
  if (!preprocessor.run_file(text, file_name, 0)) {
    *errors = d3d9::printable_lines(preprocessor.errors(), kMessageLineBytes);
    return false;
  }
  *out = preprocessor.output();
  return true;
}

}  // namespace d3dx9
