#pragma once
// Square roots taken two at a time where the processor has one instruction for two (SSE2): the
// same correctly rounded results as std::sqrt, in about half the time where roots are the
// bottleneck (triangle areas in voxel and world units).

#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Stravol {

// Two doubles in the lanes of one register (GCC's vector extension): arithmetic on it does
// each lane's operation as on a double alone.
using Double2 = double __attribute__((vector_size(2 * sizeof(double))));

inline Double2 racines(Double2 a) {
#ifdef __SSE2__
    return _mm_sqrt_pd(a);
#else
    return Double2{std::sqrt(a[0]), std::sqrt(a[1])};
#endif
}

inline void racines(double a, double b, double& ra, double& rb) {
    const Double2 r = racines(Double2{a, b});
    ra = r[0];
    rb = r[1];
}

} // namespace Stravol
