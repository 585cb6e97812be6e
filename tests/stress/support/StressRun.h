#pragma once

#include <functional>

namespace stress {

// How long a stress test runs. ctest runs the short defaults; scripts/soak sets the variables to
// run for minutes: MP2_STRESS_SECONDS (the clock walk's length in wall seconds), MP2_STRESS_CYCLES
// (load-to-close cycles of each kind) and MP2_STRESS_SEED (the walk's random seed).
double walkSeconds();
int cycles();
unsigned seed();

// What the process holds that an object left behind would keep: threads and open files.
struct Census {
    int threads = 0;
    int openFiles = 0;
};
Census census();
// The census once the event loop has had a moment to finish what closing left to it.
Census quietCensus();
// Runs the event loop until the process holds no more than the baseline (deferred deletions and
// finishing threads get their turn); false when a hang guard runs out first.
bool settlesTo(const Census& baseline);

}  // namespace stress
