#include "memory_use.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

MemoryUse memory_use() {
  MemoryUse use;
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) use.peakKb = usage.ru_maxrss;  // kB on Linux

  // /proc/self/statm: total and resident sizes in pages.
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    long total = 0, resident = 0;
    if (std::fscanf(statm, "%ld %ld", &total, &resident) == 2)
      use.residentKb = resident * (sysconf(_SC_PAGESIZE) / 1024);
    std::fclose(statm);
  }
  return use;
}
