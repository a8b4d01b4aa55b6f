// A World at its busiest, for the benchmarks: every enemy slot of the opening in play,
// all 100 bolts in flight and all 1000 particles alive, spread through the view ahead.
#ifndef VORNEX_TOOLS_BENCH_FULL_POOLS_H
#define VORNEX_TOOLS_BENCH_FULL_POOLS_H

struct World;

// Re-arms the pools in front of the camera, the same way every call: bolts hanging
// still in a 10 x 10 grid, particles in a 40 x 25 sheet, each with a full life, and the
// game clock reset so that the game never ends during a benchmark.
void fill_pools(World& world);

#endif  // VORNEX_TOOLS_BENCH_FULL_POOLS_H
