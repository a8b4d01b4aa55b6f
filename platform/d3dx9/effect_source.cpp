#include "effect_source.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <strings.h>

#include "../d3d9/printable_text.h"

namespace d3dx9 {
namespace {

// ---- the words the framework knows ----

enum class StateKind { kBool, kBlend, kCompare, kCull, kByte };

struct NamedState {
  const char* name;
  D3DRENDERSTATETYPE state;
  StateKind kind;
};

const NamedState kStates[] = {
    {"ZEnable", D3DRS_ZENABLE, StateKind::kBool},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, StateKind::kBool},
    {"ZFunc", D3DRS_ZFUNC, StateKind::kCompare},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, StateKind::kBool},
    {"AlphaRef", D3DRS_ALPHAREF, StateKind::kByte},
    {"AlphaFunc", D3DRS_ALPHAFUNC, StateKind::kCompare},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, StateKind::kBool},
    {"SrcBlend", D3DRS_SRCBLEND, StateKind::kBlend},
    {"DestBlend", D3DRS_DESTBLEND, StateKind::kBlend},
    {"CullMode", D3DRS_CULLMODE, StateKind::kCull},
    {"Lighting", D3DRS_LIGHTING, StateKind::kBool},
};

struct NamedValue {
  const char* name;
  DWORD value;
};

const NamedValue kBools[] = {{"TRUE", TRUE}, {"FALSE", FALSE}};
const NamedValue kBlends[] = {
    {"ZERO", D3DBLEND_ZERO},           {"ONE", D3DBLEND_ONE},
    {"SRCCOLOR", D3DBLEND_SRCCOLOR},   {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
    {"SRCALPHA", D3DBLEND_SRCALPHA},   {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
    {"DESTALPHA", D3DBLEND_DESTALPHA}, {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
    {"DESTCOLOR", D3DBLEND_DESTCOLOR}, {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
};
const NamedValue kCompares[] = {
    {"NEVER", D3DCMP_NEVER},     {"LESS", D3DCMP_LESS},         {"EQUAL", D3DCMP_EQUAL},
    {"LESSEQUAL", D3DCMP_LESSEQUAL}, {"GREATER", D3DCMP_GREATER}, {"NOTEQUAL", D3DCMP_NOTEQUAL},
    {"GREATEREQUAL", D3DCMP_GREATEREQUAL}, {"ALWAYS", D3DCMP_ALWAYS},
};
const NamedValue kCulls[] = {{"NONE", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
const NamedValue kFilters[] = {{"NONE", D3DTEXF_NONE}, {"POINT", D3DTEXF_POINT}, {"LINEAR", D3DTEXF_LINEAR}};
const NamedValue kAddresses[] = {
    {"WRAP", D3DTADDRESS_WRAP}, {"MIRROR", D3DTADDRESS_MIRROR}, {"CLAMP", D3DTADDRESS_CLAMP}};

const char* const kVertexProfiles[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_3_0"};
const char* const kPixelProfiles[] = {"ps_2_0", "ps_2_a", "ps_2_b", "ps_3_0"};

template <size_t N>
bool find_value(const NamedValue (&table)[N], const std::string& word, DWORD* value) {
  for (const NamedValue& entry : table)
    if (strcasecmp(entry.name, word.c_str()) == 0) {
      *value = entry.value;
      return true;
    }
  return false;
}

template <size_t N>
std::string value_names(const NamedValue (&table)[N]) {
  std::string names;
  for (const NamedValue& entry : table) names += std::string(names.empty() ? "" : ", ") + entry.name;
  return names;
}

template <size_t N>
bool one_of(const char* const (&names)[N], const std::string& word) {
  for (const char* name : names)
    if (word == name) return true;
  return false;
}

bool same_word(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Longest piece of a file's text an error message repeats.
const size_t kQuotedBytes = 48;

// Longest file name a #line directive gives that an error message repeats (MAX_PATH).
const size_t kFileNameBytes = 260;

// The file's text as an error message shows it: between single quotes, made printable (see
// printable_text.h) and cut short after kQuotedBytes bytes.
std::string quoted(const std::string& text) {
  std::string out = "'";
  if (!d3d9::append_printable(&out, text, kQuotedBytes, false)) out += "...";
  return out + "'";
}

// ---- tokens ----

enum class Kind { kWord, kNumber, kString, kMark, kEnd };

struct Token {
  Kind kind = Kind::kEnd;
  std::string text;
  size_t begin = 0, end = 0;  // bytes of the text
  int line = 0, column = 0;
  std::string file;  // the file the line belongs to (#line may name an included one)
};

bool word_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Splits the text into tokens, skipping comments and following #line directives.
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
      while (i < text.size() && text[i] != '"' && text[i] != '\n') ++i;
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

// A number token's value (suffixes f, h, l allowed); false when it is none. An integer
// with a leading 0 is octal, as in C and to the HLSL compiler.
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

// ---- the reader ----

struct TypeInfo {
  const char* name;
  ParameterType type;
  int components;
};

const TypeInfo kTypes[] = {
    {"float", ParameterType::kFloat, 1},    {"float1", ParameterType::kFloat, 1},
    {"float2", ParameterType::kFloat2, 2},  {"float3", ParameterType::kFloat3, 3},
    {"float4", ParameterType::kFloat4, 4},  {"vector", ParameterType::kFloat4, 4},
    {"float4x4", ParameterType::kMatrix, 16}, {"matrix", ParameterType::kMatrix, 16},
    {"int", ParameterType::kInt, 1},
};

class Reader {
 public:
  Reader(const std::string& text, const std::string& file_name, EffectSource* out, std::string* errors)
      : text_(text), file_(file_name), tokens_(tokenize(text, file_name)), out_(out), errors_(errors) {}

  bool read() {
    collect_functions();
    while (peek().kind != Kind::kEnd) top_level();
    if (out_->techniques.empty()) fail(peek(), "the effect has no technique");
    check_calls();
    if (faults_ > kReportedFaults) {
      const int more = faults_ - kReportedFaults;
      *errors_ += file_ + ": error: " + std::to_string(more) + (more == 1 ? " more fault" : " more faults") +
                  " not shown\n";
    }
    if (faults_ == 0) make_hlsl();
    return faults_ == 0;
  }

 private:
  // ---- tokens ----
  const Token& peek(size_t ahead = 0) const {
    size_t i = position_ + ahead;
    return tokens_[i < tokens_.size() ? i : tokens_.size() - 1];
  }
  const Token& next() {
    const Token& t = peek();
    if (position_ + 1 < tokens_.size()) ++position_;
    return t;
  }
  bool is_mark(const Token& t, char c) const { return t.kind == Kind::kMark && t.text[0] == c; }
  bool take_mark(char c) {
    if (!is_mark(peek(), c)) return false;
    next();
    return true;
  }
  bool expect_mark(char c, const std::string& after) {
    if (take_mark(c)) return true;
    fail(peek(), std::string("expected '") + c + "' " + after + ", found " + describe(peek()));
    return false;
  }
  std::string describe(const Token& t) const { return t.kind == Kind::kEnd ? "the end of the file" : quoted(t.text); }

  // Skips a bracketed group starting at the current token (which is `open`), nested
  // groups of any kind included; stops at the end of the file.
  void skip_group(char open, char close) {
    int depth = 0;
    do {
      const Token& t = next();
      if (t.kind == Kind::kEnd) return;
      if (is_mark(t, open)) ++depth;
      if (is_mark(t, close)) --depth;
    } while (depth > 0);
  }
  // Skips to just after the next ';' at this level (or a '}' closing it, left in place).
  void skip_statement() {
    while (peek().kind != Kind::kEnd) {
      if (is_mark(peek(), ';')) {
        next();
        return;
      }
      if (is_mark(peek(), '}')) return;
      if (is_mark(peek(), '{')) {
        skip_group('{', '}');
        continue;
      }
      next();
    }
  }

  void fail(const Token& at, const std::string& what) {
    if (++faults_ > kReportedFaults) return;
    *errors_ += at.file + "(" + std::to_string(at.line) + "," + std::to_string(at.column) + "): error: " + what + "\n";
  }

  void blank(size_t begin, size_t end) { blanks_.push_back({begin, end}); }

  // ---- the file ----

  // Function names first, so that a pass may name a function defined after it.
  void collect_functions() {
    int depth = 0;
    for (size_t i = 0; i + 1 < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      if (is_mark(t, '{')) ++depth;
      if (is_mark(t, '}')) --depth;
      if (depth == 0 && t.kind == Kind::kWord && is_mark(tokens_[i + 1], '(') && i > 0 &&
          tokens_[i - 1].kind == Kind::kWord)
        functions_.insert(t.text);
    }
  }

  void top_level() {
    const Token& t = peek();
    if (is_mark(t, ';')) {
      next();
    } else if (t.kind == Kind::kWord && same_word(t.text, "technique")) {
      technique();
    } else if (t.kind == Kind::kWord && (same_word(t.text, "technique10") || same_word(t.text, "technique11"))) {
      fail(t, quoted(t.text) + " belongs to Direct3D 10 effects; this effect reader takes Direct3D 9's");
      next();
      skip_statement();
    } else if (t.kind == Kind::kWord && t.text == "struct") {
      while (peek().kind != Kind::kEnd && !is_mark(peek(), '{') && !is_mark(peek(), ';')) next();
      if (is_mark(peek(), '{')) skip_group('{', '}');
      skip_statement();
    } else if (t.kind == Kind::kWord) {
      declaration();
    } else {
      fail(t, "expected a declaration, found " + describe(t));
      next();
      skip_statement();
    }
  }

  void declaration() {
    const size_t start = peek().begin;
    bool is_static = false;
    static const char* const kQualifiers[] = {"static", "uniform", "extern", "shared", "const",
                                              "volatile", "row_major", "column_major", "inline"};
    while (peek().kind == Kind::kWord && one_of(kQualifiers, peek().text)) {
      if (peek().text == "static") is_static = true;
      next();
    }
    const Token type = next();
    if (type.kind != Kind::kWord) {
      fail(type, "expected a type, found " + describe(type));
      return skip_statement();
    }
    if (same_word(type.text, "texture") || same_word(type.text, "texture2D")) return texture(start, type);
    if (type.text == "sampler" || type.text == "sampler2D") return sampler(type);
    if (type.text == "sampler1D" || type.text == "sampler3D" || type.text == "samplerCUBE") {
      fail(type, quoted(type.text) + " samplers are not supported (sampler2D)");
      return skip_statement();
    }
    if (is_mark(peek(), '<')) skip_group('<', '>');  // a template type such as vector<float, 4>
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    if (is_mark(peek(), '(')) return function();
    variables(type, name, is_static);
  }

  // A function: its parameters, an optional semantic, then its body (or ';').
  void function() {
    skip_group('(', ')');
    while (peek().kind != Kind::kEnd && !is_mark(peek(), '{') && !is_mark(peek(), ';')) next();
    if (is_mark(peek(), '{'))
      skip_group('{', '}');
    else
      next();
  }

  // After a name: semantics or registers (": NAME", ": register(c0)") and annotations,
  // which are blanked for the compiler.
  void semantics_and_annotations(std::string* reg) {
    for (;;) {
      if (take_mark(':')) {
        const Token& word = next();
        if (word.text == "register" && is_mark(peek(), '(')) {
          next();
          if (peek().kind == Kind::kWord) *reg = peek().text;
          while (peek().kind != Kind::kEnd && !is_mark(peek(), ')')) next();
          take_mark(')');
        }
      } else if (is_mark(peek(), '<')) {
        const size_t begin = peek().begin;
        skip_group('<', '>');
        blank(begin, peek(0).begin > begin ? tokens_[position_ - 1].end : begin);
      } else {
        return;
      }
    }
  }

  void variables(const Token& type, Token name, bool is_static) {
    const TypeInfo* info = nullptr;
    for (const TypeInfo& t : kTypes)
      if (type.text == t.name) info = &t;
    for (;;) {
      bool array = false;
      if (is_mark(peek(), '[')) {
        array = true;
        skip_group('[', ']');
      }
      std::string reg;
      semantics_and_annotations(&reg);
      EffectParameter p;
      p.name = name.text;
      p.line = name.line;
      const bool parameter = !is_static;
      if (parameter && !info)
        fail(type, "the type " + quoted(type.text) + " of parameter " + quoted(name.text) +
                       " is not supported (float, float2, float3, float4, float4x4, int, texture, sampler2D)");
      else if (parameter && array)
        fail(name, "parameter " + quoted(name.text) + ": arrays are not supported");
      if (take_mark('=')) initializer(name, info, parameter ? &p : nullptr);
      if (parameter && info && !array) {
        p.type = info->type;
        add_parameter(name, p);
      }
      if (take_mark(',')) {
        name = next();
        if (name.kind != Kind::kWord) {
          fail(name, "expected a name after ',', found " + describe(name));
          return skip_statement();
        }
        continue;
      }
      if (!expect_mark(';', "after the declaration of " + quoted(p.name))) skip_statement();
      return;
    }
  }

  // An initial value: numbers, in braces or a constructor such as float4(...). Read into
  // `p` when it is a parameter's; otherwise only skipped.
  void initializer(const Token& name, const TypeInfo* info, EffectParameter* p) {
    std::vector<double> numbers;
    bool plain = true;
    int depth = 0;
    bool negative = false;
    while (peek().kind != Kind::kEnd) {
      const Token& t = peek();
      if (depth == 0 && (is_mark(t, ',') || is_mark(t, ';'))) break;
      if (is_mark(t, '{') || is_mark(t, '(')) ++depth;
      if (is_mark(t, '}') || is_mark(t, ')')) {
        if (depth == 0) break;
        --depth;
      }
      double value = 0;
      if (t.kind == Kind::kNumber && number_value(t.text, &value)) {
        numbers.push_back(negative ? -value : value);
        negative = false;
      } else if (is_mark(t, '-')) {
        negative = !negative;
      } else if (!(is_mark(t, '{') || is_mark(t, '}') || is_mark(t, '(') || is_mark(t, ')') || is_mark(t, ',') ||
                   is_mark(t, '+') || (t.kind == Kind::kWord && info && t.text == info->name))) {
        plain = false;
      }
      next();
    }
    if (!p || !info) return;
    if (!plain || numbers.empty() || static_cast<int>(numbers.size()) > info->components ||
        (numbers.size() > 1 && static_cast<int>(numbers.size()) != info->components)) {
      fail(name, "the initial value of " + quoted(name.text) + " is not " + std::to_string(info->components) +
                     (info->components == 1 ? " number" : " numbers"));
      return;
    }
    if (info->type == ParameterType::kInt && !(numbers[0] >= -2147483648.0 && numbers[0] <= 2147483647.0)) {
      fail(name, "the initial value of " + quoted(name.text) + " is not an int");
      return;
    }
    for (int i = 0; i < info->components; ++i)
      p->initial[i] = static_cast<float>(numbers.size() == 1 ? numbers[0] : numbers[i]);
  }

  void add_parameter(const Token& at, const EffectParameter& p) {
    if (p.name.compare(0, 3, "vx_") == 0 || p.name.compare(0, 3, "gl_") == 0)
      return fail(at, quoted(p.name) + " cannot name a parameter (gl_ and vx_ are reserved)");
    if (parameterLines_.count(p.name))
      return fail(at, "parameter " + quoted(p.name) + " is already declared on line " +
                          std::to_string(parameterLines_[p.name]));
    parameterLines_[p.name] = p.line;
    out_->parameters.push_back(p);
  }

  // "texture NAME [: SEMANTIC] [<annotations>];": a parameter the compiler never sees.
  void texture(size_t start, const Token& type) {
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    std::string reg;
    semantics_and_annotations(&reg);
    if (!expect_mark(';', "after the texture " + quoted(name.text))) return skip_statement();
    blank(start, tokens_[position_ - 1].end);
    EffectParameter p;
    p.name = name.text;
    p.type = ParameterType::kTexture;
    p.line = name.line;
    add_parameter(name, p);
  }

  // "sampler2D NAME [: register(sN)] [= sampler_state { ... }];" The compiler sees the
  // declaration as a plain sampler2D; its states are the effect's to set.
  void sampler(const Token& type) {
    if (type.text == "sampler") renames_.push_back({type.begin, type.end, "sampler2D"});
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    EffectSampler s;
    s.name = name.text;
    s.line = name.line;
    std::string reg;
    semantics_and_annotations(&reg);
    s.stage = next_stage_;
    if (!reg.empty()) {
      char* end = nullptr;
      long n = reg.size() > 1 && (reg[0] == 's' || reg[0] == 'S') ? std::strtol(reg.c_str() + 1, &end, 10) : -1;
      if (!end || *end != '\0' || n < 0 || n >= kSamplerStages)
        fail(name, "sampler " + quoted(name.text) + ": register " + quoted(reg) + " is not s0 to s" +
                       std::to_string(kSamplerStages - 1));
      else
        s.stage = static_cast<int>(n);
    }
    if (is_mark(peek(), '=')) {
      const size_t begin = peek().begin;
      next();
      const Token& keyword = next();
      if (!same_word(keyword.text, "sampler_state")) {
        fail(keyword, "sampler " + quoted(name.text) + " takes a sampler_state block");
        return skip_statement();
      }
      if (!is_mark(peek(), '{')) {
        fail(peek(), "expected '{' after sampler_state");
        return skip_statement();
      }
      next();
      while (peek().kind != Kind::kEnd && !is_mark(peek(), '}')) sampler_state(&s);
      if (!expect_mark('}', "closing the sampler_state of " + quoted(name.text))) return;
      blank(begin, tokens_[position_ - 1].end);
    }
    if (!expect_mark(';', "after the sampler " + quoted(name.text))) skip_statement();
    for (const EffectSampler& earlier : out_->samplers)
      if (earlier.stage == s.stage) {
        fail(name, "sampler " + quoted(s.name) + ": stage " + std::to_string(s.stage) + " is already sampler " +
                       quoted(earlier.name) + "'s");
        return;
      }
    if (s.stage >= kSamplerStages) {
      fail(name, "more samplers than the device's " + std::to_string(kSamplerStages) + " stages");
      return;
    }
    next_stage_ = s.stage + 1;
    out_->samplers.push_back(s);
  }

  // One "State = value;" of a sampler_state block.
  void sampler_state(EffectSampler* s) {
    const Token state = next();
    if (state.kind != Kind::kWord || !take_mark('=')) {
      fail(state, "expected '<sampler state> = <value>;' in the sampler_state of " + quoted(s->name));
      return skip_statement();
    }
    std::string value;
    const Token& at = peek();
    if (is_mark(at, '<') || is_mark(at, '(')) {
      const char close = is_mark(at, '<') ? '>' : ')';
      next();
      value = peek().text;
      next();
      if (!expect_mark(close, "after the texture's name")) return skip_statement();
    } else {
      value = next().text;
    }
    if (!expect_mark(';', "after the sampler state " + quoted(state.text))) return skip_statement();
    DWORD n = 0;
    if (same_word(state.text, "Texture")) {
      for (size_t i = 0; i < out_->parameters.size(); ++i)
        if (out_->parameters[i].name == value && out_->parameters[i].type == ParameterType::kTexture)
          s->texture = static_cast<int>(i);
      if (s->texture < 0) fail(at, "sampler " + quoted(s->name) + ": no texture called " + quoted(value));
    } else if (same_word(state.text, "MinFilter") || same_word(state.text, "MagFilter") ||
               same_word(state.text, "MipFilter")) {
      if (!find_value(kFilters, value, &n))
        return fail(at, quoted(value) + " is not a value of " + state.text + " (" + value_names(kFilters) + ")");
      if (same_word(state.text, "MinFilter")) s->minFilter = n;
      if (same_word(state.text, "MagFilter")) s->magFilter = n;
      if (same_word(state.text, "MipFilter")) {
        s->mipFilter = n;
        s->setsMipFilter = true;
      }
    } else if (same_word(state.text, "AddressU") || same_word(state.text, "AddressV")) {
      if (!find_value(kAddresses, value, &n))
        return fail(at, quoted(value) + " is not a value of " + state.text + " (" + value_names(kAddresses) + ")");
      (same_word(state.text, "AddressU") ? s->addressU : s->addressV) = n;
    } else {
      fail(state, "unknown sampler state " + quoted(state.text) +
                      " (Texture, MinFilter, MagFilter, MipFilter, AddressU, AddressV)");
    }
  }

  // How messages name a technique or a pass.
  static std::string block_title(bool pass, const std::string& name) {
    if (!pass) return "technique " + quoted(name);
    return name.empty() ? "the pass" : "pass " + quoted(name);
  }

  // The head of a technique or pass block: an optional name, annotations, then '{'. False,
  // with the fault reported and the statement skipped, when the brace is missing.
  bool block_head(bool pass, std::string* name) {
    if (peek().kind == Kind::kWord) *name = next().text;
    std::string ignored;
    semantics_and_annotations(&ignored);
    if (take_mark('{')) return true;
    fail(peek(), "expected '{' after " + block_title(pass, *name) + ", found " + describe(peek()));
    skip_statement();
    return false;
  }

  void technique() {
    const Token keyword = next();
    EffectTechnique t;
    t.line = keyword.line;
    if (!block_head(false, &t.name)) return;
    std::set<std::string> passes;
    while (peek().kind != Kind::kEnd && !is_mark(peek(), '}')) {
      const Token& word = peek();
      if (word.kind == Kind::kWord && same_word(word.text, "pass")) {
        EffectPass p = pass();
        if (!p.name.empty() && !passes.insert(p.name).second)
          fail(word, "pass " + quoted(p.name) + " is already defined in technique " + quoted(t.name));
        t.passes.push_back(p);
      } else {
        fail(word, "expected 'pass' in technique " + quoted(t.name) + ", found " + describe(word));
        next();
        skip_statement();
      }
    }
    expect_mark('}', "closing technique " + quoted(t.name));
    blank(keyword.begin, tokens_[position_ - 1].end);
    if (t.passes.empty()) fail(keyword, "technique " + quoted(t.name) + " has no pass");
    for (const EffectTechnique& earlier : out_->techniques)
      if (!t.name.empty() && earlier.name == t.name)
        fail(keyword, "technique " + quoted(t.name) + " is already defined on line " + std::to_string(earlier.line));
    out_->techniques.push_back(t);
  }

  EffectPass pass() {
    const Token keyword = next();
    EffectPass p;
    p.line = keyword.line;
    if (!block_head(true, &p.name)) return p;
    const std::string title = block_title(true, p.name);
    while (peek().kind != Kind::kEnd && !is_mark(peek(), '}')) assignment(&p);
    expect_mark('}', "closing " + title);
    if (p.vertex.function.empty()) fail(keyword, title + " has no vertex shader");
    if (p.pixel.function.empty()) fail(keyword, title + " has no pixel shader");
    return p;
  }

  // One "State = value;" of a pass.
  void assignment(EffectPass* p) {
    const Token state = next();
    if (state.kind != Kind::kWord) {
      fail(state, "expected a render state, found " + describe(state));
      return skip_statement();
    }
    if (is_mark(peek(), '[')) {
      fail(state, quoted(state.text) + ": indexed states are not supported");
      return skip_statement();
    }
    if (!take_mark('=')) {
      fail(peek(), "expected '=' after " + quoted(state.text) + ", found " + describe(peek()));
      return skip_statement();
    }
    if (same_word(state.text, "VertexShader") || same_word(state.text, "PixelShader"))
      return shader_call(state, same_word(state.text, "VertexShader") ? &p->vertex : &p->pixel);
    const Token value = next();
    if (!expect_mark(';', "after the value of " + quoted(state.text))) return skip_statement();
    const NamedState* named = nullptr;
    for (const NamedState& s : kStates)
      if (same_word(state.text, s.name)) named = &s;
    if (!named) {
      std::string names;
      for (const NamedState& s : kStates) names += std::string(names.empty() ? "" : ", ") + s.name;
      return fail(state, "unknown render state " + quoted(state.text) + " (" + names + ")");
    }
    DWORD v = 0;
    double number = 0;
    bool ok = value.kind == Kind::kNumber && number_value(value.text, &number) && number >= 0 && number <= 255 &&
              number == static_cast<double>(static_cast<int>(number));
    if (ok) v = static_cast<DWORD>(number);
    std::string expected;
    switch (named->kind) {
      case StateKind::kBool:
        ok = ok || find_value(kBools, value.text, &v);
        expected = value_names(kBools);
        break;
      case StateKind::kBlend:
        ok = ok || find_value(kBlends, value.text, &v);
        expected = value_names(kBlends);
        break;
      case StateKind::kCompare:
        ok = ok || find_value(kCompares, value.text, &v);
        expected = value_names(kCompares);
        break;
      case StateKind::kCull:
        ok = ok || find_value(kCulls, value.text, &v);
        expected = value_names(kCulls);
        break;
      case StateKind::kByte:
        expected = "0 to 255";
        break;
    }
    if (!ok) return fail(value, describe(value) + " is not a value of " + named->name + " (" + expected + ")");
    for (EffectRenderState& earlier : p->states)
      if (earlier.state == named->state) {
        earlier.value = v;  // the last setting wins
        return;
      }
    p->states.push_back(EffectRenderState{named->state, v});
  }

  // "compile <profile> <function>()".
  void shader_call(const Token& state, EffectShaderCall* call) {
    const bool vertex = same_word(state.text, "VertexShader");
    const Token compile = next();
    if (!same_word(compile.text, "compile")) {
      fail(compile, quoted(state.text) + " takes 'compile <profile> <function>()', found " + describe(compile));
      return skip_statement();
    }
    const Token profile = next();
    const Token function = next();
    if (!(vertex ? one_of(kVertexProfiles, profile.text) : one_of(kPixelProfiles, profile.text))) {
      fail(profile, quoted(profile.text) + " is not a " + (vertex ? "vertex" : "pixel") + " shader profile (" +
                        (vertex ? "vs_1_1, vs_2_0, vs_2_a, vs_3_0" : "ps_2_0, ps_2_a, ps_2_b, ps_3_0") + ")");
      return skip_statement();
    }
    if (function.kind != Kind::kWord || !take_mark('(')) {
      fail(function, "expected '<function>()' after " + quoted(profile.text));
      return skip_statement();
    }
    if (!take_mark(')')) {
      fail(function, "function " + quoted(function.text) + ": arguments in a compile expression are not supported");
      return skip_statement();
    }
    if (!expect_mark(';', "after the compile expression")) return skip_statement();
    call->function = function.text;
    call->profile = profile.text;
    call->line = function.line;
    calls_.push_back(function);
  }

  void check_calls() {
    for (const Token& call : calls_)
      if (!functions_.count(call.text)) fail(call, "no function called " + quoted(call.text) + " in the file");
  }

  // The text for the compiler: blanked parts become spaces (line breaks stay), and plain
  // `sampler` declarations become sampler2D.
  void make_hlsl() {
    std::string hlsl = text_;
    for (const auto& range : blanks_)
      for (size_t i = range.first; i < range.second && i < hlsl.size(); ++i)
        if (hlsl[i] != '\n') hlsl[i] = ' ';
    for (auto it = renames_.rbegin(); it != renames_.rend(); ++it) hlsl.replace(it->begin, it->end - it->begin, it->text);
    out_->hlsl = hlsl;
  }

  struct Rename {
    size_t begin, end;
    std::string text;
  };

  const std::string& text_;
  std::string file_;
  std::vector<Token> tokens_;
  size_t position_ = 0;
  EffectSource* out_;
  std::string* errors_;
  int faults_ = 0;  // reported or not
  int next_stage_ = 0;
  std::map<std::string, int> parameterLines_;
  std::set<std::string> functions_;
  std::vector<Token> calls_;  // the functions the passes compile
  std::vector<std::pair<size_t, size_t>> blanks_;
  std::vector<Rename> renames_;  // in the order of the text
};

}  // namespace

bool parse_effect(const std::string& text, const std::string& file_name, EffectSource* out,
                  std::string* errors) {
  *out = EffectSource{};
  errors->clear();
  Reader reader(text, file_name, out, errors);
  return reader.read();
}

}  // namespace d3dx9
