// wait_policy_win32.cpp: OpenMP threads wait for work without spinning, unless the user says
// otherwise. Spinning threads take processor time from every other program for a few extra
// frames a second, and Windows has no launcher script to set OMP_WAIT_POLICY beforehand.
// As on Linux (scripts/run.sh, the installed wrapper), a policy the user chose with either
// OMP_WAIT_POLICY or GOMP_SPINCOUNT is kept as it is.

#include <cstdlib>

namespace {

// Runs before the OpenMP runtime's own start-up code, which reads the variables once: the
// lowest constructor priority is run first, and libgomp's has the default priority.
__attribute__((constructor(101))) void preferPassiveWaiting() {
    if (std::getenv("OMP_WAIT_POLICY") == nullptr && std::getenv("GOMP_SPINCOUNT") == nullptr) {
        _putenv_s("OMP_WAIT_POLICY", "passive");
    }
}

}  // namespace
