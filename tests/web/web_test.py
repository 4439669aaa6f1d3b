"""The web site in headless Chromium over the DevTools protocol, with real keys, clicks, fingers and screens; and
the throw replay, ending every level's throw alike in the browser and natively.
Usage: web_test.py BUILD_WEB NATIVE_THROW_REPLAY LEVELS"""

import base64
import contextlib
import fcntl
import http.server
import json
import os
import select
import subprocess
import sys
import tempfile
import threading
import time
from typing import Any

# WebGL on the built-in software renderer, and nothing that reaches out to the network.
CHROMIUM = ["chromium", "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--no-first-run", "--disable-quic", "--remote-debugging-pipe"]
LOG = "document.getElementById('log').textContent"
NOTICE = "(document.getElementById('notice').hidden ? '' : document.getElementById('notice').innerText)"
LOADS = "(%s.match(/done loading scene from file \\S+/g) || [])" % LOG
# Screens: CSS pixels wide and high, and whether it is a phone's touch
# screen. On the desktop one, the lane is shown at exactly 640x480, the size
# the game draws.
DESKTOP, FULL_HD, PHONE = (656, 900, False), (1920, 1080, False), (390, 844, True)
KEYS = {"Escape": 27, "F5": 116, "F12": 123, "Control": 17, "r": 82}  # DOM key codes

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
PIN_COUNTER = open(os.path.join(os.path.dirname(__file__), "pin_counter.txt")).read().split()

browser: dict[str, Any] = {"next_id": 0, "buffer": b"", "session": None, "exceptions": []}
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


# Sends a command to the open page (or the browser) and returns its result,
# keeping the page's uncaught exceptions that arrive meanwhile.
def call(method: str, **params: Any) -> dict[str, Any]:
    browser["next_id"] += 1
    message = {"id": browser["next_id"], "method": method, "params": params}
    if browser["session"]:
        message["sessionId"] = browser["session"]
    os.write(browser["out"], json.dumps(message).encode() + b"\0")
    while True:
        while b"\0" not in browser["buffer"]:
            chunk = os.read(browser["in"], 1 << 16) if select.select([browser["in"]], [], [], 60)[0] else b""
            if not chunk:
                raise TimeoutError("the browser did not answer " + method)
            browser["buffer"] += chunk
        text, browser["buffer"] = browser["buffer"].split(b"\0", 1)
        answer = json.loads(text)
        if answer.get("method") == "Runtime.exceptionThrown":
            browser["exceptions"].append(answer["params"]["exceptionDetails"]["text"])
        if answer.get("id") == message["id"]:
            if "error" in answer:
                raise RuntimeError("%s: %s" % (method, answer["error"]))
            return answer["result"]


# Opens url in the browser's tab on the screen given, running script first
# on this page and every later one.
def open_page(url: str, screen: tuple[int, int, bool] = DESKTOP, script: str = "") -> None:
    if not browser["session"]:
        target = call("Target.createTarget", url="about:blank")["targetId"]
        browser["session"] = call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        call("Page.enable")
    browser["exceptions"] = []
    call("Runtime.enable")
    call("Emulation.setDeviceMetricsOverride", width=screen[0], height=screen[1], mobile=screen[2],
         deviceScaleFactor=3 if screen[2] else 1)
    call("Emulation.setTouchEmulationEnabled", enabled=screen[2], maxTouchPoints=5)
    call("Page.addScriptToEvaluateOnNewDocument", source=script)
    call("Page.navigate", url=url)


def evaluate(expression: str) -> Any:
    return call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")


# Whether expression became true in time; an exception, as while loading, counts as false.
def wait_for(expression: str, seconds: float = 30) -> bool:
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with contextlib.suppress(RuntimeError):  # the page is between two documents
            if evaluate("(() => { try { return !!(%s); } catch (e) { return false; } })()" % expression):
                return True
        time.sleep(0.1)
    return False


def check(name: str, passed: bool, detail: Any = "") -> None:
    results.append(passed)
    print("%s: %s%s" % ("PASS" if passed else "FAIL", name, " (%s)" % detail if detail != "" else ""))


# The element's left, top, width and height in CSS pixels; a TypeError when it is missing.
def box(selector: str) -> list[float]:
    return evaluate("(r => [r.x, r.y, r.width, r.height])(document.querySelector(%r).getBoundingClientRect())"
                    % selector)


def key(kind: str, name: str, modifiers: int = 0, repeat: bool = False) -> None:
    call("Input.dispatchKeyEvent", type=kind, key=name, windowsVirtualKeyCode=KEYS[name], modifiers=modifiers,
         autoRepeat=repeat)


def click(selector: str, at: tuple[float, float] = (0.5, 0.5)) -> None:
    left, top, width, height = box(selector)
    for kind in ("mousePressed", "mouseReleased"):
        call("Input.dispatchMouseEvent", type=kind, x=left + width * at[0], y=top + height * at[1], button="left",
             clickCount=1)


# A key pressed and let go at once, well within one frame.
def tap(name: str) -> None:
    key("rawKeyDown", name)
    key("keyUp", name)


# A finger put down at the first point, moved through the others a frame apart, and lifted.
def touch(points: list[tuple[float, float]]) -> None:
    for kind, (x, y) in [("touchStart", points[0])] + [("touchMove", point) for point in points[1:]]:
        call("Input.dispatchTouchEvent", type=kind, touchPoints=[{"x": x, "y": y}])
        time.sleep(0.017)
    call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])


def loaded(scene: str, seconds: float = 30) -> bool:
    return wait_for("%s.includes('done loading scene from file %s')" % (LOG, scene), seconds)


def open_game(url: str, screen: tuple[int, int, bool] = DESKTOP) -> bool:
    open_page(url, screen)
    return loaded("warmup_scene.txt", 60) and wait_for("Module.framesShown >= 4")


def first_level(url: str, paths: list[str]) -> None:
    started = open_game(url)
    log, progress = evaluate("[%s, document.getElementById('progress').value]" % LOG)
    check("the progress bar counted the download, and the log shows the game's lines and none of the emulation's",
          started and progress == 1 and "OpenGL Vendor" in log and "emscripten" not in log and "TODO" not in log, log)
    clip = dict(zip(("x", "y", "width", "height"), box("canvas")), scale=1)
    png = base64.b64decode(call("Page.captureScreenshot", format="png", clip=clip)["data"])
    raw = subprocess.check_output(["convert", "png:-", "-depth", "8", "rgb:-"], input=png)
    pixel = lambda x, y: raw[(y * 640 + x) * 3:(y * 640 + x) * 3 + 3]  # noqa: E731
    art = ["".join("X" if OVERLAY(*pixel(x, y)) else "." for x in range(len(PIN_COUNTER[0])))
           for y in range(len(PIN_COUNTER))]
    check("the first level shows its pin counter as the native game draws it", art == PIN_COUNTER, "\n".join(art))
    for name, (left, top, right, bottom), colour_test, least in REGIONS:
        found = sum(colour_test(*pixel(x, y)) for x in range(left, right) for y in range(top, bottom))
        check("the first level shows at least %d pixels of its %s's colour" % (least, name), found >= least, found)


# The scene loads counted in the log after the key events, each group sent
# in a frame of its own.
def loads_after(frames: list[list[tuple[Any, ...]]]) -> int:
    count = len(evaluate(LOADS))
    for events in frames:
        wait_for("Module.framesShown > %d" % evaluate("Module.framesShown"))
        for event in events:
            key(*event)
    time.sleep(1)
    return len(evaluate(LOADS)) - count


def keys_then_escape(url: str, paths: list[str]) -> None:
    started = open_game(url)
    # Which keydowns the page takes from the browser; 2 is the DevTools modifier bit for Ctrl.
    evaluate("window.taken = []; addEventListener('keydown', e => taken.push(e.key + ' ' + e.defaultPrevented))")
    for event in [("rawKeyDown", "Control", 2), ("rawKeyDown", "r", 2), ("keyUp", "r", 2),
                  ("keyUp", "Control"), ("rawKeyDown", "F5"), ("keyUp", "F5")]:
        key(*event)
    taken = evaluate("taken")
    time.sleep(1)  # for the load F5 asked for
    check("Ctrl+R stays the browser's, while F5 is the game's", taken == ["Control false", "r false", "F5 true"], taken)
    held = [[("rawKeyDown", "F5")]] + [[("rawKeyDown", "F5", 0, True)]] * 4 + [[("keyUp", "F5")]]
    check("F5 held, with the repeats a browser sends, loads the scene again once", started and loads_after(held) == 1)
    tapped = loads_after([[("rawKeyDown", "F5"), ("keyUp", "F5")]])
    check("an F5 tap shorter than a frame loads the scene again", tapped == 1, tapped)
    tap("F12")
    second = loaded("funnel_scene.txt", 10)
    tap("F12")  # during the frames the page gives a new level to settle
    time.sleep(1)
    check("F12 twice, the second right after a load, skips two levels and no more",
          second and evaluate(LOADS)[-1].endswith("tenpin_scene.txt"), evaluate(LOADS)[-1])
    click("canvas")
    locked = evaluate("!!document.pointerLockElement")
    tap("Escape")
    ended = wait_for("%s.includes('The game has ended')" % NOTICE, 10)
    click("canvas", at=(0.05, 0.05))  # right after the pointer was let go, away from the notice's button
    time.sleep(0.5)
    check("Escape ends the game: the page says so and lets the pointer go even after a click, with no error uncaught",
          locked and ended and not evaluate("document.pointerLockElement") and not browser["exceptions"]
          and evaluate(LOG).endswith("\n....Done....\n"), [locked, ended, evaluate(NOTICE)] + browser["exceptions"])
    click("#again")
    check("Play again starts a new game", wait_for("%s.includes('warmup') && !%s.includes('Done')" % (LOG, LOG), 60)
          and wait_for("Module.framesShown >= 4 && %s == ''" % NOTICE))


def phone(url: str, paths: list[str]) -> None:
    started = open_game(url, PHONE)
    left, top, width, height = box("canvas")
    touch([(left + width / 2, top + height * 0.6 - 12 * step) for step in range(8)])
    check("on a phone the lane spans the screen, and a finger drag up it throws and wins the first level",
          started and width >= 370 and left + width <= PHONE[0] and loaded("funnel_scene.txt", 15), [left, width])
    click("[data-key='123']")
    check("the on-page Next level skips a level", loaded("tenpin_scene.txt", 15))


def full_screen(url: str, paths: list[str]) -> None:
    started = open_game(url, FULL_HD)
    left, top, width, height = box("canvas")
    check("on a 1920x1080 screen the lane fills the window's height at 4:3",
          started and height > 1000 and abs(width * 3 - height * 4) < 4, [width, height])
    click("#fullscreen")
    entered = wait_for("document.fullscreenElement")
    check("Full screen fills the screen with the picture at 4:3", entered and box("canvas") == [240, 0, 1440, 1080],
          box("canvas"))


# Last, as the script that takes WebGL away stays for every later page.
def messages(url: str, paths: list[str]) -> None:
    open_page("file://" + os.path.abspath(os.path.join(paths[0], "site", "index.html")))
    check("opened from a file, the page says to serve the folder over HTTP, and how",
          wait_for("%s.includes('python3 -m http.server -d')" % NOTICE, 10), evaluate(NOTICE))
    open_page(url, script="HTMLCanvasElement.prototype.getContext = () => null;")
    check("without WebGL the page says so", wait_for("%s.includes('WebGL is turned off or missing')" % NOTICE, 10))


def throw_replay(url: str, paths: list[str]) -> None:
    native = subprocess.check_output([os.path.abspath(paths[1])], cwd=paths[2], text=True).splitlines()
    open_page(url + "../throw_replay.html")
    finished = wait_for("document.title == 'exit 0'", 120)
    # The emulation's warnings are the web build's own lines.
    web = [line for line in evaluate(LOG).splitlines() if not line.startswith("WARNING: using emscripten")]
    check("every throw ends in the same state in the browser and natively", finished and len(native) > 1
          and native == web, [pair for pair in zip(native, web) if pair[0] != pair[1]][:1])


SCENARIOS = [first_level, keys_then_escape, phone, full_screen, throw_replay, messages]


def main() -> int:
    # The site's files and their precompressed copies, which must unpack to them.
    files = [sys.argv[1] + "/site/" + name for name in ("index.html", "skorvel.js", "skorvel.wasm", "skorvel.data")]
    unpacked = [subprocess.run([unpack, "-dc", file + suffix], stdout=subprocess.PIPE).stdout
                for file in files for unpack, suffix in (("brotli", ".br"), ("gzip", ".gz"))]
    download = sum(os.path.getsize(file + ".br") for file in files if os.path.exists(file + ".br"))
    check("the site's files have faithful .br and .gz copies, and a download under 150 kB with brotli",
          unpacked == [open(file, "rb").read() for file in files for _ in range(2)] and download < 150_000, download)
    http.server.SimpleHTTPRequestHandler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), lambda *args: http.server.SimpleHTTPRequestHandler(*args, directory=sys.argv[1]))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    with tempfile.TemporaryDirectory(prefix="skorvel-chromium-") as profile:
        start_browser(profile)
        try:
            for scenario in SCENARIOS:
                scenario("http://127.0.0.1:%d/site/" % server.server_address[1], sys.argv[1:4])
        finally:
            browser["session"] = None  # closed as the browser, which waits for its pages to end
            with contextlib.suppress(OSError, TimeoutError):
                call("Browser.close")
            browser["process"].wait(timeout=30)
    passed = sum(results)
    print("web: %d passed, %d failed" % (passed, len(results) - passed))
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
