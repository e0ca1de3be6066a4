// kernels_bench.cpp: times the wave step, the refraction and the whole step (both) on
// rainy surfaces, the reference kernels against the program's on each vector target, and a
// memory copy of the bytes a whole step moves, for the bandwidth it cannot beat.
//
// Names read KERNEL/SIDE/IMPLEMENTATION[/threads:N], IMPLEMENTATION being `reference`, a
// vector target's name in lower case, or `memcpy`; `cells` counts field cells per second.
// The JSON context names the processor and its targets, best first.
// An iteration of the whole step does what the program does per step: wave step,
// refraction of the new surface, swap of the fields and four raindrops; the wave step alone
// leaves out the refraction. The refraction alone takes the surfaces of successive steps in
// turn: refracting one surface over and over would let the branch predictor learn it.
//
// The whole step as the program meets it, once per frame period, at the program's picture
// size: `step-swept` after the team's threads have swept a frame's worth of other memory
// (what drawing some twenty frames between two steps does to the caches), `step-asleep`
// after the calling thread has slept for a frame period (the waiting threads are then
// wherever the OpenMP runtime's wait policy puts them after that long), and `step-cold`
// after both, the sweep first. Only the step itself is timed.

#include <benchmark/benchmark.h>

#include <cctype>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/vector_targets.hpp"
#include "imaging/refraction_kernel.hpp"
#include "sim/wave_kernel.hpp"
#include "tests/support/reference_kernels.hpp"
#include "tests/support/team_size.hpp"
#include "tests/support/test_fields.hpp"

namespace {

constexpr int SIDES[] = {512, 2048, 4096};
constexpr int RAIN_DROPS_PER_STEP = 4;  // as the program rains
constexpr int SETUP_STEPS = 300;
constexpr int SURFACES = 8;  // successive surfaces the refraction alone cycles through

// The program's picture side, for the cold step; a frame period, and the bytes drawn
// meanwhile: the step's own 4 MB are about what llvmpipe touches over twenty frames.
constexpr int COLD_SIDE = 512;
constexpr auto STEP_PERIOD = std::chrono::milliseconds(40);
constexpr std::size_t FRAME_TRAFFIC_BYTES = std::size_t{8} << 20;
// Each cold step takes a frame period, so a cold row runs a fixed number of them.
constexpr int COLD_STEPS = 25;

using Field = std::vector<std::int16_t>;

// The surfaces of one side, made once with the program's kernel (it is exact): SETUP_STEPS
// rainy steps from a flat surface with drops of 100..349 as the program makes them, then
// SURFACES more steps; and a random picture.
struct Scene {
    int side = 0;
    Field latest, previous;  // after SETUP_STEPS
    std::vector<Field> surfaces;
    std::vector<std::uint8_t> source;
    testing_fields::Random random{2024};

    std::size_t cells() const { return testing_fields::cells(side, side); }
    void rain(Field& field) {
        for (int i = 0; i < RAIN_DROPS_PER_STEP; ++i) {
            sim::addToCell(field.data(), side, random.below(side), random.below(side),
                           100 + random.below(250));
        }
    }
};

Scene& sceneOfSide(int side) {
    static std::map<int, Scene> scenes;
    auto [it, made] = scenes.try_emplace(side);
    Scene& scene = it->second;
    if (!made) return scene;
    scene.side = side;
    Field latest(scene.cells(), 0), previous(scene.cells(), 0);
    scene.rain(latest);
    for (int step = 0; step < SETUP_STEPS + SURFACES; ++step) {
        if (step == SETUP_STEPS) {
            scene.latest = latest;
            scene.previous = previous;
        }
        sim::waveStep(latest.data(), previous.data(), side, side);
        if (step >= SETUP_STEPS) scene.surfaces.push_back(previous);
        latest.swap(previous);
        scene.rain(latest);
    }
    scene.source = testing_fields::randomPicture(side, side, scene.random);
    return scene;
}

enum class Kernel : std::uint8_t { Wave, Refraction, Step, Copy };

// What happens between two timed whole steps.
struct Between {
    bool sweep;
    bool sleep;
};
constexpr Between HOT{.sweep = false, .sleep = false};

struct Implementation {
    bool reference;
    std::int64_t target;  // for the program's kernels
    int threads;
};

// A whole step reads the two fields and the source picture and writes the new field and the
// output picture: 2 + 2 + 2 + 4 + 4 bytes a cell. Copying half of that moves as many bytes.
constexpr std::size_t BYTES_MOVED_PER_CELL = 14;

void runCopy(benchmark::State& state, const Scene& scene) {
    const std::size_t bytes = scene.cells() * BYTES_MOVED_PER_CELL / 2;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
}

void runRefraction(benchmark::State& state, Scene& scene, bool reference) {
    const int side = scene.side;
    std::vector<std::uint8_t> output(scene.cells() * 4, 0);
    std::size_t next = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        const Field& surface = scene.surfaces[next];
        next = (next + 1) % scene.surfaces.size();
        if (reference) {
            reference::refract(surface.data(), scene.source.data(), output.data(), side, side);
        } else {
            imaging::refract(surface.data(), scene.source.data(), output.data(), side, side);
        }
        benchmark::ClobberMemory();
    }
}

// Reads and rewrites every cache line of `traffic`, each thread of the team its own share,
// as drawing does on every processor; the sum keeps the reads from being dropped.
void sweepCaches(std::vector<std::uint8_t>& traffic) {
    constexpr std::size_t LINE = 64;
    const auto lines = static_cast<long>(traffic.size() / LINE);
    unsigned sum = 0;
#pragma omp parallel for schedule(static) reduction(+ : sum)
    for (long line = 0; line < lines; ++line) {
        std::uint8_t& byte = traffic[static_cast<std::size_t>(line) * LINE];
        sum += byte;
        byte = static_cast<std::uint8_t>(byte + 1);
    }
    benchmark::DoNotOptimize(sum);
}

void runSteps(benchmark::State& state, Scene& scene, bool reference, bool refract,
              Between between) {
    const int side = scene.side;
    Field latest = scene.latest, previous = scene.previous;
    std::vector<std::uint8_t> output(scene.cells() * 4, 0);
    std::vector<std::uint8_t> traffic(between.sweep ? FRAME_TRAFFIC_BYTES : 0, 0);
    const bool pause = between.sweep || between.sleep;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        if (pause) {
            state.PauseTiming();
            if (between.sweep) sweepCaches(traffic);
            if (between.sleep) std::this_thread::sleep_for(STEP_PERIOD);
            state.ResumeTiming();
        }
        if (reference) {
            reference::waveStep(latest.data(), previous.data(), side, side);
        } else {
            sim::waveStep(latest.data(), previous.data(), side, side);
        }
        if (refract && reference) {
            reference::refract(previous.data(), scene.source.data(), output.data(), side, side);
        } else if (refract) {
            imaging::refract(previous.data(), scene.source.data(), output.data(), side, side);
        }
        latest.swap(previous);
        scene.rain(latest);
        benchmark::ClobberMemory();
    }
}

void run(benchmark::State& state, Kernel kernel, int side, Implementation implementation,
         Between between) {
    Scene& scene = sceneOfSide(side);
    testing_fields::setTeamSize(implementation.threads);
    if (!implementation.reference && !common::useVectorTarget(implementation.target)) {
        state.SkipWithError("this processor lacks the target");
        return;
    }
    if (kernel == Kernel::Copy) {
        runCopy(state, scene);
    } else if (kernel == Kernel::Refraction) {
        runRefraction(state, scene, implementation.reference);
    } else {
        runSteps(state, scene, implementation.reference, kernel == Kernel::Step, between);
    }
    state.counters["cells"] = benchmark::Counter(static_cast<double>(scene.cells()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
    common::useBestVectorTarget();
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The processor's model name as Linux reports it, for the results' context.
std::string processorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        const auto colon = line.find(':');
        if (line.starts_with("model name") && colon != std::string::npos) {
            return line.substr(line.find_first_not_of(" \t", colon + 1));
        }
    }
    return "unknown processor";
}

void registerAll() {
    const std::pair<Kernel, const char*> kernels[] = {
        {Kernel::Wave, "wave"}, {Kernel::Refraction, "refraction"}, {Kernel::Step, "step"}};
    const std::pair<Between, const char*> betweenSteps[] = {
        {{.sweep = true, .sleep = false}, "step-swept"},
        {{.sweep = false, .sleep = true}, "step-asleep"},
        {{.sweep = true, .sleep = true}, "step-cold"}};
#ifdef _OPENMP
    const int teams[] = {1, 2};
#else
    const int teams[] = {1};
#endif
    const auto add = [](const std::string& name, Kernel kernel, int side, Implementation how,
                        Between between = HOT) {
        // Debian 12's Google Benchmark (1.7) takes the name only as a C string.
        // NOLINTNEXTLINE(readability-redundant-string-cstr)
        auto* added = benchmark::RegisterBenchmark(name.c_str(), run, kernel, side, how, between)
                          ->Unit(benchmark::kMicrosecond)
                          ->UseRealTime();
        if (between.sweep || between.sleep) added->Iterations(COLD_STEPS);
    };
    const auto programPaths = [&](const std::string& prefix, Kernel kernel, int side,
                                  Between between) {
        for (const std::int64_t target : common::vectorTargets()) {
            for (const int threads : teams) {
#ifdef _OPENMP
                const std::string name = prefix + lowerCase(common::vectorTargetName(target)) +
                                         "/threads:" + std::to_string(threads);
#else
                const std::string name = prefix + lowerCase(common::vectorTargetName(target));
#endif
                add(name, kernel, side, {.reference = false, .target = target, .threads = threads},
                    between);
            }
        }
    };
    std::string targetNames;
    for (const std::int64_t target : common::vectorTargets()) {
        if (!targetNames.empty()) targetNames += ' ';
        targetNames += lowerCase(common::vectorTargetName(target));
    }
    benchmark::AddCustomContext("processor", processorName());
    benchmark::AddCustomContext("targets", targetNames);

    for (const int side : SIDES) {
        add("copy/" + std::to_string(side) + "/memcpy", Kernel::Copy, side,
            {.reference = true, .target = 0, .threads = 1});
    }
    for (const auto& [kernel, kernelName] : kernels) {
        for (const int side : SIDES) {
            const std::string prefix = std::string(kernelName) + "/" + std::to_string(side) + "/";
            // The reference is one plain loop: threads would not change it.
            add(prefix + "reference", kernel, side, {.reference = true, .target = 0, .threads = 1});
            programPaths(prefix, kernel, side, HOT);
        }
    }
    // Against the hot step of the same path; the reference would only repeat its plain loop.
    for (const auto& [between, name] : betweenSteps) {
        programPaths(std::string(name) + "/" + std::to_string(COLD_SIDE) + "/", Kernel::Step,
                     COLD_SIDE, between);
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
