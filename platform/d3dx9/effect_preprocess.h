// The C preprocessor as the HLSL effect compiler runs it over an effect file, before the
// effect framework is read and its functions are compiled: line splices, comments, #define
// (with arguments, # and ##, __VA_ARGS__), #undef, #if/#ifdef/#ifndef/#elif/#else/#endif,
// #include of files beside the effect, #line, #error, #pragma (kept for the HLSL compiler)
// and __FILE__/__LINE__.
//
// Effect files are data a player may edit, so every cost is bounded while it runs: the
// bytes read (the file and what it includes, kMaxEffectText), the text it gives
// (kMaxCompiledText), the macro calls and the tokens they make, and every kind of nesting.
// Any file is accepted or refused within a fraction of a second and a few tens of megabytes.
// Plain C++ without the HLSL compiler; no state outside a call.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_H

#include <cstddef>
#include <string>

namespace d3dx9 {

// The most bytes of effect file, with the files it includes, that are read.
const size_t kMaxEffectText = 64 * 1024;
// The most text the preprocessor gives, which the HLSL compiler then takes.
const size_t kMaxCompiledText = 2 * kMaxEffectText;

// Runs the preprocessor over an effect file's `text` (#define, #if, #include of files
// beside `file_name`), comments dropped and the lines kept: each line of the file gives one
// line of `out`, and `#line N "name"` lines mark where an included file starts and where
// the file including it resumes. #pragma lines are kept as they are. False with the
// messages in `errors` ("<file_name>(<line>): error: ...", printable) when a directive is
// faulty or a limit is passed.
bool preprocess_effect(const std::string& text, const std::string& file_name, std::string* out,
                       std::string* errors);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_PREPROCESS_H
