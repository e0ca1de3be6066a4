#!/usr/bin/python3
# browser_test.py: the browser build in Debian's headless Chromium, served on 127.0.0.1:
# the canvas and the picture's place on it, the title line, the ripples, and the pointer
# stirring the water near it more than far from it; the viewport narrowing under the page and
# the program's picture following; then a phone, upright and turned sideways: the page as wide
# as the screen, the canvas on it and one device pixel per window pixel, a finger stirring
# the water while the page neither scrolls nor zooms; then a browser without WebGL, which the
# page must name in one line. Usage: browser_test.py PAGE_DIR [--screenshot PNG]
# (--screenshot saves the page as the README shows it). Every server and browser it starts
# is ended however it ends.
import argparse
import functools
import os
import re
import statistics
import sys
import time

sys.dont_write_bytecode = True  # the modules below stay out of the checkout's byte code
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
# The modules imported from the checkout leave no byte code in it.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "web"))
import devtools  # noqa: E402
import serve  # noqa: E402

CANVAS = 800  # the window's size at start
RATIO = 2.0  # how much more a stirred square changes than a far one, at least
TITLE = re.compile(r"^Ravelle - Procedural Generaion: (\d+\.\d) MTicks - (\d+) FPS$")
# A phone, as Chromium's device emulation has it: CSS pixels and device pixels per CSS pixel.
PHONE = (390, 844, 3)

failures = []


def check(condition, what, detail=""):
    print(f"   {'ok  ' if condition else 'FAIL'} {what}{': ' + detail if detail else ''}",
          flush=True)
    if not condition:
        failures.append(what)
    return condition


# Every title the document has had, in order, kept from before the page's own scripts run
# (on a busy machine the program may have written its statistics before the test first looks).
TITLES = ("window.titles = []; new MutationObserver(() => {"
          " if (document.title && titles[titles.length - 1] !== document.title)"
          " titles.push(document.title); }).observe(document,"
          " { childList: true, characterData: true, subtree: true });")


def open_page(browser, url):
    browser.send("Emulation.setDeviceMetricsOverride", width=1000, height=1000,
                 deviceScaleFactor=1, mobile=False)
    browser.send("Page.addScriptToEvaluateOnNewDocument", source=TITLES)
    browser.navigate(url)


def canvas_geometry(browser):
    """The canvas on the page: its CSS rectangle (x, y, width, height), its drawing buffer's
    size (the program's window) and the device pixels per CSS pixel."""
    return browser.evaluate(
        "(() => { const canvas = document.getElementById('canvas');"
        " const r = canvas.getBoundingClientRect();"
        " return {box: [r.x, r.y, r.width, r.height], buffer: [canvas.width, canvas.height],"
        " ratio: devicePixelRatio}; })()")


def canvas_shot(browser, canvas, scale=1):
    """The canvas as shown: one pixel per device pixel, or per CSS pixel at 1 / ratio."""
    x, y, width, height = canvas["box"]
    return browser.screenshot(x, y, width, height, scale)


def wait_for_statistics(browser):
    """The title once the program has written its statistics there (within a few seconds)."""
    deadline, title = time.monotonic() + 10, ""
    while time.monotonic() < deadline:
        title = browser.evaluate("document.title")
        if TITLE.match(title):
            break
        time.sleep(0.2)
    return title


def set_viewport(browser, width, height, ratio=1, mobile=False):
    """Emulates a screen of width x height CSS pixels (a phone's turned when it is wider than
    high) and waits until the page has heard of it."""
    orientation = {"type": "portraitPrimary", "angle": 0} if width <= height or not mobile \
        else {"type": "landscapePrimary", "angle": 90}
    browser.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                 deviceScaleFactor=ratio, mobile=mobile, screenOrientation=orientation)
    deadline = time.monotonic() + 5
    while (browser.evaluate("[innerWidth, innerHeight]") != [width, height] and
           time.monotonic() < deadline):
        time.sleep(0.05)
    # The browser tells the page in its next frame, before the frame's animation callbacks.
    browser.evaluate("new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")


def wait_for_fit(browser):
    """The canvas once the program's window has the size the page laid it out at."""
    deadline = time.monotonic() + 5
    while True:
        canvas = canvas_geometry(browser)
        wanted = round(canvas["box"][2] * canvas["ratio"])
        if canvas["buffer"] == [wanted, wanted] or time.monotonic() > deadline:
            return canvas
        time.sleep(0.1)


@functools.lru_cache(maxsize=None)
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


def picture_span(side):
    """The picture's first pixel and width on a square window `side` pixels wide: three
    quarters of it, centred, in whole pixels (100 and 600 on 800)."""
    width = int(side * 0.75)
    return int((side - width) * 0.5), width


def check_layout(shot, where=""):
    """Black around the centred rectangle, the picture's colours inside it, and its edges
    exactly where the program puts them. `shot` has one pixel per window pixel: a window
    stretched by the browser blurs the edges and fails the last check."""
    side = shot.width
    first, width = picture_span(side)
    last, middle = first + width - 1, side // 2
    colours, picture_mean = picture_colours()
    border = [shot.pixel(x, y) for y in range(0, side, 2) for x in range(0, side, 2)
              if not (first - 1 <= x <= last + 1 and first - 1 <= y <= last + 1)]
    not_black = sum(1 for pixel in border if pixel != (0, 0, 0))
    check(not_black == 0, f"{where}black around the picture",
          f"{not_black} of {len(border)} not black")
    inside = [shot.pixel(x, y) for y in range(first + 1, last, 2) for x in range(first + 1, last, 2)]
    known = sum(1 for pixel in inside if pixel in colours)
    check(known >= 0.9 * len(inside),
          f"{where}the picture's colours in the centred {width} x {width} rectangle",
          f"{100 * known / len(inside):.1f}% of pixels are the picture's colours")
    mean = tuple(sum(pixel[c] for pixel in inside) / len(inside) for c in range(3))
    check(all(abs(mean[c] - picture_mean[c]) < 10 for c in range(3)),
          f"{where}the rectangle's mean colour is the picture's",
          f"{tuple(round(v, 1) for v in mean)} against {tuple(round(v, 1) for v in picture_mean)}")
    # The rectangle's edges: picture just inside, black just outside, on all four sides.
    edges = [(first, middle), (last, middle), (middle, first), (middle, last)]
    outside = [(first - 1, middle), (last + 1, middle), (middle, first - 1), (middle, last + 1)]
    check(all(shot.pixel(*p) != (0, 0, 0) for p in edges) and
          all(shot.pixel(*p) == (0, 0, 0) for p in outside),
          f"{where}the rectangle spans exactly pixels {first} to {last} of {side}",
          f"inside {[shot.pixel(*p) for p in edges]}, outside {[shot.pixel(*p) for p in outside]}")


def rippled(browser, canvas, first=None):
    """The share of the picture's pixels that changed between two shots 0.5 s apart."""
    first = first or canvas_shot(browser, canvas)
    time.sleep(0.5)
    second = canvas_shot(browser, canvas)
    start, width = picture_span(first.width)
    changed = sum(1 for y in range(start, start + width, 2)
                  for x in range(start, start + width, 2)
                  if max(abs(a - b) for a, b in zip(first.pixel(x, y), second.pixel(x, y))) > 8)
    return changed / (width // 2) ** 2


def difference(first, second, x0, y0, size):
    """Mean absolute difference of two shots over a square."""
    total = 0
    for y in range(y0, y0 + size):
        a, b = first.rows[y], second.rows[y]
        for i in range(3 * x0, 3 * (x0 + size)):
            total += abs(a[i] - b[i])
    return total / (3 * size * size)


def mouse_moves(browser, with_button):
    """(start, move, end) for the pointer, with the left button held or not."""
    buttons = 1 if with_button else 0
    button = "left" if with_button else "none"

    def start(x, y):
        if with_button:
            browser.mouse("mousePressed", x, y, button="left", buttons=1)

    def end(x, y):
        if with_button:
            browser.mouse("mouseReleased", x, y, button="left", buttons=0)
    return start, lambda x, y: browser.mouse("mouseMoved", x, y, button=button,
                                             buttons=buttons), end


def finger_moves(browser):
    """(start, move, end) for one finger."""
    return (lambda x, y: browser.touch("touchStart", [(x, y)]),
            lambda x, y: browser.touch("touchMove", [(x, y)]),
            lambda x, y: browser.touch("touchEnd"))


def stir(browser, canvas, x, y, moves):
    """Moves on a small circle around (x, y), a fraction of the canvas's side from its corner,
    for a second; returns the shots before and after, one pixel per CSS pixel."""
    left, top, side, _ = canvas["box"]
    page_x, page_y, radius = left + x * side, top + y * side, side * 6 / CANVAS
    scale = 1 / canvas["ratio"]
    start, move, end = moves
    before = canvas_shot(browser, canvas, scale)
    start(page_x, page_y)
    for step in range(30):
        offset = (-radius, 0, radius, 0)[step % 4], (0, radius, 0, -radius)[step % 4]
        move(page_x + offset[0], page_y + offset[1])
        time.sleep(0.035)
    end(page_x, page_y)
    after = canvas_shot(browser, canvas, scale)
    return before, after


def check_stirring(browser, canvas, how, near, moves):
    """A stirred square of the picture against eight squares 200 to 420 pixels (of 800) away
    from both stirred places (the rain falls everywhere meanwhile, so the median of those)."""
    far_centres = [(550, 250), (250, 550), (150, 650), (650, 150), (400, 150), (150, 400),
                   (650, 400), (400, 650)]
    # The rain can happen to stir a far square as much; a second try then decides.
    tries = []
    for _ in range(2):
        before, after = stir(browser, canvas, near[0] / CANVAS, near[1] / CANVAS, moves)
        side = before.width
        box = round(40 * side / CANVAS)

        def change(x, y):
            return difference(before, after, round(x * side / CANVAS) - box // 2,
                              round(y * side / CANVAS) - box // 2, box)
        near_change = change(*near)
        far = statistics.median(change(x, y) for x, y in far_centres)
        tries.append(f"near {near_change:.2f}, far {far:.2f}")
        if near_change > RATIO * far:
            break
    check(near_change > RATIO * far, f"{how} stir the water near them",
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


def check_resize(browser):
    """The browser's window narrows from 800 to 390 pixels: the canvas follows it, the
    program hears of its new size, and its picture is laid out on that."""
    for width, picture in ((800, "pixels 100 to 699"), (390, "pixels 49 to 340")):
        set_viewport(browser, width, 1000)
        canvas = wait_for_fit(browser)
        check(canvas["box"][2:] == [width, width] and canvas["buffer"] == [width, width],
              f"a viewport {width} wide makes the window {width} x {width}",
              f"{canvas['buffer']} pixels shown as {canvas['box'][2:]}")
        shot = canvas_shot(browser, canvas)
        if shot.width == width:
            check_layout(shot, f"{width} wide, with the picture at {picture}: ")
    # Sizes and positions no page means: ignored, and the program goes on.
    browser.evaluate("Module._ravelle_resize_window(0, 0); Module._ravelle_resize_window(-1, 400);"
                     " Module._ravelle_resize_window(1e6, 1e6); Module._ravelle_touch(NaN, 0);"
                     " Module._ravelle_touch(Infinity, 100); Module._ravelle_touch(100, -1e300)")
    canvas = canvas_geometry(browser)
    changed = rippled(browser, canvas)
    check(canvas["buffer"] == [390, 390] and changed > 0.01,
          "the program ignores window sizes and touches no page means, and goes on",
          f"window {canvas['buffer']}, {100 * changed:.1f}% of the picture rippled")


def run_page_tests(browser, url, screenshot):
    open_page(browser, url)
    title = browser.evaluate("titles[0]")
    check(title == "Ravelle", "the title is the program's name at first", repr(title))
    check_favicon(browser)
    canvas = canvas_geometry(browser)
    check(canvas["box"][2:] == [CANVAS, CANVAS] and canvas["buffer"] == [CANVAS, CANVAS],
          "the canvas is 800 x 800", f"{canvas['buffer']} pixels shown as {canvas['box'][2:]}")

    # The statistics replace the title within a second or two.
    title = wait_for_statistics(browser)
    match = TITLE.match(title)
    check(match is not None and int(match.group(2)) > 0 and float(match.group(1)) >= 0,
          "the title shows the statistics with a positive FPS", repr(title))
    shown = browser.evaluate("document.getElementById('title').textContent")
    check(shown == browser.evaluate("document.title"), "the page shows the title line",
          repr(shown))

    first = canvas_shot(browser, canvas)
    check_layout(first)
    changed = rippled(browser, canvas, first)
    check(changed > 0.01, "the picture ripples between shots 0.5 s apart",
          f"{100 * changed:.1f}% of pixels changed")

    check_stirring(browser, canvas, "pointer moves without a button", (250, 250),
                   mouse_moves(browser, False))
    check_stirring(browser, canvas, "pointer moves with a button held", (550, 550),
                   mouse_moves(browser, True))
    title = browser.evaluate("document.title")

    errors = [line for line in browser.console_errors()
              if not line.startswith("WARNING: using emscripten GL")]
    check(not errors, "no errors on the console", "; ".join(errors)[:300])
    if screenshot:
        with open(screenshot, "wb") as file:
            # Three fifths of the size: the README's picture of the page.
            file.write(browser.screenshot_png(0, 0, 1000, 980, scale=0.6))
        print(f"   page saved as {screenshot}")

    check_resize(browser)

    # The browser takes the WebGL context away: one line on the page, and the program
    # stops (its title no longer changes).
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


def set_phone(browser, width, height, ratio):
    set_viewport(browser, width, height, ratio, mobile=True)
    browser.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)


def check_fits_screen(browser, where, width, height):
    """The page is as wide as the screen, unzoomed; the canvas is inside the screen and is
    the largest square there (as wide as the screen, or reaching down to its bottom margin),
    with one window pixel per device pixel; the picture's place on it is exact."""
    page = browser.evaluate(
        "[innerWidth, document.documentElement.scrollWidth, visualViewport.scale,"
        " parseFloat(getComputedStyle(document.getElementById('canvas')).marginBottom) +"
        " parseFloat(getComputedStyle(document.body).paddingBottom)]")
    check(page[:3] == [width, width, 1], f"{where}the page is laid out as wide as the screen",
          f"viewport {page[0]}, layout {page[1]} wide at zoom {page[2]}, screen {width}")
    canvas = wait_for_fit(browser)
    x, y, side, tall = canvas["box"]
    ratio = canvas["ratio"]
    check(side == tall and x >= 0 and y >= 0 and x + side <= width and y + side <= height,
          f"{where}the whole canvas is on the screen", f"{canvas['box']} on {width} x {height}")
    check(side == min(CANVAS, width) or abs(y + side + page[3] - height) < 1,
          f"{where}the canvas is the largest square that fits",
          f"side {side}, bottom {y + side} and {page[3]} below it on a screen {height} high")
    wanted = round(side * ratio)
    check(canvas["buffer"] == [wanted, wanted],
          f"{where}the window has one pixel per device pixel ({ratio} per CSS pixel)",
          f"{canvas['buffer']} for {side} CSS pixels")
    shot = canvas_shot(browser, canvas)
    if shot.width == canvas["buffer"][0]:
        check_layout(shot, where)
    return canvas


def check_text_fits(browser, where, width):
    """The title line on one line, whole; the description and a long message wrapped inside
    the screen; the canvas makes room for the message and takes it back."""
    title = browser.evaluate(
        "(() => { const title = document.getElementById('title'); const range ="
        " document.createRange(); range.selectNodeContents(title);"
        " return [range.getClientRects().length, title.scrollWidth, title.clientWidth]; })()")
    check(title[0] == 1 and title[1] <= title[2], f"{where}the title line fits on one line",
          f"{title[0]} line(s), {title[1]} pixels of text in {title[2]}")
    lost = "ravelle: the browser took away the WebGL context; reload the page to start again"
    fit = browser.evaluate(
        f"(() => {{ document.getElementById('message').textContent = '{lost}';"
        " return new Promise(done => setTimeout(() => done([...document.querySelectorAll('p')]"
        ".map(p => p.scrollWidth <= p.clientWidth).concat("
        "[document.documentElement.scrollWidth, document.getElementById('canvas')"
        ".getBoundingClientRect().bottom, innerHeight])), 300)); })()")
    check(all(fit[:-3]) and fit[-3] == width and fit[-2] <= fit[-1],
          f"{where}the description and a long message fit the screen's width, the canvas under them",
          f"lines within their width {fit[:-3]}, page {fit[-3]} wide, canvas down to {fit[-2]}"
          f" of {fit[-1]}")
    browser.evaluate("document.getElementById('message').textContent = ''")


def check_touches(browser, canvas, where):
    """A finger dragged over the picture stirs it there, and reaches the program as touches
    only (no mouse events made of them); dragged and pinched on the canvas the page neither
    scrolls nor zooms, and dragged beside it the page scrolls as usual."""
    browser.evaluate("window.mouseEvents = 0; for (const kind of ['mousedown', 'mousemove',"
                     " 'mouseup']) window.addEventListener(kind, () => ++window.mouseEvents, true);"
                     " const spacer = document.createElement('div'); spacer.id = 'spacer';"
                     " spacer.style.height = '3000px'; document.body.appendChild(spacer);"
                     " scrollTo(0, 0)")
    view = "[scrollX, scrollY, visualViewport.scale]"
    check_stirring(browser, canvas, f"{where}a finger's moves", (250, 550), finger_moves(browser))
    x, y, side, _ = canvas["box"]
    middle_x, middle_y = x + side / 2, y + side / 2
    # One finger up the canvas (which would scroll the page down), then two apart on it.
    browser.touch("touchStart", [(middle_x, middle_y + side / 4)])
    for step in range(1, 11):
        browser.touch("touchMove", [(middle_x, middle_y + side / 4 - step * side / 20)])
        time.sleep(0.02)
    browser.touch("touchEnd")
    for step in range(12):
        spread = side / 10 + step * side / 40
        browser.touch("touchStart" if step == 0 else "touchMove",
                      [(middle_x - spread, middle_y), (middle_x + spread, middle_y)])
        time.sleep(0.02)
    browser.touch("touchEnd")
    time.sleep(0.4)
    after = browser.evaluate(view)
    mouse = browser.evaluate("window.mouseEvents")
    check(after == [0, 0, 1], f"{where}dragging and pinching the canvas neither scroll nor zoom",
          f"scrolled to {after[:2]} at zoom {after[2]}")
    check(mouse == 0, f"{where}touches reach the program as touches only",
          f"{mouse} mouse events made of them")
    # Beside the canvas, or under it: the page's own ground.
    outside_x, outside_y = (x / 2, middle_y) if x >= 40 else (middle_x, y + side + 20)
    browser.touch("touchStart", [(outside_x, outside_y)])
    for step in range(1, 11):
        browser.touch("touchMove", [(outside_x, outside_y - step * 10)])
        time.sleep(0.02)
    browser.touch("touchEnd")
    time.sleep(0.4)
    scrolled = browser.evaluate(view)
    check(scrolled[1] > 0, f"{where}a finger dragged off the canvas scrolls the page",
          f"scrolled to {scrolled[:2]}")


def run_phone_tests(browser, url):
    """A phone: upright, then turned (the page laid out again without loading), then loaded
    turned."""
    width, height, ratio = PHONE
    titles, errors = [], []
    for turn in ("upright", "sideways"):
        where = f"phone {turn}: "
        if turn == "sideways":
            width, height = height, width
        set_phone(browser, width, height, ratio)
        browser.navigate(url)
        title = wait_for_statistics(browser)
        check(TITLE.match(title) is not None, f"{where}the title shows the statistics",
              repr(title))
        canvas = check_fits_screen(browser, where, width, height)
        check_text_fits(browser, where, width)
        if turn == "upright":
            # Turned without a reload.
            set_phone(browser, height, width, ratio)
            check_fits_screen(browser, "phone turned: ", height, width)
            set_phone(browser, width, height, ratio)
            canvas = wait_for_fit(browser)
        check_touches(browser, canvas, where)
        titles.append(f"{turn} {browser.evaluate('document.title')}")
        # (Each page's, before the next is loaded.)
        errors += [line for line in browser.console_errors()
                   if not line.startswith("WARNING: using emscripten GL")]
    check(not errors, "phone: no errors on the console", "; ".join(errors)[:300])
    return titles


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
        started = time.monotonic()
        # One browser for the desktop page and then the phone's (each page loaded afresh).
        with devtools.Chromium() as browser:
            title = run_page_tests(browser, url, arguments.screenshot)
            desktop = time.monotonic()
            phone_titles = run_phone_tests(browser, url)
        phone = time.monotonic()
        run_no_webgl_test(url)
        print(f"   desktop {desktop - started:.0f} s, phone {phone - desktop:.0f} s,"
              f" without WebGL {time.monotonic() - phone:.0f} s")
    finally:
        server.shutdown()
        server.server_close()
    print(f"   titles: desktop {title}; phone " + "; ".join(phone_titles))
    if failures:
        print(f"browser tests: {len(failures)} failed")
        return 1
    print("browser tests: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
