"""The web build in a real headless browser, driven over the DevTools protocol
on a pipe with real input: keys, the mouse, fingers, screens of several sizes.

Each scenario opens the site that scripts/web makes to be put online, from a
folder of a local server, and checks what a player meets: the page's log and
notices, the canvas, the pointer and the keys. The throw replay, built for the
browser and natively from the same sources, must end every level's throw in
exactly the same state.

Usage: web_test.py BUILD_WEB NATIVE_THROW_REPLAY LEVELS
"""

import base64
import fcntl
import functools
import http.server
import json
import os
import pathlib
import select
import subprocess
import sys
import tempfile
import threading
import time
from typing import Any, Callable, Optional

# WebGL on the built-in software renderer, and nothing that reaches out to the network.
CHROMIUM = ["chromium", "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--no-first-run", "--disable-quic", "--remote-debugging-pipe"]
SITE_PATH = "site/"  # the page works from a folder of a site
LOG = "document.getElementById('log').textContent"
NOTICE = "(document.getElementById('notice').hidden ? '' : document.getElementById('notice').innerText)"
LOADS = "(%s.match(/done loading scene from file \\S+/g) || [])" % LOG
LOCKED = "(document.pointerLockElement !== null)"
WIDTH, HEIGHT = 640, 480
DOWNLOAD_LIMIT = 150_000  # bytes, with brotli
# Screens: CSS pixels wide and high, and whether it is a phone's touch
# screen. On the desktop one, the lane is shown at exactly 640x480.
Screen = tuple[int, int, bool]
DESKTOP: Screen = (656, 900, False)
FULL_HD: Screen = (1920, 1080, False)
PHONE: Screen = (390, 844, True)
KEYS = {"Escape": ("Escape", 27), "F5": ("F5", 116), "F12": ("F12", 123), "Control": ("ControlLeft", 17),
        "r": ("KeyR", 82)}
CTRL = 2  # the DevTools modifier bit

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

browser: dict[str, Any] = {"next_id": 0, "buffer": b"", "session": None, "target": None, "exceptions": []}
results: list[bool] = []


# Chromium reads the protocol's commands on its descriptor 3 and answers on 4.
def start_browser(profile: str) -> None:
    commands, browser["out"] = os.pipe()
    browser["in"], answers = os.pipe()
    # Moved above 10, neither end can be a number bash moves the other to.
    ends = [fcntl.fcntl(end, fcntl.F_DUPFD, 10) for end in (commands, answers)]
    os.close(commands)
    os.close(answers)
    place = 'exec "$@" 3<&%d 4>&%d %d<&- %d>&-' % (*ends, *ends)
    flags = CHROMIUM + ["--user-data-dir=" + profile] + (["--no-sandbox"] if os.geteuid() == 0 else [])
    # Given an X display, even a headless Chromium renders WebGL through it,
    # and fails once that display is gone (scripts/test stops its Xvfb first).
    environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    browser["process"] = subprocess.Popen(
        ["bash", "-c", place, "bash"] + flags + ["about:blank"], env=environment, stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=ends)
    for end in ends:
        os.close(end)


def stop_browser() -> None:
    try:
        call("Browser.close")
        browser["process"].wait(timeout=10)
    except (OSError, RuntimeError, TimeoutError, subprocess.TimeoutExpired):
        browser["process"].kill()
        browser["process"].wait()


# Sends a command to the open page (or the browser) and returns its result,
# keeping the page's uncaught exceptions that arrive meanwhile.
def call(method: str, **params: Any) -> dict[str, Any]:
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
        if answer.get("method") == "Runtime.exceptionThrown":
            browser["exceptions"].append(answer["params"]["exceptionDetails"]["text"])
        if answer.get("id") == message["id"]:
            if "error" in answer:
                raise RuntimeError("%s: %s" % (method, answer["error"]))
            return answer["result"]


# Opens url in a fresh tab on the screen given, running script first, and
# downloading at most bytes_per_second (0: no limit).
def open_page(url: str, screen: Screen = DESKTOP, script: str = "", bytes_per_second: int = 0) -> None:
    if browser["target"]:
        call("Target.closeTarget", targetId=browser["target"])
    browser["target"] = call("Target.createTarget", url="about:blank")["targetId"]
    browser["session"] = call("Target.attachToTarget", targetId=browser["target"],
                              flatten=True)["sessionId"]
    browser["exceptions"] = []
    width, height, phone = screen
    call("Runtime.enable")
    call("Emulation.setScrollbarsHidden", hidden=True)
    call("Emulation.setDeviceMetricsOverride", width=width, height=height, mobile=phone,
         deviceScaleFactor=3 if phone else 1)
    call("Emulation.setTouchEmulationEnabled", enabled=phone, maxTouchPoints=5)
    if script:
        call("Page.enable")
        call("Page.addScriptToEvaluateOnNewDocument", source=script)
    if bytes_per_second:
        call("Network.enable")
        call("Network.emulateNetworkConditions", offline=False, latency=20,
             downloadThroughput=bytes_per_second, uploadThroughput=-1)
    call("Page.navigate", url=url)


def evaluate(expression: str) -> Any:
    return call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")


# Whether expression became true in time; an exception, as while loading, counts as false.
def wait_for(expression: str, seconds: float = 30) -> bool:
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            if evaluate("(() => { try { return !!(%s); } catch (e) { return false; } })()" % expression):
                return True
        except RuntimeError:  # the page is between two documents
            pass
        time.sleep(0.1)
    return False


def check(name: str, passed: bool, detail: Any = "") -> None:
    results.append(passed)
    print("%s: %s%s" % ("PASS" if passed else "FAIL", name, " (%s)" % detail if detail != "" else ""))


# The element's left, top, width and height in CSS pixels; a TypeError when it is missing.
def box(selector: str) -> list[float]:
    return evaluate("(r => [r.x, r.y, r.width, r.height])(document.querySelector(%r).getBoundingClientRect())"
                    % selector)


def centre(selector: str) -> tuple[float, float]:
    left, top, width, height = box(selector)
    return left + width / 2, top + height / 2


def key(kind: str, name: str, modifiers: int = 0, repeat: bool = False) -> None:
    code, key_code = KEYS[name]
    call("Input.dispatchKeyEvent", type=kind, key=name, code=code, windowsVirtualKeyCode=key_code,
         modifiers=modifiers, autoRepeat=repeat)


# A key pressed and let go at once, well within one frame.
def tap(name: str) -> None:
    key("rawKeyDown", name)
    key("keyUp", name)


# A left click at the element's centre, or at a point given in CSS pixels from its corner.
def click(selector: str, at: Optional[tuple[float, float]] = None) -> None:
    left, top, width, height = box(selector)
    x, y = (left + at[0], top + at[1]) if at else (left + width / 2, top + height / 2)
    for kind in ("mousePressed", "mouseReleased"):
        call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)


# A finger put down at the first point, moved through the others a frame apart, and lifted.
def touch(points: list[tuple[float, float]]) -> None:
    call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": points[0][0], "y": points[0][1]}])
    for x, y in points[1:]:
        time.sleep(0.017)
        call("Input.dispatchTouchEvent", type="touchMove", touchPoints=[{"x": x, "y": y}])
    call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])


def screenshot(png: str, clip: Optional[list[float]] = None) -> None:
    area = {"clip": dict(zip(("x", "y", "width", "height"), clip), scale=1)} if clip else {}
    with open(png, "wb") as file:
        file.write(base64.b64decode(call("Page.captureScreenshot", format="png", **area)["data"]))


def loaded(scene: str, seconds: float = 30) -> bool:
    return wait_for("%s.includes('done loading scene from file %s')" % (LOG, scene), seconds)


def open_game(url: str, screen: Screen = DESKTOP) -> bool:
    open_page(url, screen)
    return loaded("warmup_scene.txt", 60) and wait_for("Module.framesShown >= 4")


def check_picture(png: str) -> None:
    screenshot(png, box("canvas"))
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE).stdout
    check("the lane is shown at %dx%d" % (WIDTH, HEIGHT), len(raw) == WIDTH * HEIGHT * 3)
    if len(raw) != WIDTH * HEIGHT * 3:
        return
    pixel: Callable[[int, int], bytes] = lambda x, y: raw[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3]  # noqa: E731
    art = ["".join("X" if OVERLAY(*pixel(x, y)) else "." for x in range(len(PIN_COUNTER[0])))
           for y in range(len(PIN_COUNTER))]
    check("the first level shows its pin counter as the native game draws it", art == PIN_COUNTER,
          "" if art == PIN_COUNTER else "drawn:\n" + "\n".join(art))
    for name, (left, top, right, bottom), colour_test, least in REGIONS:
        found = sum(colour_test(*pixel(x, y)) for x in range(left, right) for y in range(top, bottom))
        check("the first level shows its " + name, found >= least,
              "%d pixels of its colour, at least %d expected" % (found, least))


def first_level(url: str, build_web: str) -> None:
    open_page(url, bytes_per_second=500_000)
    check("while loading, a progress bar counts the bytes", wait_for(
        "(p => p.value > 0 && p.value < 1)(document.getElementById('progress')) && "
        "/^\\d+ of \\d+ kB$/.test(document.getElementById('detail').textContent)"))
    started = loaded("warmup_scene.txt", 60) and wait_for("Module.framesShown >= 4")
    log = evaluate(LOG)
    check("the log shows the game's lines and none of the emulation's",
          started and "OpenGL Vendor" in log and "emscripten" not in log and "TODO" not in log, log)
    check_picture(os.path.join(build_web, "warmup-browser.png"))


def escape_then_play_again(url: str, build_web: str) -> None:
    started = open_game(url)
    click("canvas")
    locked = evaluate(LOCKED)
    tap("Escape")
    ended = wait_for("%s.includes('The game has ended')" % NOTICE, 10)
    click("canvas", at=(20, 20))  # right after the pointer was let go, away from the notice's button
    time.sleep(0.5)
    check("Escape ends the game: the page says so and lets the pointer go, even after a click",
          started and locked and ended and not evaluate(LOCKED), evaluate(NOTICE))
    taken = keys_taken([("rawKeyDown", "F5"), ("keyUp", "F5")])
    check("once the game has ended, F5 is the browser's again", taken == ["F5 false"], taken)
    check("the log ends with the game's own last line, and no error is left uncaught",
          evaluate(LOG).endswith("\n....Done....\n") and not browser["exceptions"], browser["exceptions"])
    click("#again")
    check("Play again starts a new game", wait_for("%s.includes('warmup') && !%s.includes('Done')" % (LOG, LOG), 60)
          and wait_for("Module.framesShown >= 4 && %s == ''" % NOTICE))


# Sends the key events, and tells for each keydown whether the page took it from the browser.
def keys_taken(events: list[tuple[Any, ...]]) -> list[str]:
    evaluate("window.taken = []; addEventListener('keydown', e => taken.push(e.key + ' ' + e.defaultPrevented))")
    for event in events:
        key(*event)
    return evaluate("taken")


def keys(url: str, build_web: str) -> None:
    started = open_game(url)
    count = len(evaluate(LOADS))
    key("rawKeyDown", "F5")
    for _ in range(4):  # held over several frames, with the repeats a browser sends
        wait_for("Module.framesShown > %d" % evaluate("Module.framesShown"))
        key("rawKeyDown", "F5", repeat=True)
    key("keyUp", "F5")
    again = wait_for("%s.length > %d" % (LOADS, count))
    time.sleep(0.5)
    check("F5 held loads the scene again, once", started and again and len(evaluate(LOADS)) == count + 1)
    acted = []
    for _ in range(3):
        count = len(evaluate(LOADS))
        tap("F5")
        acted.append(wait_for("%s.length > %d" % (LOADS, count), 10))
    check("three F5 taps, each shorter than a frame, load the scene three times", all(acted), acted)
    tap("F12")
    second = loaded("funnel_scene.txt", 10)
    tap("F12")  # during the frames the page gives a new level to settle
    third = loaded("tenpin_scene.txt", 10)
    time.sleep(0.5)
    check("F12 twice, the second right after a load, skips two levels and no more",
          second and third and evaluate(LOADS)[-1].endswith("tenpin_scene.txt"), evaluate(LOADS)[-1])
    taken = keys_taken([("rawKeyDown", "Control", CTRL), ("rawKeyDown", "r", CTRL), ("keyUp", "r", CTRL),
                        ("keyUp", "Control"), ("rawKeyDown", "F5"), ("keyUp", "F5")])
    check("Ctrl+R stays the browser's, while F5 is the game's", taken == ["Control false", "r false", "F5 true"], taken)


def phone(url: str, build_web: str) -> None:
    started = open_game(url, PHONE)
    screenshot(os.path.join(build_web, "page-phone.png"))
    layout = evaluate("[innerWidth, canvas.getBoundingClientRect().width, "
                      "parseFloat(getComputedStyle(document.querySelector('p.touch')).fontSize)]")
    check("a phone lays the page out at its own width, the lane across it and the text readable",
          started and layout[0] == 390 and layout[1] >= 370 and layout[2] >= 14, layout)
    left, top, width, height = box("canvas")
    touch([(left + width / 2, top + height * 0.6 - 12 * step) for step in range(8)])
    check("a finger drag up the lane throws and wins the first level", loaded("funnel_scene.txt", 15))
    touch([centre("[data-key='123']")])
    check("the on-page Next level skips a level", loaded("tenpin_scene.txt", 15))


def full_screen(url: str, build_web: str) -> None:
    started = open_game(url, FULL_HD)
    left, top, width, height = box("canvas")
    shown = evaluate("[canvas.width, canvas.height, getComputedStyle(document.getElementById('touch')).display]")
    check("on a 1920x1080 screen the lane fills the window's height at 4:3, drawn at 640x480, with no touch controls",
          started and height > 1000 and abs(width * 3 - height * 4) < 4 and shown == [640, 480, "none"],
          [width, height] + shown)
    screenshot(os.path.join(build_web, "page-1920x1080.png"))
    click("#fullscreen")
    entered = wait_for("document.fullscreenElement")
    check("Full screen fills the screen with the picture at 4:3", entered and box("canvas") == [240, 0, 1440, 1080],
          box("canvas"))
    screenshot(os.path.join(build_web, "page-full-screen.png"))


def messages(url: str, build_web: str) -> None:
    open_page("file://" + os.path.abspath(os.path.join(build_web, "site", "index.html")))
    check("opened from a file, the page says to serve the folder over HTTP, and how",
          wait_for("%s.includes('python3 -m http.server -d')" % NOTICE, 10), evaluate(NOTICE))
    open_page(url, script="HTMLCanvasElement.prototype.getContext = () => null;")
    check("without WebGL the page says so", wait_for("%s.includes('WebGL is turned off or missing')" % NOTICE, 10))


SCENARIOS = [first_level, escape_then_play_again, keys, phone, full_screen, messages]


def check_throw_replay(url: str, native_replay: str, levels: str) -> None:
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


def main() -> int:
    build_web, native_replay, levels = sys.argv[1:4]
    # The site's files and their precompressed copies, which must unpack to them.
    files = [os.path.join(build_web, "site", name) for name in ("index.html", "skorvel.js", "skorvel.wasm",
                                                                "skorvel.data")]
    copies = [(subprocess.run(["brotli", "-dc", file + ".br"], stdout=subprocess.PIPE).stdout,
               subprocess.run(["gzip", "-dc", file + ".gz"], stdout=subprocess.PIPE).stdout) for file in files]
    faithful = all(os.path.exists(file) and pathlib.Path(file).read_bytes() == brotli == gzip
                   for file, (brotli, gzip) in zip(files, copies))
    download = sum(os.path.getsize(file + ".br") for file in files if faithful)
    check("the site's files have faithful .br and .gz copies, and a download under %d kB with brotli"
          % (DOWNLOAD_LIMIT // 1000), faithful and download < DOWNLOAD_LIMIT, "%d bytes" % download)
    http.server.SimpleHTTPRequestHandler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(
        http.server.SimpleHTTPRequestHandler, directory=build_web))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    with tempfile.TemporaryDirectory(prefix="skorvel-chromium-") as profile:
        start_browser(profile)
        try:
            for scenario in SCENARIOS:
                try:
                    scenario(url + SITE_PATH, build_web)
                except (RuntimeError, TimeoutError, TypeError) as error:
                    check(scenario.__name__.replace("_", " "), False, error)
            check_throw_replay(url, os.path.abspath(native_replay), levels)
        finally:
            stop_browser()
            server.shutdown()
    passed = sum(results)
    print("web: %d passed, %d failed" % (passed, len(results) - passed))
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
