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

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
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

enum class Kernel { Wave, Refraction, Step, Copy };

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

void runSteps(benchmark::State& state, Scene& scene, bool reference, bool refract) {
    const int side = scene.side;
    Field latest = scene.latest, previous = scene.previous;
    std::vector<std::uint8_t> output(scene.cells() * 4, 0);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
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

void run(benchmark::State& state, Kernel kernel, int side, Implementation implementation) {
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
        runSteps(state, scene, implementation.reference, kernel == Kernel::Step);
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
        if (line.rfind("model name", 0) == 0 && colon != std::string::npos) {
            return line.substr(line.find_first_not_of(" \t", colon + 1));
        }
    }
    return "unknown processor";
}

void registerAll() {
    const std::pair<Kernel, const char*> kernels[] = {
        {Kernel::Wave, "wave"}, {Kernel::Refraction, "refraction"}, {Kernel::Step, "step"}};
#ifdef _OPENMP
    const int teams[] = {1, 2};
#else
    const int teams[] = {1};
#endif
    const auto add = [](const std::string& name, Kernel kernel, int side, Implementation how) {
        benchmark::RegisterBenchmark(name.c_str(), run, kernel, side, how)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    };
    std::string targetNames;
    for (const std::int64_t target : common::vectorTargets()) {
        if (!targetNames.empty()) targetNames += ' ';
        targetNames += lowerCase(common::vectorTargetName(target));
    }
    benchmark::AddCustomContext("processor", processorName());
    benchmark::AddCustomContext("targets", targetNames);

    for (const int side : SIDES) {
        add("copy/" + std::to_string(side) + "/memcpy", Kernel::Copy, side, {true, 0, 1});
    }
    for (const auto& [kernel, kernelName] : kernels) {
        for (const int side : SIDES) {
            const std::string prefix = std::string(kernelName) + "/" + std::to_string(side) + "/";
            // The reference is one plain loop: threads would not change it.
            add(prefix + "reference", kernel, side, {true, 0, 1});
            for (const std::int64_t target : common::vectorTargets()) {
                for (const int threads : teams) {
                    std::string name = prefix + lowerCase(common::vectorTargetName(target));
#ifdef _OPENMP
                    name += "/threads:" + std::to_string(threads);
#endif
                    add(name, kernel, side, {false, target, threads});
                }
            }
        }
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
