// In a browser there are no threads to give glslang a stack of its own: it runs on the
// program's, which the link makes large (web/CMakeLists.txt), and the stack check the link
// adds stops the program rather than let a text nested past it overwrite memory.
#include "../d3dx9/compiler_stack.h"

namespace d3dx9 {

bool on_compiler_stack(const std::function<void()>& work) {
  work();
  return true;
}

}  // namespace d3dx9
