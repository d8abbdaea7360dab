// The benchmarks of drawing the groups and filling big tables.
#include "live_groups.inc"

BENCHMARK_MAIN();
