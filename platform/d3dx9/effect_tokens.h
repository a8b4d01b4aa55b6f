// The effect reader's tokens: an effect file's preprocessed text split into words,
// numbers, strings and marks, each with its place in the file (a #line directive the
// preprocessor left moves it), and the pieces of text messages repeat.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_TOKENS_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_TOKENS_H

#include <cstddef>
#include <string>
#include <vector>

namespace d3dx9 {
namespace fx {

enum class Kind { kWord, kNumber, kString, kMark, kEnd };

struct Token {
  Kind kind = Kind::kEnd;
  std::string text;
  size_t begin = 0, end = 0;  // bytes of the text
  int line = 0, column = 0;
  std::string file;  // the file the line belongs to (#line may name an included one)
};

// Splits the text into tokens, skipping comments and following #line directives; the last
// token is a kEnd at the end of the text.
std::vector<Token> tokenize(const std::string& text, const std::string& file_name);

// A number token's value (suffixes f, h, l allowed); false when it is none. An integer
// with a leading 0 is octal, as in C and to the HLSL compiler.
bool number_value(const std::string& s, double* out);

// The file's text as an error message shows it: between single quotes, made printable (see
// printable_text.h) and cut short after a few dozen bytes.
std::string quoted(const std::string& text);

}  // namespace fx
}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_TOKENS_H
