// identity_test.cpp: what the desktop learns about the program's window under a window
// manager (openbox): its WM_CLASS is the one its menu entry names, so a shell ties the two
// together, and its _NET_WM_ICON holds the committed icons pixel for pixel.
// RAVELLE_E2E_DESKTOP_ENTRY names the menu entry to compare with (default: the source tree's);
// RAVELLE_E2E_ICON_SIZES the icon sizes expected (default: the five the program declares).

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness/harness.hpp"

namespace e2e {
namespace {

const std::string PROGRAM = RAVELLE_PROGRAM;
constexpr auto TEST_LIMIT = 110s;

std::string setting(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The value of `key` in the [Desktop Entry] group of the entry at `path`.
std::optional<std::string> desktopEntryValue(const std::string& path, const std::string& key) {
    std::ifstream entry(path);
    if (!entry) throw std::runtime_error("cannot read the desktop entry " + path);
    bool inMainGroup = false;
    for (std::string line; std::getline(entry, line);) {
        if (line.starts_with("[")) inMainGroup = line == "[Desktop Entry]";
        if (inMainGroup && line.starts_with(key + "=")) return line.substr(key.size() + 1);
    }
    return std::nullopt;
}

// The committed icon of `size` pixels as 0xAARRGGBB, top row first.
IconImage committedIcon(int size) {
    const std::string path =
        std::string(RAVELLE_ICON_DIR) + "/ravelle-" + std::to_string(size) + ".png";
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        throw std::runtime_error("cannot read " + path);
    }
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr) == 0) {
        throw std::runtime_error("cannot decode " + path);
    }
    IconImage icon{
        .width = static_cast<int>(png.width), .height = static_cast<int>(png.height), .argb = {}};
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        icon.argb.push_back(std::uint32_t{rgba[i + 3]} << 24U | std::uint32_t{rgba[i]} << 16U |
                            std::uint32_t{rgba[i + 1]} << 8U | rgba[i + 2]);
    }
    return icon;
}

// Reads until `accept` holds or 10 s pass, and returns the last value read. The program names
// its window right after creating it, so the first look may come too early; and openbox gives
// a window that has no icon when it appears a blank one of its own, until the program's arrives.
template <class Read, class Accept>
auto readUntil(Read read, Accept accept) {
    const auto deadline = Clock::now() + 10s;
    auto value = read();
    while (!accept(value) && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        value = read();
    }
    return value;
}

std::set<int> sizesOf(const std::vector<IconImage>& images) {
    std::set<int> sizes;
    for (const IconImage& image : images) sizes.insert(image.width);
    return sizes;
}

class WindowIdentity : public ::testing::Test {
  protected:
    void SetUp() override { armWatchdog(TEST_LIMIT); }
    void TearDown() override { armWatchdog(0s); }
};

TEST_F(WindowIdentity, ClassIsTheOneItsMenuEntryNames) {
    const std::string entry = setting("RAVELLE_E2E_DESKTOP_ENTRY", RAVELLE_DESKTOP_ENTRY);
    const auto wanted = desktopEntryValue(entry, "StartupWMClass");
    const auto exec = desktopEntryValue(entry, "Exec");
    if (!wanted || wanted->empty()) FAIL() << entry << " names no StartupWMClass";
    if (!exec) FAIL() << entry << " has no Exec line";

    Session session(PROGRAM, -1, true);
    const auto names = readUntil([&] { return session.wmClass(); },
                                 [](const auto& value) { return value.has_value(); });
    if (!names) FAIL() << "the window has no WM_CLASS";
    EXPECT_EQ(names->second, *wanted) << "WM_CLASS class against " << entry;
    // The instance is the program's own name, as the entry starts it.
    EXPECT_EQ(names->first, exec->substr(exec->find_last_of('/') + 1)) << "WM_CLASS instance";
}

TEST_F(WindowIdentity, IconHoldsTheCommittedImages) {
    std::set<int> expected;
    std::istringstream sizes(setting("RAVELLE_E2E_ICON_SIZES", "16 32 48 64 128"));
    for (int size = 0; sizes >> size;) expected.insert(size);

    Session session(PROGRAM, -1, true);
    const std::vector<IconImage> images =
        readUntil([&] { return session.netWmIcon(); },
                  [&](const std::vector<IconImage>& value) { return sizesOf(value) == expected; });
    std::set<int> seen;
    for (const IconImage& image : images) {
        SCOPED_TRACE("icon of " + std::to_string(image.width) + " x " +
                     std::to_string(image.height));
        ASSERT_EQ(image.width, image.height);
        ASSERT_TRUE(expected.contains(image.width)) << "a size the program should not declare";
        EXPECT_TRUE(seen.insert(image.width).second) << "the same size twice";
        const IconImage committed = committedIcon(image.width);
        ASSERT_EQ(committed.width, image.width) << "the committed PNG's size";
        // A fully transparent pixel shows nothing, whatever colour it holds.
        std::size_t differing = 0;
        std::ostringstream first;
        for (std::size_t i = 0; i < image.argb.size(); ++i) {
            const std::uint32_t shown = image.argb[i];
            const std::uint32_t png = committed.argb[i];
            if (shown == png || (shown >> 24U == 0 && png >> 24U == 0)) continue;
            if (differing++ == 0) {
                first << "pixel (" << i % static_cast<std::size_t>(image.width) << ", "
                      << i / static_cast<std::size_t>(image.width) << ") is 0x" << std::hex << shown
                      << ", the PNG's 0x" << png;
            }
        }
        EXPECT_EQ(differing, 0U) << first.str();
    }
    EXPECT_EQ(seen, expected) << "the icon's sizes";
}

}  // namespace
}  // namespace e2e
