#include "effect_source.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <strings.h>

#include "../d3d9/printable_text.h"

namespace d3dx9 {
namespace {

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
};

struct NamedValue {
  const char* name;
  DWORD value;
};

const NamedValue kBools[] = {{"TRUE", TRUE}, {"FALSE", FALSE}};
const NamedValue kBlends[] = {
    {"Zero", D3DBLEND_ZERO},           {"One", D3DBLEND_ONE},
    {"SrcColor", D3DBLEND_SRCCOLOR},   {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
    {"SrcAlpha", D3DBLEND_SRCALPHA},   {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
    {"DestAlpha", D3DBLEND_DESTALPHA}, {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
    {"DestColor", D3DBLEND_DESTCOLOR}, {"InvDestColor", D3DBLEND_INVDESTCOLOR},
};
const NamedValue kCompares[] = {
    {"Never", D3DCMP_NEVER},
    {"Less", D3DCMP_LESS},
    {"Equal", D3DCMP_EQUAL},
    {"LessEqual", D3DCMP_LESSEQUAL},
    {"Greater", D3DCMP_GREATER},
    {"NotEqual", D3DCMP_NOTEQUAL},
    {"GreaterEqual", D3DCMP_GREATEREQUAL},
    {"Always", D3DCMP_ALWAYS},
};
const NamedValue kCulls[] = {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
const NamedValue kFilters[] = {{"point", D3DTEXF_POINT}, {"linear", D3DTEXF_LINEAR}};
const NamedValue kAddresses[] = {
    {"wrap", D3DTADDRESS_WRAP}, {"clamp", D3DTADDRESS_CLAMP}, {"mirror", D3DTADDRESS_MIRROR}};

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

// Longest piece of a file's text an error message repeats.
const size_t kQuotedBytes = 48;

// The file's text as an error message shows it: between single quotes, made printable (see
// printable_text.h) and cut short after kQuotedBytes bytes, so that not even a whole line of
// garbage is repeated.
std::string quoted(const std::string& text) {
  std::string out = "'";
  if (!d3d9::append_printable(&out, text, kQuotedBytes, false)) out += "...";
  return out + "'";
}

std::string trim(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// A directive line's words: comments (//) removed, '=' a word of its own.
std::vector<std::string> words_of(const std::string& line) {
  std::string text = line.substr(0, line.find("//"));
  std::string spaced;
  for (char c : text) {
    if (c == '=')
      spaced += " = ";
    else
      spaced += c;
  }
  std::istringstream in(spaced);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

bool is_identifier(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

bool parse_float(const std::string& s, float* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  float value = std::strtof(s.c_str(), &end);
  if (*end != '\0' || errno == ERANGE) return false;
  *out = value;
  return true;
}

// Decimal or 0x hexadecimal; `low`..`high` is the accepted range. A leading 0 is still
// decimal ("010" is ten), not octal as strtoll's automatic base would read it.
bool parse_integer(const std::string& s, long long low, long long high, long long* out) {
  if (s.empty()) return false;
  const size_t digits = s[0] == '-' || s[0] == '+' ? 1 : 0;
  const bool hex =
      s.size() > digits + 1 && s[digits] == '0' && (s[digits + 1] == 'x' || s[digits + 1] == 'X');
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(s.c_str(), &end, hex ? 16 : 10);
  if (*end != '\0' || errno == ERANGE || value < low || value > high) return false;
  *out = value;
  return true;
}

class Reader {
 public:
  Reader(const std::string& file_name, EffectSource* out, std::string* errors)
      : file_(file_name), out_(out), errors_(errors) {}

  void line(int number, const std::string& raw) {
    line_ = number;
    if (block_) {
      if (trim(raw) == "end") {
        block_ = nullptr;
      } else {
        block_->text += raw;
        block_->text += '\n';
      }
      return;
    }
    std::vector<std::string> w = words_of(raw);
    if (w.empty()) return;
    const std::string& keyword = w[0];
    if (keyword == "parameter")
      parameter(w);
    else if (keyword == "technique")
      technique(w);
    else if (keyword == "pass")
      pass(w);
    else if (keyword == "state")
      state(w);
    else if (keyword == "vertex" || keyword == "pixel")
      shader(w);
    else if (keyword == "end")
      fail("'end' without a 'vertex' or 'pixel' block to close");
    else
      fail("unknown keyword " + quoted(keyword));
  }

  // Returns whether the file is sound.
  bool finish() {
    if (block_) {
      line_ = blockLine_;
      fail("the " + blockKind_ + " shader is not closed by a line 'end'");
      block_ = nullptr;
    }
    close_technique();
    if (out_->techniques.empty()) {
      line_ = line_ > 0 ? line_ : 1;
      fail("the effect has no technique");
    }
    if (faults_ > kReportedFaults) {
      const int more = faults_ - kReportedFaults;
      *errors_ += file_ + ": error: " + std::to_string(more) + (more == 1 ? " more fault" : " more faults") +
                  " not shown\n";
    }
    return faults_ == 0;
  }

 private:
  void fail(const std::string& what) {
    if (++faults_ > kReportedFaults) return;
    *errors_ += file_ + "(" + std::to_string(line_) + "): error: " + what + "\n";
  }
  bool rejected(const std::string& what) {
    fail(what);
    return false;
  }

  void parameter(const std::vector<std::string>& w) {
    if (w.size() < 3) return fail("expected 'parameter <type> <name>'");
    EffectParameter p;
    p.line = line_;
    p.name = w[2];
    const std::string& type = w[1];
    if (type == "float4x4")
      p.type = ParameterType::kMatrix;
    else if (type == "texture")
      p.type = ParameterType::kTexture;
    else if (type == "float")
      p.type = ParameterType::kFloat;
    else if (type == "int")
      p.type = ParameterType::kInt;
    else if (type == "color")
      p.type = ParameterType::kColor;
    else
      return fail("unknown parameter type " + quoted(type) + " (float4x4, texture, float, int or color)");
    if (!is_identifier(p.name) || p.name.compare(0, 3, "gl_") == 0 || p.name.compare(0, 3, "vx_") == 0)
      return fail(quoted(p.name) + " cannot name a parameter");
    const auto declared = parameterLines_.find(p.name);
    if (declared != parameterLines_.end())
      return fail("parameter " + quoted(p.name) + " is already declared on line " +
                  std::to_string(declared->second));
    bool ok = p.type == ParameterType::kTexture ? texture_options(w, &p) : initial_value(w, &p);
    if (!ok) return;
    if (p.type == ParameterType::kTexture) stageTextures_[p.stage] = p.name;
    parameterLines_[p.name] = p.line;
    out_->parameters.push_back(p);
  }

  bool initial_value(const std::vector<std::string>& w, EffectParameter* p) {
    if (w.size() == 3) return true;
    if (p->type == ParameterType::kMatrix) return rejected("a float4x4 takes no initial value");
    if (w.size() != 5 || w[3] != "=") return rejected("expected '= <value>' after the parameter's name");
    long long n = 0;
    switch (p->type) {
      case ParameterType::kFloat:
        if (!parse_float(w[4], &p->initialFloat)) return rejected(quoted(w[4]) + " is not a float");
        return true;
      case ParameterType::kInt:
        if (!parse_integer(w[4], INT32_MIN, INT32_MAX, &n)) return rejected(quoted(w[4]) + " is not an int");
        p->initialInt = static_cast<int>(n);
        return true;
      default:
        if (!parse_integer(w[4], 0, 0xFFFFFFFFLL, &n))
          return rejected(quoted(w[4]) + " is not a colour (0xAARRGGBB)");
        p->initialColor = static_cast<DWORD>(n);
        return true;
    }
  }

  bool texture_options(const std::vector<std::string>& w, EffectParameter* p) {
    for (size_t i = 3; i < w.size(); i += 2) {
      if (i + 1 >= w.size()) return rejected(quoted(w[i]) + " needs a value");
      const std::string& option = w[i];
      const std::string& value = w[i + 1];
      long long n = 0;
      if (option == "stage") {
        if (!parse_integer(value, 0, kSamplerStages - 1, &n))
          return rejected("the stage must be 0 to " + std::to_string(kSamplerStages - 1));
        p->stage = static_cast<int>(n);
      } else if (option == "filter") {
        if (!find_value(kFilters, value, &p->filter))
          return rejected("unknown filter " + quoted(value) + " (" + value_names(kFilters) + ")");
      } else if (option == "address") {
        if (!find_value(kAddresses, value, &p->address))
          return rejected("unknown address mode " + quoted(value) + " (" + value_names(kAddresses) + ")");
      } else {
        return rejected("unknown texture option " + quoted(option) + " (stage, filter or address)");
      }
    }
    if (p->stage < 0) return rejected("texture " + quoted(p->name) + " needs 'stage <n>'");
    const std::string& taken = stageTextures_[p->stage];
    if (!taken.empty())
      return rejected("stage " + std::to_string(p->stage) + " already takes texture " + quoted(taken));
    return true;
  }

  void technique(const std::vector<std::string>& w) {
    close_technique();
    if (w.size() != 2 || !is_identifier(w[1])) return fail("expected 'technique <name>'");
    const auto defined = techniqueLines_.find(w[1]);
    if (defined != techniqueLines_.end())
      return fail("technique " + quoted(w[1]) + " is already defined on line " +
                  std::to_string(defined->second));
    techniqueLines_[w[1]] = line_;
    out_->techniques.push_back(EffectTechnique{w[1], line_, {}});
    technique_ = &out_->techniques.back();
    passLines_.clear();
  }

  void pass(const std::vector<std::string>& w) {
    close_pass();
    if (!technique_) return fail("'pass' outside a technique");
    if (w.size() > 2 || (w.size() == 2 && !is_identifier(w[1]))) return fail("expected 'pass [<name>]'");
    std::string name = w.size() == 2 ? w[1] : "";
    if (!name.empty()) {
      const auto defined = passLines_.find(name);
      if (defined != passLines_.end())
        return fail("pass " + quoted(name) + " is already defined on line " +
                    std::to_string(defined->second));
      passLines_[name] = line_;
    }
    EffectPass p;
    p.name = name;
    p.line = line_;
    technique_->passes.push_back(p);
    pass_ = &technique_->passes.back();
  }

  void state(const std::vector<std::string>& w) {
    if (!pass_) return fail("'state' outside a pass");
    if (w.size() != 4 || w[2] != "=") return fail("expected 'state <name> = <value>'");
    const NamedState* named = nullptr;
    for (const NamedState& s : kStates)
      if (strcasecmp(s.name, w[1].c_str()) == 0) named = &s;
    if (!named) {
      std::string names;
      for (const NamedState& s : kStates) names += std::string(names.empty() ? "" : ", ") + s.name;
      return fail("unknown render state " + quoted(w[1]) + " (" + names + ")");
    }
    DWORD value = 0;
    bool ok = false;
    std::string expected;
    long long n = 0;
    switch (named->kind) {
      case StateKind::kBool:
        ok = find_value(kBools, w[3], &value);
        expected = value_names(kBools);
        break;
      case StateKind::kBlend:
        ok = find_value(kBlends, w[3], &value);
        expected = value_names(kBlends);
        break;
      case StateKind::kCompare:
        ok = find_value(kCompares, w[3], &value);
        expected = value_names(kCompares);
        break;
      case StateKind::kCull:
        ok = find_value(kCulls, w[3], &value);
        expected = value_names(kCulls);
        break;
      case StateKind::kByte:
        ok = parse_integer(w[3], 0, 255, &n);
        value = static_cast<DWORD>(n);
        expected = "0 to 255";
        break;
    }
    if (!ok) return fail(quoted(w[3]) + " is not a value of " + named->name + " (" + expected + ")");
    for (EffectRenderState& earlier : pass_->states)
      if (earlier.state == named->state) {
        earlier.value = value;  // the last setting wins
        return;
      }
    pass_->states.push_back(EffectRenderState{named->state, value});
  }

  // The block is read to its 'end' even when faulty, so that its GLSL is not taken for
  // directives.
  void shader(const std::vector<std::string>& w) {
    EffectShaderText* target = &discarded_;
    if (!pass_) {
      fail("'" + w[0] + "' outside a pass");
    } else {
      target = w[0] == "vertex" ? &pass_->vertex : &pass_->pixel;
      if (target->firstLine != 0) fail("the pass already has a " + w[0] + " shader");
    }
    if (w.size() != 1) fail("'" + w[0] + "' stands alone on its line; the GLSL follows on the next lines");
    *target = EffectShaderText{};
    target->firstLine = line_ + 1;
    block_ = target;
    blockKind_ = w[0];
    blockLine_ = line_;
  }

  void close_pass() {
    if (!pass_) return;
    int saved = line_;
    line_ = pass_->line;
    std::string name = pass_->name.empty() ? "the pass" : "pass " + quoted(pass_->name);
    if (pass_->vertex.firstLine == 0) fail(name + " has no vertex shader");
    if (pass_->pixel.firstLine == 0) fail(name + " has no pixel shader");
    line_ = saved;
    pass_ = nullptr;
  }

  void close_technique() {
    close_pass();
    if (!technique_) return;
    if (technique_->passes.empty()) {
      int saved = line_;
      line_ = technique_->line;
      fail("technique " + quoted(technique_->name) + " has no pass");
      line_ = saved;
    }
    technique_ = nullptr;
  }

  std::string file_;
  EffectSource* out_;
  std::string* errors_;
  int line_ = 0;
  int faults_ = 0;  // reported or not
  // The line each name was first given on: a repeated name is found without going through
  // every earlier one, so reading a file stays linear in its size.
  std::map<std::string, int> parameterLines_;
  std::map<std::string, int> techniqueLines_;
  std::map<std::string, int> passLines_;       // of the current technique
  std::string stageTextures_[kSamplerStages];  // the texture parameter each stage feeds, or ""
  EffectTechnique* technique_ = nullptr;       // points into out_->techniques, only while no other is added
  EffectPass* pass_ = nullptr;
  EffectShaderText* block_ = nullptr;
  std::string blockKind_;  // "vertex" or "pixel"
  int blockLine_ = 0;
  EffectShaderText discarded_;  // a block outside any pass
};

}  // namespace

bool parse_effect(const std::string& text, const std::string& file_name, EffectSource* out,
                  std::string* errors) {
  *out = EffectSource{};
  errors->clear();
  Reader reader(file_name, out, errors);
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    reader.line(++number, raw);
  }
  return reader.finish();
}

const char* glsl_type(ParameterType type) {
  switch (type) {
    case ParameterType::kMatrix:
      return "mat4";
    case ParameterType::kTexture:
      return "sampler2D";
    case ParameterType::kFloat:
      return "float";
    case ParameterType::kInt:
      return "int";
    default:
      return "vec4";
  }
}

}  // namespace d3dx9
