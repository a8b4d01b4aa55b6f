// The parts of the effect preprocessor (effect_preprocess.h): tokens and their texts, the
// lexer, the #if expression evaluator and macro expansion under a budget.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_INTERNAL_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace d3dx9 {
namespace pp {

// Deepest nesting of #if groups in one file, of parentheses and operators in an #if
// expression, and of macro calls in the arguments of macro calls: the C standard's least
// limits, rounded up. The last two are followed by recursion, so they also bound the stack.
const int kMaxNesting = 64;

enum class Kind : uint8_t {
  kIdentifier,
  kNumber,       // a preprocessing number: 12, 0x1F, 1.5e-3f
  kString,       // "..."
  kCharacter,    // '...'
  kHeaderName,   // "file" or <file> after #include
  kPunctuator,   // + ## <<= ...
  kOther,        // any other byte
  kPlacemarker,  // an empty argument beside ## (never leaves a macro's replacement)
};

// Token flags.
const uint8_t kSpaceBefore = 1;  // white space or a comment before it
const uint8_t kNoExpand = 2;     // named a macro while that macro was being replaced: never replaced

struct Token {
  uint32_t text = 0;    // its spelling, in Texts
  uint32_t line = 0;    // the line of its file it is on (a macro's tokens: the line of the call)
  uint32_t column = 0;  // its first byte's column on that line; 0 for tokens a macro made
  Kind kind = Kind::kOther;
  uint8_t flags = 0;
};

// Every token spelling once, by number: tokens copy as four numbers, and macros are found
// by the number of their name.
class Texts {
 public:
  Texts();
  uint32_t intern(const char* text, size_t size);
  uint32_t intern(const std::string& text) { return intern(text.data(), text.size()); }
  const std::string& operator[](uint32_t id) const { return *spellings_[id]; }

  // Spellings the preprocessor looks for.
  uint32_t hash, paste, open, close, comma, ellipsis, defined, va_args, file, line, one, zero;

 private:
  std::unordered_map<std::string, uint32_t> ids_;
  std::vector<const std::string*> spellings_;  // the map's keys, which never move
};

// A fault, with the line of its file where it lies.
struct Failure {
  std::string what;
  uint32_t line = 0;
};

// ---- lexer (effect_preprocess_lex.cpp) ----

// One line after line splices and comments: a comment across lines joins them.
struct SourceLine {
  size_t first = 0, count = 0;  // its tokens
  uint32_t end_line = 0;        // the file's line it ends on
};

struct SourceFile {
  std::vector<Token> tokens;
  std::vector<SourceLine> lines;  // lines with tokens only
  uint32_t line_count = 0;        // lines of the file, the last one even without its '\n'
};

// Splits a file's text into lines of tokens. False when a comment has no end.
bool split_source(const std::string& text, Texts* texts, SourceFile* out, Failure* failure);

// The kind of `text` when it is one whole token, else false.
bool single_token(const std::string& text, Kind* kind);

// ---- #if expressions (effect_preprocess_expression.cpp) ----

// The value of an #if or #elif expression, its macros replaced and `defined` answered;
// names left are 0. False with the reason in `failure` (at the line of `tokens`' first).
bool evaluate_condition(const std::vector<Token>& tokens, const Texts& texts, bool* value, Failure* failure);

// ---- macros (effect_preprocess_macros.cpp) ----

struct Macro {
  enum class Type { kObject, kFunction, kLine, kFile };
  Type type = Type::kObject;
  std::vector<uint32_t> parameters;  // their names; the last is __VA_ARGS__ when variadic
  bool variadic = false;
  std::vector<Token> body;
  std::vector<int> parameter_at;  // for each body token, the parameter it names, or -1
  int open = 0;                   // replacements of it being read: then it is not replaced
};

// What macro replacement may spend in one run of the preprocessor, whatever the file: the
// macro calls replaced, the tokens replacements make (those of every rescan and of every
// argument replaced on its own included), and the bytes of new spellings # and ## make.
// The preprocessed text is at most kMaxCompiledText (128 KB, some 40 000 tokens), so a file
// that needs many times that is one whose macros grow without end. At these figures the
// costliest files we could write take under a tenth of a second and about 20 MB (a token
// is 16 bytes, and at most a few budgets' worth are kept at once); the game's own effect
// files use no macros, and a file of ordinary macros makes a few thousand tokens.
const size_t kMacroCalls = 256 * 1024;
const size_t kMacroTokens = 1024 * 1024;
const size_t kMadeBytes = 1024 * 1024;

struct Budget {
  size_t calls = kMacroCalls;
  size_t tokens = kMacroTokens;
  size_t made_bytes = kMadeBytes;
};

// Where the text being expanded is, for __FILE__ and __LINE__.
struct Place {
  std::string file;
  int64_t line_offset = 0;  // the line __LINE__ gives for line n of the file is n + line_offset
};

using Macros = std::unordered_map<uint32_t, Macro>;
using TokenSink = std::function<bool(const Token&, Failure*)>;

// Reads a #define's tokens (after the directive's name) into `macros`.
bool define_macro(const std::vector<Token>& tokens, Texts* texts, Macros* macros, Failure* failure);

// Replaces the macros of `tokens` as the C preprocessor does, each token of the result
// given to `sink` in order. With `condition`, `defined X` and `defined(X)` become 1 or 0.
// False when the budget runs out, a call is faulty or `sink` refuses a token.
bool expand_macros(const std::vector<Token>& tokens, bool condition, Texts* texts, Macros* macros,
                   Budget* budget, const Place& place, const TokenSink& sink, Failure* failure);

}  // namespace pp
}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_INTERNAL_H
