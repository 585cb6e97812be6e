#pragma once

#include <string>

namespace stress {

// How long a stress test runs. ctest runs the short defaults; scripts/soak sets the variables to
// run for minutes: MP2_STRESS_SECONDS (the clock walk's length in wall seconds), MP2_STRESS_CYCLES
// (load-to-close cycles of each kind) and MP2_STRESS_SEED (the walk's random seed).
double walkSeconds();
int cycles();
unsigned seed();

// Threads and open files: what an object left behind would keep.
struct Census {
    int threads = 0;
    int openFiles = 0;
};
// The census once the event loop has had a moment to finish what closing left to it.
Census quietCensus();
// Runs the event loop until the process holds no more than the baseline (deferred deletions and
// finishing threads get their turn): empty then, else what was left when a hang guard ran out.
std::string leftOver(const Census& baseline);

}  // namespace stress
