#include "effect_source.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <strings.h>

#include "effect_tokens.h"

namespace d3dx9 {
namespace {

using fx::Kind;
using fx::Token;
using fx::number_value;
using fx::quoted;
using fx::tokenize;

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

// The longest array a parameter may be: a shader model 3 stage has 256 float4 constants.
const int kMaxArray = 256;

// The wrapper a compile expression with arguments is compiled from (see make_entry).
const char* const kEntryName = "vx_entry";

// ---- the reader ----

// The shape of a numeric type: `float`, `float3`, `half4x4`, `bool2`, `int`, `vector`
// (float4) and `matrix` (float4x4). False for any other word.
struct TypeShape {
  ParameterType type = ParameterType::kFloat;
  int rows = 1, columns = 1;
  bool matrix = false;
};

bool numeric_base(const std::string& word, ParameterType* type) {
  if (word == "float" || word == "half") *type = ParameterType::kFloat;
  else if (word == "int" || word == "uint" || word == "dword") *type = ParameterType::kInt;
  else if (word == "bool") *type = ParameterType::kBool;
  else return false;
  return true;
}

bool type_shape(const std::string& word, TypeShape* shape) {
  if (word == "vector" || word == "matrix") {
    *shape = TypeShape{ParameterType::kFloat, word == "matrix" ? 4 : 1, 4, word == "matrix"};
    return true;
  }
  size_t digits = word.find_first_of("1234");
  if (!numeric_base(word.substr(0, digits), &shape->type)) return false;
  if (digits == std::string::npos) return true;
  const std::string dims = word.substr(digits);
  auto dim = [](char c) { return c >= '1' && c <= '4'; };
  if (dims.size() == 1 && dim(dims[0])) {
    shape->columns = dims[0] - '0';
    return true;
  }
  if (dims.size() == 3 && dim(dims[0]) && dims[1] == 'x' && dim(dims[2])) {
    shape->rows = dims[0] - '0';
    shape->columns = dims[2] - '0';
    shape->matrix = true;
    return true;
  }
  return false;
}

// The types a parameter may have, for messages.
const char* const kParameterTypes =
    "float, half, int, bool, their vectors and matrices (float4, float3x3), arrays of them, string, texture, "
    "sampler2D";

// A parameter of a function definition, as the text writes it.
struct FunctionParameter {
  std::string text;  // "in float2 uv : TEXCOORD0", "uniform bool textured"
  std::string name;
  bool uniform = false;
};
struct FunctionSignature {
  std::string name;
  std::string result;    // the return type's word
  std::string semantic;  // ": COLOR0" after the parameters, or empty
  std::vector<FunctionParameter> parameters;
};
struct ShaderVariable {
  bool vertex;
  EffectShaderCall call;
};

class Reader {
 public:
  Reader(const std::string& text, const std::string& file_name, EffectSource* out, std::string* errors)
      : text_(text), file_(file_name), tokens_(tokenize(text, file_name)), out_(out), errors_(errors) {}

  bool read() {
    collect_functions();
    check_increments();
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

  // The functions first, so that a pass may name a function defined after it: their names,
  // and for each definition what a wrapper calling it needs (see make_entry).
  void collect_functions() {
    int depth = 0;
    for (size_t i = 0; i + 1 < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      if (is_mark(t, '{')) ++depth;
      if (is_mark(t, '}')) --depth;
      if (depth != 0 || t.kind != Kind::kWord || !is_mark(tokens_[i + 1], '(') || i == 0 ||
          tokens_[i - 1].kind != Kind::kWord || (i >= 2 && same_word(tokens_[i - 2].text, "compile")))
        continue;
      functions_.insert(t.text);
      FunctionSignature f;
      f.name = t.text;
      f.result = tokens_[i - 1].text;
      size_t j = i + 2;
      if (!read_parameters(&j, &f.parameters)) continue;
      const size_t after = j;  // just past ')'
      while (j < tokens_.size() && tokens_[j].kind != Kind::kEnd && !is_mark(tokens_[j], '{') &&
             !is_mark(tokens_[j], ';'))
        ++j;
      if (j >= tokens_.size() || !is_mark(tokens_[j], '{')) continue;  // a prototype
      if (j > after) f.semantic = text_.substr(tokens_[after].begin, tokens_[j - 1].end - tokens_[after].begin);
      signatures_.push_back(f);
      i = j - 1;
    }
  }

  // The HLSL compiler crashes on `++` or `--` after a value it folds to a constant (`0++`,
  // `(1)--`, a const's name): such increments, which no compiler takes, are refused here.
  void check_increments() {
    std::set<std::string> constants;  // every name declared const, anywhere in the file
    for (size_t i = 0; i + 2 < tokens_.size(); ++i) {
      if (tokens_[i].kind != Kind::kWord || tokens_[i].text != "const") continue;
      size_t j = i + 1;
      while (j < tokens_.size() && tokens_[j].kind == Kind::kWord && tokens_[j + 1].kind == Kind::kWord) ++j;
      if (tokens_[j].kind == Kind::kWord) constants.insert(tokens_[j].text);
      for (int depth = 0; j < tokens_.size() && tokens_[j].kind != Kind::kEnd; ++j) {
        if (is_mark(tokens_[j], '(') || is_mark(tokens_[j], '{')) ++depth;
        if (is_mark(tokens_[j], ')') || is_mark(tokens_[j], '}')) --depth;
        if (depth < 0 || is_mark(tokens_[j], ';')) break;
        if (depth == 0 && is_mark(tokens_[j], ',') && tokens_[j + 1].kind == Kind::kWord)
          constants.insert(tokens_[j + 1].text);
      }
    }
    for (size_t i = 1; i + 1 < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      const bool twice = (is_mark(t, '+') || is_mark(t, '-')) && tokens_[i + 1].kind == Kind::kMark &&
                         tokens_[i + 1].text == t.text && tokens_[i + 1].begin == t.end;
      if (!twice) continue;
      const Token& operand = tokens_[i - 1];
      const bool member = i >= 2 && is_mark(tokens_[i - 2], '.');
      if (operand.kind == Kind::kNumber || is_mark(operand, ')') ||
          (operand.kind == Kind::kWord && !member && constants.count(operand.text)))
        fail(t, quoted(t.text + t.text) + " after " + quoted(operand.text) + ": only a variable can be changed");
      ++i;
    }
  }

  // A definition's parameters, from the token after its '(' to just past its ')'; false when
  // the list is never closed.
  bool read_parameters(size_t* at, std::vector<FunctionParameter>* parameters) {
    size_t j = *at;
    int depth = 0;
    FunctionParameter p;
    bool named = false;  // the parameter's name is known (a ':', '=' or '[' came after it)
    size_t first = j;
    auto close = [&](size_t end) {
      if (end == first) return;
      p.text = text_.substr(tokens_[first].begin, tokens_[end - 1].end - tokens_[first].begin);
      if (!named) p.name = tokens_[end - 1].text;
      parameters->push_back(p);
      p = FunctionParameter{};
      named = false;
    };
    for (; j < tokens_.size() && tokens_[j].kind != Kind::kEnd; ++j) {
      const Token& t = tokens_[j];
      if (depth == 0 && (is_mark(t, ')') || is_mark(t, ','))) {
        close(j);
        first = j + 1;
        if (is_mark(t, ')')) {
          *at = j + 1;
          return true;
        }
        continue;
      }
      if (is_mark(t, '(') || is_mark(t, '[') || is_mark(t, '{')) ++depth;
      if (is_mark(t, ')') || is_mark(t, ']') || is_mark(t, '}')) --depth;
      if (depth < 0) return false;
      if (t.kind == Kind::kWord && t.text == "uniform") p.uniform = true;
      if (!named && j > first && (is_mark(t, ':') || is_mark(t, '=') || is_mark(t, '['))) {
        p.name = tokens_[j - 1].text;
        named = true;
      }
    }
    return false;
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
    if (same_word(type.text, "texture") || same_word(type.text, "texture2D"))
      return blanked_parameter(start, type, ParameterType::kTexture, false);
    if (type.text == "sampler" || type.text == "sampler2D") return sampler(type);
    if (type.text == "sampler1D" || type.text == "sampler3D" || type.text == "samplerCUBE") {
      fail(type, quoted(type.text) + " samplers are not supported (sampler2D)");
      return skip_statement();
    }
    if (same_word(type.text, "VertexShader") || same_word(type.text, "PixelShader"))
      return shader_variable(start, type);
    if (type.text == "string") return blanked_parameter(start, type, ParameterType::kString, is_static);
    TypeShape shape;
    bool known = type_shape(type.text, &shape);
    if (is_mark(peek(), '<')) known = template_shape(type, &shape) && known;  // vector<float, 3>
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    if (is_mark(peek(), '(')) return function();
    variables(type, known ? &shape : nullptr, name, is_static);
  }

  // `vector<float, N>` and `matrix<float, R, C>`, from the '<'.
  bool template_shape(const Token& type, TypeShape* shape) {
    const size_t open = position_;
    skip_group('<', '>');
    if (type.text != "vector" && type.text != "matrix") return false;
    std::vector<std::string> words;
    for (size_t i = open + 1; i + 1 < position_; ++i)
      if (!is_mark(tokens_[i], ',')) words.push_back(tokens_[i].text);
    const bool matrix = type.text == "matrix";
    if (words.size() != (matrix ? 3u : 2u) || !numeric_base(words[0], &shape->type)) return false;
    auto dim = [](const std::string& w) { return w.size() == 1 && w[0] >= '1' && w[0] <= '4' ? w[0] - '0' : 0; };
    shape->rows = matrix ? dim(words[1]) : 1;
    shape->columns = dim(words.back());
    shape->matrix = matrix;
    return shape->rows > 0 && shape->columns > 0;
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
  // which are blanked for the compiler and read into `annotations`.
  void semantics_and_annotations(std::string* reg, std::vector<EffectAnnotation>* annotations) {
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
        annotation_block(annotations);
        blank(begin, peek(0).begin > begin ? tokens_[position_ - 1].end : begin);
      } else {
        return;
      }
    }
  }

  // "< type name = value; ... >", from the '<'.
  void annotation_block(std::vector<EffectAnnotation>* annotations) {
    next();
    while (peek().kind != Kind::kEnd && !is_mark(peek(), '>')) {
      const Token type = next();
      const Token name = next();
      if (type.kind != Kind::kWord || name.kind != Kind::kWord || !take_mark('=')) {
        fail(type, "expected '<type> <name> = <value>;' in annotations, found " + describe(type));
        while (peek().kind != Kind::kEnd && !is_mark(peek(), '>') && !is_mark(peek(), ';')) next();
        take_mark(';');
        continue;
      }
      EffectAnnotation a{type.text, name.text, ""};
      if (peek().kind == Kind::kString) {
        const std::string& quoted_text = next().text;
        a.value = quoted_text.substr(1, quoted_text.size() >= 2 && quoted_text.back() == '"' ? quoted_text.size() - 2
                                                                                              : quoted_text.size() - 1);
      } else {
        while (peek().kind != Kind::kEnd && !is_mark(peek(), ';') && !is_mark(peek(), '>'))
          a.value += (a.value.empty() ? "" : " ") + next().text;
      }
      if (!expect_mark(';', "after the annotation " + quoted(name.text))) {
        while (peek().kind != Kind::kEnd && !is_mark(peek(), '>')) next();
        break;
      }
      annotations->push_back(a);
    }
    expect_mark('>', "closing the annotations");
  }

  void variables(const Token& type, const TypeShape* shape, Token name, bool is_static) {
    for (;;) {
      EffectParameter p;
      p.name = name.text;
      p.line = name.line;
      if (shape) {
        p.type = shape->type;
        p.rows = shape->rows;
        p.columns = shape->columns;
        p.matrix = shape->matrix;
      }
      const bool parameter = !is_static;
      bool sized = true;
      if (is_mark(peek(), '[')) sized = array_size(name, &p.elements);
      std::string reg;
      semantics_and_annotations(&reg, &p.annotations);
      if (parameter && !shape)
        fail(type, "the type " + quoted(type.text) + " of parameter " + quoted(name.text) + " is not supported (" +
                       kParameterTypes + ")");
      // The HLSL compiler makes invalid code of a matrix with one column.
      const bool translatable = !(shape && shape->matrix && shape->columns == 1);
      if (parameter && !translatable)
        fail(type, "parameter " + quoted(name.text) + ": matrices of one column (" + type.text +
                       ") are not supported; a vector (float" + std::to_string(shape->rows) + ") is");
      p.initial.assign(static_cast<size_t>(p.values()), 0.0f);
      const bool usable = parameter && shape && sized && translatable;
      if (take_mark('=')) initializer(name, usable ? &p : nullptr);
      if (usable) add_parameter(name, p);
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

  // "[N]" after a name: the array's length, a number from 1 to kMaxArray.
  bool array_size(const Token& name, int* elements) {
    next();
    const Token size = next();
    double n = 0;
    const bool number = size.kind == Kind::kNumber && number_value(size.text, &n) && n >= 1 && n <= kMaxArray &&
                        n == static_cast<double>(static_cast<int>(n));
    if (!number || !is_mark(peek(), ']')) {
      fail(size, "the length of the array " + quoted(name.text) + " is not a number from 1 to " +
                     std::to_string(kMaxArray));
      while (peek().kind != Kind::kEnd && !is_mark(peek(), ']') && !is_mark(peek(), ';')) next();
      take_mark(']');
      return false;
    }
    next();
    if (is_mark(peek(), '[')) {
      fail(peek(), "parameter " + quoted(name.text) + ": arrays of arrays are not supported");
      skip_group('[', ']');
      return false;
    }
    *elements = static_cast<int>(n);
    return true;
  }

  // An initial value: numbers (and true or false), in braces, nested or not, or in
  // constructors such as float4(...). Read into `p` when it is a parameter's; otherwise
  // only skipped.
  void initializer(const Token& name, EffectParameter* p) {
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
      TypeShape constructor;
      if (t.kind == Kind::kNumber && number_value(t.text, &value)) {
        numbers.push_back(negative ? -value : value);
        negative = false;
      } else if (t.kind == Kind::kWord && (t.text == "true" || t.text == "false")) {
        numbers.push_back(t.text == "true" ? 1 : 0);
      } else if (is_mark(t, '-')) {
        negative = !negative;
      } else if (!(is_mark(t, '{') || is_mark(t, '}') || is_mark(t, '(') || is_mark(t, ')') || is_mark(t, ',') ||
                   is_mark(t, '+') || (t.kind == Kind::kWord && type_shape(t.text, &constructor)))) {
        plain = false;
      }
      next();
    }
    if (!p) return;
    const int values = p->values();
    const bool broadcast = numbers.size() == 1 && p->elements == 0;
    if (!plain || numbers.empty() || (!broadcast && static_cast<int>(numbers.size()) != values)) {
      fail(name, "the initial value of " + quoted(name.text) + " is not " + std::to_string(values) +
                     (values == 1 ? " number" : " numbers"));
      return;
    }
    for (double n : numbers)
      if (p->type == ParameterType::kInt && !(n >= -2147483648.0 && n <= 2147483647.0)) {
        fail(name, "the initial value of " + quoted(name.text) + " is not an int");
        return;
      }
    for (int i = 0; i < values; ++i) {
      const double n = numbers[broadcast ? 0 : static_cast<size_t>(i)];
      p->initial[static_cast<size_t>(i)] = p->type == ParameterType::kBool ? (n != 0 ? 1.0f : 0.0f)
                                                                           : static_cast<float>(n);
    }
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

  // "texture NAME [: SEMANTIC] [<annotations>];" and "string NAME [<annotations>] = "text";":
  // parameters the compiler never sees. A static string is read and dropped.
  void blanked_parameter(size_t start, const Token& type, ParameterType kind, bool is_static) {
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    EffectParameter p;
    p.name = name.text;
    p.type = kind;
    p.line = name.line;
    std::string reg;
    semantics_and_annotations(&reg, &p.annotations);
    if (kind == ParameterType::kString && take_mark('=')) {
      const Token value = next();
      if (value.kind != Kind::kString || value.text.size() < 2 || value.text.back() != '"') {
        fail(value, "the string " + quoted(name.text) + " takes a \"text\" in double quotes, found " +
                        describe(value));
        return skip_statement();
      }
      p.text = value.text.substr(1, value.text.size() - 2);
    }
    if (!expect_mark(';', "after the " + type.text + " " + quoted(name.text))) return skip_statement();
    blank(start, tokens_[position_ - 1].end);
    if (!is_static) add_parameter(name, p);
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
    std::vector<EffectAnnotation> annotations;
    semantics_and_annotations(&reg, &annotations);
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
    EffectStageState value;
    if (!stage_state(state, "sampler " + quoted(s->name), &value)) return;
    if (value.texture) {
      s->texture = value.parameter;
      return;
    }
    switch (value.type) {
      case D3DSAMP_MINFILTER: s->minFilter = value.value; break;
      case D3DSAMP_MAGFILTER: s->magFilter = value.value; break;
      case D3DSAMP_MIPFILTER:
        s->mipFilter = value.value;
        s->setsMipFilter = true;
        break;
      case D3DSAMP_ADDRESSU: s->addressU = value.value; break;
      default: s->addressV = value.value; break;
    }
  }

  // The value of a texture stage's state, "Texture = <name>" or "MinFilter = LINEAR" and the
  // like, from after the '=' to past the ';' (in a sampler_state block, or a pass's
  // "MinFilter[1] = LINEAR;"). False with the fault reported. `owner` names the sampler or
  // the pass in messages.
  bool stage_state(const Token& state, const std::string& owner, EffectStageState* out) {
    std::string value;
    const Token at = peek();
    if (is_mark(at, '<') || is_mark(at, '(')) {
      const char close = is_mark(at, '<') ? '>' : ')';
      next();
      value = peek().text;
      next();
      if (!expect_mark(close, "after the texture's name")) {
        skip_statement();
        return false;
      }
    } else {
      value = next().text;
    }
    if (!expect_mark(';', "after the sampler state " + quoted(state.text))) {
      skip_statement();
      return false;
    }
    if (same_word(state.text, "Texture")) {
      out->texture = true;
      for (size_t i = 0; i < out_->parameters.size(); ++i)
        if (out_->parameters[i].name == value && out_->parameters[i].type == ParameterType::kTexture)
          out->parameter = static_cast<int>(i);
      if (out->parameter < 0) fail(at, owner + ": no texture called " + quoted(value));
      return out->parameter >= 0;
    }
    static const struct {
      const char* name;
      D3DSAMPLERSTATETYPE type;
      bool filter;
    } kSamplerStates[] = {{"MinFilter", D3DSAMP_MINFILTER, true}, {"MagFilter", D3DSAMP_MAGFILTER, true},
                          {"MipFilter", D3DSAMP_MIPFILTER, true}, {"AddressU", D3DSAMP_ADDRESSU, false},
                          {"AddressV", D3DSAMP_ADDRESSV, false}};
    for (const auto& known : kSamplerStates) {
      if (!same_word(state.text, known.name)) continue;
      out->type = known.type;
      double number = 0;
      const bool numbered = at.kind == Kind::kNumber && number_value(value, &number) && number >= 0 &&
                            number <= 255 && number == static_cast<double>(static_cast<int>(number));
      if (numbered) out->value = static_cast<DWORD>(number);
      if (numbered || (known.filter ? find_value(kFilters, value, &out->value)
                                    : find_value(kAddresses, value, &out->value)))
        return true;
      fail(at, quoted(value) + " is not a value of " + known.name + " (" +
                   (known.filter ? value_names(kFilters) : value_names(kAddresses)) + ")");
      return false;
    }
    fail(state, "unknown sampler state " + quoted(state.text) +
                    " (Texture, MinFilter, MagFilter, MipFilter, AddressU, AddressV)");
    return false;
  }

  // How messages name a technique or a pass.
  static std::string block_title(bool pass, const std::string& name) {
    if (!pass) return "technique " + quoted(name);
    return name.empty() ? "the pass" : "pass " + quoted(name);
  }

  // The head of a technique or pass block: an optional name, annotations, then '{'. False,
  // with the fault reported and the statement skipped, when the brace is missing.
  bool block_head(bool pass, std::string* name, std::vector<EffectAnnotation>* annotations) {
    if (peek().kind == Kind::kWord) *name = next().text;
    std::string ignored;
    semantics_and_annotations(&ignored, annotations);
    if (take_mark('{')) return true;
    fail(peek(), "expected '{' after " + block_title(pass, *name) + ", found " + describe(peek()));
    skip_statement();
    return false;
  }

  void technique() {
    const Token keyword = next();
    EffectTechnique t;
    t.line = keyword.line;
    if (!block_head(false, &t.name, &t.annotations)) return;
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
    if (!block_head(true, &p.name, &p.annotations)) return p;
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
    if (is_mark(peek(), '[')) return indexed_state(state, p);
    if (!take_mark('=')) {
      fail(peek(), "expected '=' after " + quoted(state.text) + ", found " + describe(peek()));
      return skip_statement();
    }
    if (same_word(state.text, "VertexShader") || same_word(state.text, "PixelShader"))
      return shader_assignment(state, same_word(state.text, "VertexShader") ? &p->vertex : &p->pixel);
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

  // "Texture[n] = <name>;" or "MinFilter[n] = LINEAR;" (and the other sampler states) in a
  // pass: texture stage n's texture or sampler state.
  void indexed_state(const Token& state, EffectPass* p) {
    next();
    const Token index = next();
    double stage = -1;
    const bool valid = index.kind == Kind::kNumber && number_value(index.text, &stage) && stage >= 0 &&
                       stage < kSamplerStages && stage == static_cast<double>(static_cast<int>(stage));
    if (!valid || !take_mark(']') || !take_mark('=')) {
      fail(index, quoted(state.text) + "[...]: expected a stage from 0 to " + std::to_string(kSamplerStages - 1) +
                      " and '= <value>;'");
      return skip_statement();
    }
    static const char* const kStageStates[] = {"Texture",  "MinFilter", "MagFilter",
                                               "MipFilter", "AddressU", "AddressV"};
    bool known = false;
    for (const char* name : kStageStates) known = known || same_word(state.text, name);
    if (!known) {
      fail(state, "indexed state " + quoted(state.text + "[" + index.text + "]") +
                      " is not supported (Texture, MinFilter, MagFilter, MipFilter, AddressU, AddressV)");
      return skip_statement();
    }
    EffectStageState value;
    value.stage = static_cast<int>(stage);
    if (stage_state(state, block_title(true, p->name), &value)) p->stageStates.push_back(value);
  }

  // "VertexShader = compile vs_3_0 VS();", "= (name);" or "= <name>;" naming a shader
  // variable, in a pass.
  void shader_assignment(const Token& state, EffectShaderCall* call) {
    const bool vertex = same_word(state.text, "VertexShader");
    if (same_word(peek().text, "compile")) {
      next();
      if (shader_call(vertex, call)) expect_mark(';', "after the compile expression");
      return skip_statement_if_open();
    }
    const bool bracketed = is_mark(peek(), '(') || is_mark(peek(), '<');
    const char close = is_mark(peek(), '<') ? '>' : ')';
    if (bracketed) next();
    const Token name = next();
    if (bracketed && !take_mark(close)) {
      fail(name, quoted(state.text) + " takes 'compile <profile> <function>(...)' or a shader variable, found " +
                     describe(name));
      return skip_statement();
    }
    if (!expect_mark(';', "after the value of " + quoted(state.text))) return skip_statement();
    const auto found = shaderVariables_.find(name.text);
    if (name.kind != Kind::kWord || found == shaderVariables_.end()) {
      const bool fixed = same_word(name.text, "NULL");
      return fail(name, fixed ? quoted(state.text) + " = NULL (the fixed-function pipeline) is not supported"
                              : quoted(state.text) + " takes 'compile <profile> <function>(...)' or a shader "
                                                     "variable declared before, found " + describe(name));
    }
    if (found->second.vertex != vertex)
      return fail(name, quoted(name.text) + " is a " + (vertex ? "pixel" : "vertex") + " shader, not a " +
                            (vertex ? "vertex" : "pixel") + " shader");
    *call = found->second.call;
  }

  void skip_statement_if_open() {
    if (position_ > 0 && !is_mark(tokens_[position_ - 1], ';')) skip_statement();
  }

  // "VertexShader NAME = compile <profile> <function>(...);" at the top level: a shader
  // variable, which passes name instead of compiling the function themselves.
  void shader_variable(size_t start, const Token& type) {
    const bool vertex = same_word(type.text, "VertexShader");
    const Token name = next();
    if (name.kind != Kind::kWord) {
      fail(name, "expected a name after " + quoted(type.text) + ", found " + describe(name));
      return skip_statement();
    }
    ShaderVariable variable{vertex, {}};
    bool ok = true;
    if (is_mark(peek(), '[')) {
      fail(peek(), "shader variable " + quoted(name.text) + ": arrays of shaders are not supported");
      ok = false;
    } else if (!take_mark('=') || !same_word(peek().text, "compile")) {
      fail(name, "shader variable " + quoted(name.text) + " takes '= compile <profile> <function>(...);'");
      ok = false;
    } else {
      next();
      ok = shader_call(vertex, &variable.call) && expect_mark(';', "after the compile expression");
    }
    if (!ok) skip_statement_if_open();
    blank(start, tokens_[position_ - 1].end);
    if (!ok) return;
    if (shaderVariables_.count(name.text) || parameterLines_.count(name.text))
      return fail(name, quoted(name.text) + " is already declared");
    shaderVariables_[name.text] = variable;
  }

  // "<profile> <function>(<arguments>)", after `compile`; the arguments give the function's
  // uniform parameters their values, in order. False with the fault reported.
  bool shader_call(bool vertex, EffectShaderCall* call) {
    const Token profile = next();
    if (!(vertex ? one_of(kVertexProfiles, profile.text) : one_of(kPixelProfiles, profile.text))) {
      fail(profile, quoted(profile.text) + " is not a " + (vertex ? "vertex" : "pixel") + " shader profile (" +
                        (vertex ? "vs_1_1, vs_2_0, vs_2_a, vs_3_0" : "ps_2_0, ps_2_a, ps_2_b, ps_3_0") + ")");
      return false;
    }
    const Token function = next();
    if (function.kind != Kind::kWord || !take_mark('(')) {
      fail(function, "expected '<function>(...)' after " + quoted(profile.text));
      return false;
    }
    std::vector<std::string> arguments;
    if (!take_mark(')')) {
      int depth = 0;
      size_t first = position_;
      for (;;) {
        const Token& t = peek();
        if (t.kind == Kind::kEnd || is_mark(t, ';')) {
          fail(t, "expected ')' closing the arguments of " + quoted(function.text) + ", found " + describe(t));
          return false;
        }
        if (depth == 0 && (is_mark(t, ',') || is_mark(t, ')'))) {
          if (position_ == first) {
            fail(t, "an argument of " + quoted(function.text) + " is missing");
            return false;
          }
          arguments.push_back(text_.substr(tokens_[first].begin, tokens_[position_ - 1].end - tokens_[first].begin));
          next();
          if (is_mark(t, ')')) break;
          first = position_;
          continue;
        }
        if (is_mark(t, '(') || is_mark(t, '{') || is_mark(t, '[')) ++depth;
        if (is_mark(t, ')') || is_mark(t, '}') || is_mark(t, ']')) --depth;
        next();
      }
    }
    call->function = function.text;
    call->profile = profile.text;
    call->line = function.line;
    call->entry = function.text;
    call->wrapper.clear();
    calls_.push_back(function);
    return make_entry(function, arguments, call);
  }

  // Where a compile expression gives arguments, the compiler starts from a wrapper of the
  // function: its other parameters (the shader's inputs and outputs, semantics and all) are
  // the wrapper's, and the arguments take the uniform parameters' places in the call, so
  // they are constants of the compiled shader as they are on Windows.
  bool make_entry(const Token& function, const std::vector<std::string>& arguments, EffectShaderCall* call) {
    std::vector<const FunctionSignature*> definitions, matching;
    for (const FunctionSignature& f : signatures_)
      if (f.name == function.text) definitions.push_back(&f);
    if (definitions.empty()) return true;  // check_calls names it
    size_t uniforms = 0;
    for (const FunctionSignature* f : definitions) {
      uniforms = 0;
      for (const FunctionParameter& p : f->parameters) uniforms += p.uniform ? 1 : 0;
      if (uniforms == arguments.size()) matching.push_back(f);
    }
    if (matching.size() != 1) {
      auto count = [](size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); };
      fail(function, matching.empty() && definitions.size() == 1
                         ? "the compile expression gives " + count(arguments.size(), "argument") + " for the " +
                               count(uniforms, "uniform parameter") + " of " + quoted(function.text)
                         : "the compile expression's " + count(arguments.size(), "argument") +
                               " do not choose one definition of " + quoted(function.text));
      return false;
    }
    if (arguments.empty()) return true;
    const FunctionSignature& f = *matching[0];
    std::string inputs, values;
    size_t next_argument = 0;
    for (const FunctionParameter& p : f.parameters) {
      if (!values.empty()) values += ", ";
      if (p.uniform) {
        values += "(" + arguments[next_argument++] + ")";
      } else {
        values += p.name;
        inputs += (inputs.empty() ? "" : ", ") + p.text;
      }
    }
    call->entry = kEntryName;
    call->wrapper = "\n#line " + std::to_string(function.line) + "\n" + f.result + " " + kEntryName + "(" + inputs +
                    ")" + (f.semantic.empty() ? "" : " " + f.semantic) + " { " +
                    (f.result == "void" ? "" : "return ") + f.name + "(" + values + "); }\n";
    return true;
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
  std::vector<FunctionSignature> signatures_;  // every function definition
  std::map<std::string, ShaderVariable> shaderVariables_;
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
