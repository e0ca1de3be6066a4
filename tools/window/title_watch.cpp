// title_watch.cpp: runs the program in a private Xvfb and reads every title it writes for a
// while; prints the median MTicks and FPS. Usage: ravelle-title-watch PROGRAM SECONDS
// The program inherits this tool's environment (OMP_WAIT_POLICY, OMP_NUM_THREADS, ...).
#include <algorithm>
#include <cstdio>
#include <exception>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness/harness.hpp"

namespace {

constexpr auto WARM_UP = std::chrono::seconds(3);  // start-up and the first titles left out

double median(std::vector<double> values) {
    if (values.empty()) throw std::runtime_error("the program wrote no statistics title");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: ravelle-title-watch PROGRAM SECONDS\n", stderr);
        return 2;
    }
    using namespace e2e;
    try {
        const auto seconds = std::chrono::seconds(std::stoi(argv[2]));
        armWatchdog(seconds + WARM_UP + 30s);
        Session session(argv[1]);
        session.move(50, 50);
        std::this_thread::sleep_for(WARM_UP);

        const std::regex title(
            R"(^Ravelle - Procedural Generaion: (-?[0-9]+\.[0-9]) MTicks - ([0-9]+) FPS$)");
        ::Display* display = session.display();
        const Atom wmName = XInternAtom(display, "WM_NAME", False);
        XSync(display, True);  // only titles written from now on
        std::vector<double> mticks;
        std::vector<double> fps;
        const auto end = Clock::now() + seconds;
        while (Clock::now() < end) {
            bool written = false;
            while (XPending(display) > 0) {
                XEvent event{};
                XNextEvent(display, &event);
                written |= event.type == PropertyNotify && event.xproperty.atom == wmName;
            }
            std::smatch match;
            const std::string text = written ? session.wmName() : "";
            if (written && std::regex_match(text, match, title)) {
                mticks.push_back(std::stod(match[1].str()));
                fps.push_back(std::stod(match[2].str()));
            }
            std::this_thread::sleep_for(20ms);
        }
        std::printf("%.2f %.0f %zu\n", median(mticks), median(fps), mticks.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ravelle-title-watch: %s\n", error.what());
        return 1;
    }
    return 0;
}
