#pragma once
// Thread count of the computations that run in parallel (slice decoding, region building and
// repair, mesh normals, smoothing, textures). Their results never depend on it: every thread
// writes its own elements, sums keep their sequential order and lists gathered from the threads
// are joined in order or sorted.

#include <cstddef>

namespace Stravol {

// Below this many elements a loop runs on the calling thread: starting threads would cost more.
constexpr int kSeuilParallele = 16384;
// Elements a thread takes at a time in the passes repeated over a mesh's vertices (smoothing
// rounds): taken as the threads come free, so that a processor slowed for a while by the
// machine's other work does not hold the others at the end of every pass.
constexpr int kSommetsParTache = 4096;

// Threads for a pass over n elements: all of them, or the calling one alone below the threshold.
int nbThreadsPour(std::size_t n);

// n > 0: at most n threads; 0 (the default): one per processor. Negative values count as 0.
// Starts the threads of the new count (preparerThreads).
void definirNbThreads(int n);
// The count in force, at least 1.
int nbThreads();
// Starts the nbThreads() threads of the parallel stages now, while memory allows: every later
// stage reuses them. A stage that had to start a thread once memory has run out would end the
// process, since the OpenMP runtime cannot report that failure.
void preparerThreads();

} // namespace Stravol
