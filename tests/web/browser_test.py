#!/usr/bin/python3
# browser_test.py: the browser build in Debian's headless Chromium, served on 127.0.0.1:
# the canvas and the picture's place on it, the title line, the ripples, and the pointer
# stirring the water near it more than far from it; then a browser without WebGL, which the
# page must name in one line. Usage: browser_test.py PAGE_DIR [--screenshot PNG]
# (--screenshot saves the page as the README shows it). Every server and browser it starts
# is ended however it ends.
import argparse
import os
import re
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
# The modules imported from the checkout leave no byte code in it.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "web"))
import devtools  # noqa: E402
import serve  # noqa: E402

CANVAS = 800  # the window's size at start
PICTURE = 600  # the picture's side on it: three quarters, centred
MARGIN = (CANVAS - PICTURE) // 2
RATIO = 2.0  # how much more a stirred square changes than a far one, at least
TITLE = re.compile(r"^Ravelle - Procedural Generaion: (\d+\.\d) MTicks - (\d+) FPS$")

failures = []


def check(condition, what, detail=""):
    print(f"   {'ok  ' if condition else 'FAIL'} {what}{': ' + detail if detail else ''}",
          flush=True)
    if not condition:
        failures.append(what)
    return condition


def open_page(browser, url):
    browser.send("Emulation.setDeviceMetricsOverride", width=1000, height=1000,
                 deviceScaleFactor=1, mobile=False)
    browser.navigate(url)


def canvas_origin(browser):
    return browser.evaluate(
        "(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
        " return [r.x, r.y, r.width, r.height]; })()")


def canvas_shot(browser, origin):
    return browser.screenshot(origin[0], origin[1], CANVAS, CANVAS)


def picture_colours():
    """Every colour of the pool-floor picture, widened by a few units for the blending of
    the texture's linear filtering."""
    with open(os.path.join(ROOT, "resources", "pool_floor.png"), "rb") as file:
        picture = devtools.decode_png(file.read())
    exact = {picture.pixel(x, y) for y in range(picture.height) for x in range(picture.width)}
    near = set()
    for red, green, blue in exact:
        for dr in range(-3, 4):
            for dg in range(-3, 4):
                for db in range(-3, 4):
                    near.add((red + dr, green + dg, blue + db))
    total = [0, 0, 0]
    for y in range(picture.height):
        for x in range(picture.width):
            for channel, value in enumerate(picture.pixel(x, y)):
                total[channel] += value
    mean = tuple(value / (picture.width * picture.height) for value in total)
    return near, mean


def check_layout(shot):
    """Black around the centred rectangle, the picture's colours inside it."""
    colours, picture_mean = picture_colours()
    border = [shot.pixel(x, y) for y in range(0, CANVAS, 2) for x in range(0, CANVAS, 2)
              if not (MARGIN - 1 <= x <= CANVAS - MARGIN and MARGIN - 1 <= y <= CANVAS - MARGIN)]
    not_black = sum(1 for pixel in border if pixel != (0, 0, 0))
    check(not_black == 0, "black around the picture", f"{not_black} of {len(border)} not black")
    inside = [shot.pixel(x, y) for y in range(MARGIN + 1, CANVAS - MARGIN - 1, 2)
              for x in range(MARGIN + 1, CANVAS - MARGIN - 1, 2)]
    known = sum(1 for pixel in inside if pixel in colours)
    check(known >= 0.9 * len(inside), "the picture's colours in the centred 600 x 600 rectangle",
          f"{100 * known / len(inside):.1f}% of pixels are the picture's colours")
    mean = tuple(sum(pixel[c] for pixel in inside) / len(inside) for c in range(3))
    check(all(abs(mean[c] - picture_mean[c]) < 10 for c in range(3)),
          "the rectangle's mean colour is the picture's",
          f"{tuple(round(v, 1) for v in mean)} against {tuple(round(v, 1) for v in picture_mean)}")
    # The rectangle's edges: picture just inside, black just outside, on all four sides.
    edges = [(MARGIN, CANVAS // 2), (CANVAS - MARGIN - 1, CANVAS // 2), (CANVAS // 2, MARGIN),
             (CANVAS // 2, CANVAS - MARGIN - 1)]
    outside = [(MARGIN - 1, CANVAS // 2), (CANVAS - MARGIN, CANVAS // 2), (CANVAS // 2, MARGIN - 1),
               (CANVAS // 2, CANVAS - MARGIN)]
    check(all(shot.pixel(*p) != (0, 0, 0) for p in edges) and
          all(shot.pixel(*p) == (0, 0, 0) for p in outside),
          "the rectangle spans exactly pixels 100 to 699")


def difference(first, second, x0, y0, size):
    """Mean absolute difference of two shots over a square."""
    total = 0
    for y in range(y0, y0 + size):
        a, b = first.rows[y], second.rows[y]
        for i in range(3 * x0, 3 * (x0 + size)):
            total += abs(a[i] - b[i])
    return total / (3 * size * size)


def stir(browser, origin, x, y, with_button):
    """Pointer moves on a small circle around (x, y) on the canvas for a second, with the left
    button held or not; returns the shots before and after."""
    page_x, page_y = origin[0] + x, origin[1] + y
    before = canvas_shot(browser, origin)
    buttons = 1 if with_button else 0
    if with_button:
        browser.mouse("mousePressed", page_x, page_y, button="left", buttons=1)
    for step in range(30):
        offset = (-6, 0, 6, 0)[step % 4], (0, 6, 0, -6)[step % 4]
        browser.mouse("mouseMoved", page_x + offset[0], page_y + offset[1],
                      button="left" if with_button else "none", buttons=buttons)
        time.sleep(0.035)
    if with_button:
        browser.mouse("mouseReleased", page_x, page_y, button="left", buttons=0)
    after = canvas_shot(browser, origin)
    return before, after


def check_stirring(browser, origin):
    # A stirred square of the picture against eight squares 200 to 420 pixels away from both
    # stirred places (the rain falls everywhere meanwhile, so the median of those).
    box = 40
    far_centres = [(550, 250), (250, 550), (150, 650), (650, 150), (400, 150), (150, 400),
                   (650, 400), (400, 650)]
    for with_button, near in ((False, (250, 250)), (True, (550, 550))):
        # The rain can happen to stir a far square as much; a second try then decides.
        tries = []
        for _ in range(2):
            before, after = stir(browser, origin, near[0], near[1], with_button)
            near_change = difference(before, after, near[0] - box // 2, near[1] - box // 2, box)
            far = statistics.median(difference(before, after, x - box // 2, y - box // 2, box)
                                    for x, y in far_centres)
            tries.append(f"near {near_change:.2f}, far {far:.2f}")
            if near_change > RATIO * far:
                break
        name = "with a button held" if with_button else "without a button"
        check(near_change > RATIO * far, f"pointer moves {name} stir the water near them",
              "; ".join(tries) + " (mean difference per channel)")


def check_favicon(browser):
    """The page names the program's icon as its favicon, and the server hands out that PNG."""
    icon = browser.evaluate(
        "(async () => { const link = document.querySelector('link[rel=icon]');"
        " if (!link) return null;"
        " const reply = await fetch(link.href);"
        " const bytes = new Uint8Array(await reply.arrayBuffer());"
        " return [reply.status, reply.headers.get('Content-Type'), Array.from(bytes)]; })()")
    check(icon is not None, "the page names a favicon")
    status, kind, data = icon
    with open(os.path.join(ROOT, "packaging", "icons", "ravelle-32.png"), "rb") as png:
        committed = png.read()
    check(status == 200 and kind == "image/png", "the favicon is served as a PNG",
          f"status {status}, type {kind}")
    check(bytes(data) == committed, "the favicon is the program's 32-pixel icon",
          f"{len(data)} bytes served, {len(committed)} committed")


def run_page_tests(url, screenshot):
    with devtools.Chromium() as browser:
        open_page(browser, url)
        title = browser.evaluate("document.title")
        check(title == "Ravelle", "the title is the program's name at first", repr(title))
        check_favicon(browser)
        origin = canvas_origin(browser)
        size = browser.evaluate("[document.getElementById('canvas').width,"
                                " document.getElementById('canvas').height]")
        check(origin[2:] == [CANVAS, CANVAS] and size == [CANVAS, CANVAS],
              "the canvas is 800 x 800", f"{size} pixels shown as {origin[2:]}")

        # The statistics replace the title within a second or two.
        deadline, match = time.monotonic() + 10, None
        while time.monotonic() < deadline and not match:
            time.sleep(0.2)
            title = browser.evaluate("document.title")
            match = TITLE.match(title)
        check(match is not None and int(match.group(2)) > 0 and float(match.group(1)) >= 0,
              "the title shows the statistics with a positive FPS", repr(title))
        shown = browser.evaluate("document.getElementById('title').textContent")
        check(shown == browser.evaluate("document.title"), "the page shows the title line",
              repr(shown))

        first = canvas_shot(browser, origin)
        check_layout(first)
        time.sleep(0.5)
        second = canvas_shot(browser, origin)
        changed = sum(1 for y in range(MARGIN, CANVAS - MARGIN, 2)
                      for x in range(MARGIN, CANVAS - MARGIN, 2)
                      if max(abs(a - b) for a, b in zip(first.pixel(x, y), second.pixel(x, y))) > 8)
        samples = (PICTURE // 2) ** 2
        check(changed > 0.01 * samples, "the picture ripples between shots 0.5 s apart",
              f"{100 * changed / samples:.1f}% of pixels changed")

        check_stirring(browser, origin)

        errors = [line for line in browser.console_errors()
                  if not line.startswith("WARNING: using emscripten GL")]
        check(not errors, "no errors on the console", "; ".join(errors)[:300])
        if screenshot:
            with open(screenshot, "wb") as file:
                # Three fifths of the size: the README's picture of the page.
                file.write(browser.screenshot_png(0, 0, 1000, 980, scale=0.6))
            print(f"   page saved as {screenshot}")

        # The browser takes the WebGL context away: one line on the page, and the program
        # stops (its title no longer changes).
        title = browser.evaluate("document.title")
        lost = browser.evaluate(
            "(() => { const canvas = document.getElementById('canvas');"
            " const gl = canvas.getContext('webgl') || canvas.getContext('experimental-webgl');"
            " const extension = gl && gl.getExtension('WEBGL_lose_context');"
            " if (!extension) return false; extension.loseContext(); return true; })()")
        time.sleep(0.5)
        message = browser.evaluate("document.getElementById('message').textContent")
        stopped = browser.evaluate("document.title")
        time.sleep(2.2)
        check(lost and message == "ravelle: the browser took away the WebGL context; reload the"
              " page to start again" and browser.evaluate("document.title") == stopped,
              "a lost WebGL context ends the program with one line on the page", repr(message))
        return title


def run_no_webgl_test(url):
    with devtools.Chromium(extra_arguments=["--disable-webgl", "--disable-3d-apis"]) as browser:
        open_page(browser, url)
        deadline, message = time.monotonic() + 10, ""
        while time.monotonic() < deadline and not message:
            time.sleep(0.2)
            message = browser.evaluate("document.getElementById('message').textContent")
        check(re.match(r"^ravelle: .*WebGL.*$", message or "") is not None,
              "without WebGL the page says so in one line", repr(message))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    server = serve.start(arguments.page)
    try:
        url = f"http://127.0.0.1:{server.server_address[1]}/"
        print(f"== web: browser tests, {url}", flush=True)
        title = run_page_tests(url, arguments.screenshot)
        run_no_webgl_test(url)
    finally:
        server.shutdown()
        server.server_close()
    if failures:
        print(f"browser tests: {len(failures)} failed")
        return 1
    print(f"browser tests: all passed (last title: {title})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
