// team_size.hpp: the OpenMP team that the kernels' parallel loops use, as tests and
// benchmarks set it; in the serial build there is only ever the calling thread.
#pragma once

#ifdef _OPENMP
#include <omp.h>
#endif

namespace testing_fields {

inline void setTeamSize(int threads) {
#ifdef _OPENMP
    omp_set_num_threads(threads);
#else
    (void)threads;
#endif
}

inline int teamSize() {
#ifdef _OPENMP
    return omp_get_max_threads();
#else
    return 1;
#endif
}

}  // namespace testing_fields
