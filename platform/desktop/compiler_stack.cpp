// On the desktop glslang runs on a thread of its own with kCompilerStack bytes of stack,
// waited for: a thread's usual 8 MB ends at some 8 KB of deeply nested text, and the
// compiler is given up to kMaxCompiledText (effect_preprocess.h). Memory is taken only as
// the stack grows.
#include "../d3dx9/compiler_stack.h"

#include <pthread.h>

#include <cstddef>

namespace d3dx9 {
namespace {
const size_t kCompilerStack = 256 * 1024 * 1024;
}  // namespace

bool on_compiler_stack(const std::function<void()>& work) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  auto run = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  const bool started = pthread_attr_setstacksize(&attributes, kCompilerStack) == 0 &&
                       pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attributes);
  if (started) pthread_join(thread, nullptr);
  return started;
}

}  // namespace d3dx9
