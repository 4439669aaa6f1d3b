"""The web build in a real headless browser.

The game's page must load the first scene, keep drawing frames, and show
the first level: the lane, the ball, the pins and the overlay text, each
found by its colour where it belongs on screen. The throw replay, built for
the browser and natively from the same sources, must end every level's
throw in exactly the same state.

Usage: web_test.py BUILD_WEB NATIVE_THROW_REPLAY LEVELS
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

FIRST_SCENE_LINE = "done loading scene from file warmup_scene.txt"
LOG = "document.getElementById('log').textContent"
WIDTH, HEIGHT = 640, 480

# Where each part of the warm-up level's first frame stands, as boxes
# (left, top, right, bottom) in canvas pixels, and how its colour is told
# apart: the overlay colour is the scene's [1, 0.9, 0.45].
OVERLAY = lambda r, g, b: r > 235 and 200 < g < 250 and 80 < b < 150  # noqa: E731
REGIONS = [
    ("phase message", (256, 0, 384, 16), OVERLAY, 100),
    ("frame rate", (0, 464, 96, 480), OVERLAY, 60),
    ("ball", (290, 210, 350, 270), lambda r, g, b: b > 120 and b > r + 60 and b > g + 40, 1500),
    ("pins", (290, 95, 350, 150), lambda r, g, b: min(r, g, b) > 170 and max(r, g, b) - min(r, g, b) < 50, 300),
    ("lane", (170, 280, 470, 340), lambda r, g, b: r > 120 and r > g > b and r - b > 50, 12000),
    ("background", (0, 60, 120, 240), lambda r, g, b: b > r + 30 and b > g + 20 and b < 110, 20000),
]

# The pin counter "3 / 3" in the top left corner, as the native game draws
# it, pixel for pixel: a glyph mirrored, upside down or out of place shows.
PIN_COUNTER = """
........................................
........................................
..XXXXX...........................XXXXX.
.XX...XX..............XX.........XX...XX
......XX.............XX...............XX
......XX.............XX...............XX
...XXXX.............XX.............XXXX.
......XX............XX................XX
......XX...........XX.................XX
......XX...........XX.................XX
.XX...XX..........XX.............XX...XX
..XXXXX..........XX...............XXXXX.
........................................
........................................
........................................
........................................
""".split()

results = []


def check(name, passed, detail=""):
    results.append(passed)
    print("%s: %s%s" % ("PASS" if passed else "FAIL", name, " (%s)" % detail if detail else ""))


def canvas_pixels(png):
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    if len(raw) != WIDTH * HEIGHT * 3:
        raise ValueError("the screenshot is not %dx%d" % (WIDTH, HEIGHT))
    return raw


def count_in_box(pixels, box, colour_test):
    left, top, right, bottom = box
    count = 0
    for y in range(top, bottom):
        row = pixels[(y * WIDTH + left) * 3:(y * WIDTH + right) * 3]
        count += sum(1 for i in range(0, len(row), 3) if colour_test(*row[i:i + 3]))
    return count


def overlay_art(pixels, width, height):
    return ["".join("X" if OVERLAY(*pixels[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3]) else "."
                    for x in range(width)) for y in range(height)]


def check_screenshot(png):
    pixels = canvas_pixels(png)
    art = overlay_art(pixels, len(PIN_COUNTER[0]), len(PIN_COUNTER))
    check("the first level shows its pin counter as the native game draws it", art == PIN_COUNTER,
          "" if art == PIN_COUNTER else "drawn:\n" + "\n".join(art))
    for name, box, colour_test, least in REGIONS:
        found = count_in_box(pixels, box, colour_test)
        check("the first level shows its " + name, found >= least,
              "%d pixels of its colour in %s, at least %d expected" % (found, box, least))


def measure_frame_rate(page, seconds):
    start = browser.evaluate(page, "[Module.framesShown, performance.now()]")
    time.sleep(seconds)
    end = browser.evaluate(page, "[Module.framesShown, performance.now()]")
    return (end[0] - start[0]) * 1000.0 / (end[1] - start[1])


def check_game_page(page, url, screenshot):
    browser.open_page(page, url + "skorvel.html")
    loaded = browser.wait_for(page, "%s.includes(%r)" % (LOG, FIRST_SCENE_LINE), 60)
    check("the log shows the first scene loaded", loaded, FIRST_SCENE_LINE)
    if not loaded:
        print(browser.evaluate(page, LOG))
        return
    # The load's own frame, then a few of the level's.
    drawing = browser.wait_for(page, "Module.framesShown >= 4", 30)
    browser.screenshot(page, screenshot, "canvas")
    log = browser.evaluate(page, LOG)
    # A long frame can still let the first level's pins sink and end it.
    check("the first level is still on when photographed", drawing and "unloading" not in log)
    check_screenshot(screenshot)
    rate = measure_frame_rate(page, 4)
    check("the game keeps drawing frames", rate > 1, "%.1f frames a second" % rate)


def replay_lines(text):
    """The replay's own lines and the loaders' log, without the emulation's warnings."""
    return [line for line in text.splitlines() if not line.startswith("WARNING: using emscripten")]


def check_throw_replay(page, url, native_replay, levels):
    native = subprocess.run([native_replay], cwd=levels, check=True, stdout=subprocess.PIPE,
                            text=True).stdout
    browser.open_page(page, url + "throw_replay.html")
    finished = browser.wait_for(page, "document.title == 'exit 0'", 120)
    web = browser.evaluate(page, LOG)
    check("the throw replay runs to its end in the browser", finished and "replay done" in web)
    native_lines, web_lines = replay_lines(native), replay_lines(web)
    for line in web_lines:
        if "pins left" in line:
            print("    browser: " + line)
    differing = [(n, w) for n, w in zip(native_lines, web_lines) if n != w]
    detail = "first difference: native %r, browser %r" % differing[0] if differing else ""
    check("every throw ends in the same state in the browser and natively",
          len(native_lines) > 1 and native_lines == web_lines, detail)


def main():
    build_web, native_replay, levels = sys.argv[1:4]
    server, url = browser.start_server(build_web)
    page = browser.start_browser()
    try:
        check_game_page(page, url, os.path.join(build_web, "warmup-browser.png"))
        check_throw_replay(page, url, os.path.abspath(native_replay), levels)
    finally:
        browser.stop_browser(page)
        browser.stop_server(server)
    passed = sum(results)
    print("web: %d passed, %d failed" % (passed, len(results) - passed))
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
