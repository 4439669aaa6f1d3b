"""Headless Chromium driven over the DevTools protocol on a pipe, and a static
file server on 127.0.0.1: enough to load a page, read it and photograph it,
with nothing but the standard library and Debian's chromium."""

import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

# WebGL on the built-in software renderer, and nothing that reaches out to
# the network.
CHROMIUM_FLAGS = [
    "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run", "--disable-quic", "--no-default-browser-check",
    "--window-size=800,900", "--remote-debugging-pipe",
]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def start_server(folder):
    """Serves folder on a free port of 127.0.0.1; returns (server, base URL)."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def stop_server(server):
    server.shutdown()
    server.server_close()


def start_browser():
    """Starts Chromium with a fresh profile; returns the browser's state."""
    profile = tempfile.mkdtemp(prefix="skorvel-chromium-")
    to_browser_read, to_browser_write = os.pipe()
    from_browser_read, from_browser_write = os.pipe()

    def give_pipes():  # the protocol pipe is the browser's fds 3 and 4
        os.dup2(to_browser_read, 3)
        os.dup2(from_browser_write, 4)

    flags = CHROMIUM_FLAGS + ["--user-data-dir=" + profile]
    if os.geteuid() == 0:
        flags.append("--no-sandbox")
    log = open(os.path.join(profile, "chromium.log"), "wb")
    process = subprocess.Popen(["chromium"] + flags + ["about:blank"], stdin=subprocess.DEVNULL,
                               stdout=log, stderr=log, preexec_fn=give_pipes, close_fds=False)
    os.close(to_browser_read)
    os.close(from_browser_write)
    log.close()
    return {"process": process, "profile": profile, "out": to_browser_write,
            "in": from_browser_read, "buffer": b"", "next_id": 1, "session": None, "target": None}


def _read_message(browser, deadline):
    while b"\0" not in browser["buffer"]:
        if time.monotonic() > deadline:
            raise TimeoutError("the browser did not answer")
        chunk = os.read(browser["in"], 1 << 16)
        if not chunk:
            raise ConnectionError("the browser closed its pipe")
        browser["buffer"] += chunk
    message, browser["buffer"] = browser["buffer"].split(b"\0", 1)
    return json.loads(message)


def call(browser, method, timeout=30, **params):
    """Sends one command to the attached page (or the browser) and returns its result."""
    message_id = browser["next_id"]
    browser["next_id"] += 1
    message = {"id": message_id, "method": method, "params": params}
    if browser["session"] and not method.startswith(("Target.", "Browser.")):
        message["sessionId"] = browser["session"]
    os.write(browser["out"], json.dumps(message).encode() + b"\0")
    deadline = time.monotonic() + timeout
    while True:
        answer = _read_message(browser, deadline)
        if answer.get("id") != message_id:
            continue  # an event
        if "error" in answer:
            raise RuntimeError("%s: %s" % (method, answer["error"]))
        return answer["result"]


def open_page(browser, url):
    """Opens url in a new tab, closing the one opened before."""
    if browser.get("target"):
        call(browser, "Target.closeTarget", targetId=browser["target"])
    target = call(browser, "Target.createTarget", url="about:blank")["targetId"]
    browser["target"] = target
    browser["session"] = call(browser, "Target.attachToTarget", targetId=target,
                              flatten=True)["sessionId"]
    call(browser, "Page.navigate", url=url)


def evaluate(browser, expression):
    result = call(browser, "Runtime.evaluate", expression=expression, returnByValue=True)
    if "exceptionDetails" in result:
        raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]["text"]))
    return result["result"].get("value")


def wait_for(browser, expression, timeout):
    """Evaluates expression until it is true; returns whether it became true.
    An exception, as while the page is still loading, counts as false."""
    guarded = "(() => { try { return !!(%s); } catch (e) { return false; } })()" % expression
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if evaluate(browser, guarded):
            return True
        time.sleep(0.2)
    return False


def screenshot(browser, path, element_id):
    """Saves a PNG of the element's box."""
    box = evaluate(browser, "(r => [r.x, r.y, r.width, r.height])("
                   "document.getElementById(%s).getBoundingClientRect())" % json.dumps(element_id))
    clip = {"x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1}
    data = call(browser, "Page.captureScreenshot", format="png", clip=clip)["data"]
    with open(path, "wb") as file:
        file.write(base64.b64decode(data))


def stop_browser(browser):
    try:
        call(browser, "Browser.close", timeout=10)
    except (OSError, RuntimeError, TimeoutError):
        pass
    try:
        browser["process"].wait(timeout=10)
    except subprocess.TimeoutExpired:
        browser["process"].kill()
        browser["process"].wait()
    os.close(browser["out"])
    os.close(browser["in"])
    shutil.rmtree(browser["profile"], ignore_errors=True)
