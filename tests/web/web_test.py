"""The web build in a real headless browser.

The game's page must show the first scene loaded in its log and the first
level on its canvas: the lane, the ball, the pins and the overlay text, each
found by its colour where it belongs. The throw replay, built for the browser
and natively from the same sources, must end every level's throw in exactly
the same state. Chromium is driven over the DevTools protocol on a pipe.

Usage: web_test.py BUILD_WEB NATIVE_THROW_REPLAY LEVELS
"""

import base64
import functools
import http.server
import json
import os
import select
import subprocess
import sys
import tempfile
import threading
import time

# WebGL on the built-in software renderer, and nothing that reaches out to the network.
CHROMIUM = ["chromium", "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--no-first-run", "--disable-quic", "--window-size=800,900", "--remote-debugging-pipe"]
LOG = "document.getElementById('log').textContent"
LOADS = "(%s.match(/done loading scene from file \\S+/g) || [])" % LOG
WIDTH, HEIGHT = 640, 480

# The warm-up level's first frame: boxes (left, top, right, bottom) in canvas
# pixels, each with a test of its part's colour and the fewest pixels that
# must pass it. The overlay colour is the scene's [1, 0.9, 0.45].
OVERLAY = lambda r, g, b: r > 235 and 200 < g < 250 and 80 < b < 150  # noqa: E731
REGIONS = [
    ("phase message", (256, 0, 384, 16), OVERLAY, 100),
    ("frame rate", (0, 464, 96, 480), OVERLAY, 60),
    ("ball", (290, 210, 350, 270), lambda r, g, b: b > 120 and b > r + 60 and b > g + 40, 1500),
    ("pins", (290, 95, 350, 150), lambda r, g, b: min(r, g, b) > 170 and max(r, g, b) - min(r, g, b) < 50, 300),
    ("lane", (170, 280, 470, 340), lambda r, g, b: r > 120 and r > g > b and r - b > 50, 12000),
    ("background", (0, 60, 120, 240), lambda r, g, b: b > r + 30 and b > g + 20 and b < 110, 20000),
]
# The pin counter "3 / 3" in the top left corner, pixel for pixel as the
# native game draws it: a glyph mirrored, upside down or out of place shows.
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

browser = {"next_id": 0, "buffer": b"", "session": None, "target": None}
results = []


def start_browser(profile):
    to_read, browser["out"] = os.pipe()
    browser["in"], from_write = os.pipe()
    flags = CHROMIUM + ["--user-data-dir=" + profile] + (["--no-sandbox"] if os.geteuid() == 0 else [])
    # Given an X display, even a headless Chromium renders WebGL through it,
    # and fails once that display is gone (scripts/test stops its Xvfb first).
    environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    # The protocol pipe is the browser's file descriptors 3 and 4.
    browser["process"] = subprocess.Popen(
        flags + ["about:blank"], env=environment, stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, close_fds=False,
        preexec_fn=lambda: (os.dup2(to_read, 3), os.dup2(from_write, 4)))
    os.close(to_read)
    os.close(from_write)


def stop_browser():
    try:
        call("Browser.close")
        browser["process"].wait(timeout=10)
    except (OSError, RuntimeError, TimeoutError, subprocess.TimeoutExpired):
        browser["process"].kill()
        browser["process"].wait()


def call(method, **params):
    """Sends a command to the open page (or the browser) and returns its result."""
    browser["next_id"] += 1
    message = {"id": browser["next_id"], "method": method, "params": params}
    if browser["session"] and not method.startswith(("Target.", "Browser.")):
        message["sessionId"] = browser["session"]
    os.write(browser["out"], json.dumps(message).encode() + b"\0")
    while True:
        while b"\0" not in browser["buffer"]:
            if not select.select([browser["in"]], [], [], 60)[0]:
                raise TimeoutError("the browser did not answer " + method)
            chunk = os.read(browser["in"], 1 << 16)
            if not chunk:
                raise ConnectionError("the browser closed its pipe")
            browser["buffer"] += chunk
        text, browser["buffer"] = browser["buffer"].split(b"\0", 1)
        answer = json.loads(text)
        if answer.get("id") == message["id"]:  # anything else is an event
            if "error" in answer:
                raise RuntimeError("%s: %s" % (method, answer["error"]))
            return answer["result"]


def open_page(url):
    if browser["target"]:
        call("Target.closeTarget", targetId=browser["target"])
    browser["target"] = call("Target.createTarget", url="about:blank")["targetId"]
    browser["session"] = call("Target.attachToTarget", targetId=browser["target"],
                              flatten=True)["sessionId"]
    call("Page.navigate", url=url)


def evaluate(expression):
    return call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")


def wait_for(expression, seconds):
    """Whether expression became true in time; an exception, as while loading, counts as false."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if evaluate("(() => { try { return !!(%s); } catch (e) { return false; } })()" % expression):
            return True
        time.sleep(0.2)
    return False


def check(name, passed, detail=""):
    results.append(passed)
    print("%s: %s%s" % ("PASS" if passed else "FAIL", name, " (%s)" % detail if detail else ""))


def canvas_pixels(png):
    clip = evaluate("(r => ({x: r.x, y: r.y, width: r.width, height: r.height, scale: 1}))("
                    "document.getElementById('canvas').getBoundingClientRect())")
    with open(png, "wb") as file:
        file.write(base64.b64decode(call("Page.captureScreenshot", format="png", clip=clip)["data"]))
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    assert len(raw) == WIDTH * HEIGHT * 3, "the canvas is not %dx%d" % (WIDTH, HEIGHT)
    return lambda x, y: raw[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3]


def check_picture(pixel):
    art = ["".join("X" if OVERLAY(*pixel(x, y)) else "." for x in range(len(PIN_COUNTER[0])))
           for y in range(len(PIN_COUNTER))]
    check("the first level shows its pin counter as the native game draws it", art == PIN_COUNTER,
          "" if art == PIN_COUNTER else "drawn:\n" + "\n".join(art))
    for name, (left, top, right, bottom), colour_test, least in REGIONS:
        found = sum(colour_test(*pixel(x, y)) for x in range(left, right) for y in range(top, bottom))
        check("the first level shows its " + name, found >= least,
              "%d pixels of its colour, at least %d expected" % (found, least))


def check_game_page(url, screenshot):
    open_page(url + "skorvel.html")
    line = "done loading scene from file warmup_scene.txt"
    loaded = wait_for("%s.includes(%r)" % (LOG, line), 60)
    check("the log shows the first scene loaded", loaded, line)
    if not loaded:
        print("The page's log:\n%s" % evaluate(LOG))
        return
    # The load's own frame, then a few of the level's; a long frame can still
    # let the first level's pins sink and end it before the picture.
    drawing = wait_for("Module.framesShown >= 4", 30)
    pixel = canvas_pixels(screenshot)
    check("the first level is drawing when photographed", drawing and "unloading" not in evaluate(LOG))
    check_picture(pixel)
    # The game reads held keys once a frame: F5 is held over two frames, and
    # the scene then on must load again.
    loads = evaluate(LOADS)
    frames = evaluate("Module.framesShown")
    call("Input.dispatchKeyEvent", type="rawKeyDown", key="F5", code="F5", windowsVirtualKeyCode=116)
    wait_for("Module.framesShown >= %d" % (frames + 2), 10)
    call("Input.dispatchKeyEvent", type="keyUp", key="F5", code="F5", windowsVirtualKeyCode=116)
    again = "%s.length > %d && %s.pop() == %r" % (LOADS, len(loads), LOADS, loads[-1])
    check("F5 reaches the game, which loads the scene again", wait_for(again, 30), loads[-1])
    start = evaluate("[Module.framesShown, performance.now()]")
    time.sleep(4)
    end = evaluate("[Module.framesShown, performance.now()]")
    print("    frame rate: %.1f frames a second" % ((end[0] - start[0]) * 1000 / (end[1] - start[1])))


def check_throw_replay(url, native_replay, levels):
    native = subprocess.run([native_replay], cwd=levels, check=True, stdout=subprocess.PIPE,
                            text=True).stdout.splitlines()
    open_page(url + "throw_replay.html")
    finished = wait_for("document.title == 'exit 0'", 120)
    # The emulation's warnings are the web build's own lines.
    web = [line for line in evaluate(LOG).splitlines() if not line.startswith("WARNING: using emscripten")]
    print("\n".join("    browser: " + line for line in web if "pins left" in line))
    differing = [pair for pair in zip(native, web) if pair[0] != pair[1]]
    check("every throw ends in the same state in the browser and natively",
          finished and len(native) > 1 and native == web,
          "first difference: native %r, browser %r" % differing[0] if differing else "")


def main():
    build_web, native_replay, levels = sys.argv[1:4]
    http.server.SimpleHTTPRequestHandler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(
        http.server.SimpleHTTPRequestHandler, directory=build_web))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    with tempfile.TemporaryDirectory(prefix="skorvel-chromium-") as profile:
        start_browser(profile)
        try:
            check_game_page(url, os.path.join(build_web, "warmup-browser.png"))
            check_throw_replay(url, os.path.abspath(native_replay), levels)
        finally:
            stop_browser()
            server.shutdown()
    passed = sum(results)
    print("web: %d passed, %d failed" % (passed, len(results) - passed))
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
