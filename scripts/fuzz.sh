#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs the three side by side
# for FUZZ_SECONDS (default 90) from the seed corpus in fuzz/corpus (fuzz/CMakeLists.txt).
# Any finding fails, its input kept in build/fuzz/findings.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
cmake --preset fuzz -DRAVELLE_FUZZ_SECONDS="${FUZZ_SECONDS:-90}" >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
echo "== fuzz-kernels, fuzz-pointer, fuzz-picture: side by side for ${FUZZ_SECONDS:-90} s"
ctest --preset fuzz
# What each ran through, and at what peak memory.
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 } /^stat::(number_of_executed_units|peak_rss_mb)/ {
    gsub(/ +/, " "); line[name] = line[name] " " $0 } END { for (n in line) print "   " n ":" line[n] }' \
    build/fuzz/Testing/Temporary/LastTest.log | sort
