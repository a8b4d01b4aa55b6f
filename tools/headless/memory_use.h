// The process's memory use, as the kernel counts it.
#ifndef VORNEX_TOOLS_HEADLESS_MEMORY_USE_H
#define VORNEX_TOOLS_HEADLESS_MEMORY_USE_H

struct MemoryUse {
  long peakKb = 0;      // the most resident memory the process has had so far
  long residentKb = 0;  // resident memory now
};

MemoryUse memory_use();

#endif  // VORNEX_TOOLS_HEADLESS_MEMORY_USE_H
