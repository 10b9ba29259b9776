#pragma once
// Thread count of the computations that run in parallel (region building, smoothing, normals).
// Their results never depend on it: every thread writes its own elements and sums keep their
// sequential order.

namespace Stravol {

// Below this many elements a loop runs on the calling thread: starting threads would cost more.
constexpr int kSeuilParallele = 16384;

// n > 0: at most n threads; 0 (the default): one per processor. Negative values count as 0.
void definirNbThreads(int n);
// The count in force, at least 1.
int nbThreads();

} // namespace Stravol
