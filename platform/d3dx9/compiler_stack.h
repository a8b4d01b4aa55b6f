// The stack the HLSL compiler runs on. glslang's preprocessor, its parser and its passes
// over the parse tree recurse once per level of nesting, taking up to about a kilobyte of
// stack per byte of text (brackets or macro calls nested in each other; half as much per
// term of a long sum or link of an else-if chain). Each target gives it what it can
// (desktop/compiler_stack.cpp, browser/compiler_stack.cpp).
#ifndef VORNEX_PLATFORM_D3DX9_COMPILER_STACK_H
#define VORNEX_PLATFORM_D3DX9_COMPILER_STACK_H

#include <functional>

namespace d3dx9 {

// Runs `work` with the compiler's stack and returns when it is done; false when it could
// not be run at all.
bool on_compiler_stack(const std::function<void()>& work);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_COMPILER_STACK_H
