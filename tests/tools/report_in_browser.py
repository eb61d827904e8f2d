"""Opens the report of a phantom run in headless Chromium and checks what a user would see.

The program runs `angiolith phantom` and `angiolith run`, opens the run's report.html and
drives the browser over the DevTools protocol on a pipe (--remote-debugging-pipe: JSON messages
ended by a NUL byte on file descriptors 3 and 4), so that nothing but Python's standard library
and Debian's chromium is needed. It checks: no error in the page's console; the 3-D canvas has
drawn (not all one colour) and a scripted drag changes it; the table has one row per vessel and
its totals equal territories.json; every other colouring changes the picture; the run's
warnings (a speck added to the phantom's mask is left out) are listed. It keeps a screenshot
of the page. Exit status 77 (a skipped test for CTest) when no browser is installed.
"""

import argparse
import base64
import gzip
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77


class BrowserError(RuntimeError):
    pass


class Chromium:
    """A headless Chromium with one page, driven over the DevTools protocol's pipe."""

    def __init__(self, executable, profile):
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()

        def on_fds_3_and_4():
            os.dup2(to_browser_read, 3)
            os.dup2(from_browser_write, 4)

        self.process = subprocess.Popen(
            [executable, "--headless", "--no-sandbox", "--remote-debugging-pipe",
             "--user-data-dir=" + profile, "--no-first-run", "--no-default-browser-check",
             "--disable-extensions", "--disable-background-networking", "--hide-scrollbars",
             # WebGL without a GPU: Chromium's software renderer, which newer versions enable
             # only on request.
             "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--window-size=1280,900", "about:blank"],
            pass_fds=(3, 4), preexec_fn=on_fds_3_and_4, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None

    def _receive(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise BrowserError("the browser did not answer in time")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise BrowserError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, page=True, timeout=60):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if page and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise BrowserError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            if "method" in answer:
                self.events.append(answer)

    def open_page(self):
        targets = self.call("Target.getTargets", page=False)["targetInfos"]
        target = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target["targetId"], "flatten": True},
                                 page=False)["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable")

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression[:60]}...: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.05)
        raise BrowserError(f"timed out waiting for {expression}")

    def console_errors(self):
        errors = []
        for event in self.events:
            method, params = event.get("method"), event.get("params", {})
            if method == "Runtime.exceptionThrown":
                details = params.get("exceptionDetails", {})
                errors.append(details.get("exception", {}).get("description") or details.get("text"))
            elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                errors.append(" ".join(str(a.get("value", a.get("description"))) for a in params.get("args", [])))
            elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
                errors.append(params["entry"].get("text"))
        return errors

    def close(self):
        try:
            self.call("Browser.close", page=False, timeout=10)
        except (BrowserError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)


# The canvas scaled down to 64 x 48 cells of RGB, read through a 2-D canvas (the renderer keeps
# its drawing buffer), and the colour of its corner (the background).
CANVAS_CELLS = """(() => {
    const source = document.querySelector('#view canvas');
    const small = document.createElement('canvas');
    small.width = 64; small.height = 48;
    const context = small.getContext('2d');
    context.drawImage(source, 0, 0, 64, 48);
    const pixels = context.getImageData(0, 0, 64, 48).data;
    const cells = [];
    for (let i = 0; i < pixels.length; i += 4) cells.push(pixels[i], pixels[i + 1], pixels[i + 2]);
    return cells;
})()"""

FRAMES = "Number(document.body.getAttribute('data-frames') || 0)"


def cells_of(browser):
    values = browser.evaluate(CANVAS_CELLS)
    return [tuple(values[i:i + 3]) for i in range(0, len(values), 3)]


def changed_share(a, b):
    return sum(1 for x, y in zip(a, b) if max(abs(p - q) for p, q in zip(x, y)) > 24) / len(a)


def next_frame(browser, frames):
    browser.wait_for(f"{FRAMES} > {frames}")
    return browser.evaluate(FRAMES)


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        print(("ok     " if condition else "FAILED ") + message)
        if not condition:
            self.failures.append(message)


def drag(browser, x0, y0, x1, y1, steps=12):
    event = {"x": x0, "y": y0, "button": "left", "clickCount": 1}
    browser.call("Input.dispatchMouseEvent", dict(event, type="mousePressed", buttons=1))
    for k in range(1, steps + 1):
        browser.call("Input.dispatchMouseEvent", {
            "type": "mouseMoved", "button": "left", "buttons": 1,
            "x": x0 + (x1 - x0) * k / steps, "y": y0 + (y1 - y0) * k / steps})
    browser.call("Input.dispatchMouseEvent", dict(event, type="mouseReleased", x=x1, y=y1, buttons=0))


def add_speck(path):
    """Sets a 2 x 2 x 2 block of voxels in a corner of an 8-bit NIfTI-1 mask (.nii.gz): a part
    of the skeleton too small to be a vessel, which the run leaves out with a warning."""
    with gzip.open(path, "rb") as file:
        data = bytearray(file.read())
    nx, ny, _ = struct.unpack_from("<3h", data, 42)
    offset = int(struct.unpack_from("<f", data, 108)[0])
    for z in (1, 2):
        for y in (1, 2):
            for x in (1, 2):
                data[offset + (z * ny + y) * nx + x] = 1
    with gzip.open(path, "wb") as file:
        file.write(data)


def check_report(browser, report, figures, screenshot, checks):
    browser.open_page()
    browser.call("Page.navigate", {"url": "file://" + os.path.abspath(report)})
    browser.wait_for("document.body && document.body.getAttribute('data-ready') !== null")
    ready = browser.evaluate("document.body.getAttribute('data-ready')")
    checks.expect(ready == "drawn", f"the page set up its 3-D view (state: {ready})")
    frames = browser.evaluate(FRAMES)

    # The canvas drew: not all one colour, and a good part differs from the background.
    before = cells_of(browser)
    background = before[0]
    drawn = sum(1 for c in before if max(abs(p - q) for p, q in zip(c, background)) > 24)
    checks.expect(len(set(before)) > 8, f"the canvas is not all one colour ({len(set(before))} colours)")
    checks.expect(drawn > len(before) * 0.02, f"the drawing covers part of the canvas ({drawn} of {len(before)} cells)")

    # A drag across the canvas rotates the view.
    browser.evaluate("document.querySelector('#view').scrollIntoView()")
    box = browser.evaluate("(() => { const r = document.querySelector('#view canvas')"
                           ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()")
    cx, cy = box[0] + box[2] / 2, box[1] + box[3] / 2
    drag(browser, cx - box[2] * 0.2, cy, cx + box[2] * 0.2, cy + box[3] * 0.1)
    frames = next_frame(browser, frames)
    after = cells_of(browser)
    share = changed_share(before, after)
    checks.expect(share > 0.03, f"a drag changes the picture ({share:.0%} of the cells)")

    # Every other colouring changes the picture.
    options = browser.evaluate("[...document.querySelectorAll('#colouring option')].map(o => o.value)")
    checks.expect(options[:1] == ["territory"] and len(options) == 4, f"four colourings ({options})")
    reference = after
    for option in options[1:] + options[:1]:
        browser.evaluate(f"(() => {{ const s = document.getElementById('colouring'); s.value = '{option}';"
                         " s.dispatchEvent(new Event('change')); })()")
        frames = next_frame(browser, frames)
        if option != options[0]:
            share = changed_share(reference, cells_of(browser))
            checks.expect(share > 0.01, f"colouring by {option} changes the picture ({share:.1%} of the cells)")

    # Pointing at a drawn vessel (a saturated cell of the territory colouring) names it; a click
    # selects it in the table.
    cells = cells_of(browser)
    vessel_cells = [i for i, c in enumerate(cells) if max(c) - min(c) > 80]
    named = None
    for i in vessel_cells[len(vessel_cells) // 2:] + vessel_cells[:len(vessel_cells) // 2]:
        x, y = box[0] + (i % 64 + 0.5) * box[2] / 64, box[1] + (i // 64 + 0.5) * box[3] / 48
        browser.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})
        time.sleep(0.05)
        browser.evaluate("new Promise(done => requestAnimationFrame(() => done(true)))")
        named = browser.evaluate("(() => { const t = document.getElementById('tooltip');"
                                 " return t.hidden ? null : t.textContent; })()")
        if named:
            for kind in ("mousePressed", "mouseReleased"):
                browser.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left",
                                                          "buttons": 1 if kind == "mousePressed" else 0,
                                                          "clickCount": 1})
            break
    checks.expect(bool(named) and named.startswith("Vessel"), f"pointing at a vessel names it ({named})")
    selected = browser.evaluate("document.querySelectorAll('#vessel-table tbody tr.selected').length")
    text = browser.evaluate("document.getElementById('selection').textContent")
    checks.expect(selected == 1 and text.startswith("Vessel"), f"a click selects the vessel ({text[:40]})")

    # The table: one row per vessel, keyed by tree and id, and the totals of territories.json.
    keys = browser.evaluate("[...document.querySelectorAll('#vessel-table tbody tr')].map(r => r.dataset.key)")
    expected = [f"{v['tree']}:{v['id']}" for v in figures["vessels"]]
    checks.expect(len(keys) == len(expected) and sorted(keys) == sorted(expected),
                  f"the table has one row per vessel ({len(keys)} rows, {len(expected)} vessels)")
    for table, name, key in (("totals-trees", "trees", "tree"), ("totals-segments", "segments", "segment"),
                             ("totals-resection", "resection", "resection")):
        shown = browser.evaluate(
            f"[...document.querySelectorAll('#{table} tr[data-key]')].map(r =>"
            " [...r.children].map(c => JSON.parse(c.dataset.value)))")
        wanted = [[t[key], t["voxels"], t["ml"], t["percent"]] for t in figures["totals"][name]]
        checks.expect(shown == wanted, f"the totals per {key} equal territories.json ({len(wanted)} rows)")
    own = browser.evaluate("JSON.parse(document.querySelector('#vessel-table tfoot td[data-value]').dataset.value)")
    total = sum(t["voxels"] for t in figures["totals"]["trees"])
    checks.expect(own == total, f"the vessels' own voxels add up to the trees' total ({own} vs {total})")

    # Sorting by a column orders the rows by it.
    browser.evaluate("document.querySelector('#vessel-table th[data-key=\"own_voxels\"]').click()")
    browser.evaluate("document.querySelector('#vessel-table th[data-key=\"own_voxels\"]').click()")
    column = browser.evaluate("[...document.querySelectorAll('#vessel-table tbody tr')].map(r =>"
                              " JSON.parse(r.children[9].dataset.value))")
    checks.expect(column == sorted(column, reverse=True), "a second click sorts the table descending")

    # The header lists every warning of the run, as territories.json holds them.
    warnings = browser.evaluate("[...document.querySelectorAll('#warning-list li')].map(li => li.textContent)")
    checks.expect(warnings == figures["warnings"] and len(warnings) > 0,
                  f"the header lists the run's warnings ({warnings})")

    # Nothing is fetched: every script and image is inline.
    external = browser.evaluate("[...document.querySelectorAll('script[src], link[href], img')]"
                                ".map(e => e.src || e.href).filter(u => u && !u.startsWith('data:'))")
    checks.expect(external == [], f"nothing is loaded from elsewhere ({external})")
    preview = browser.evaluate("document.getElementById('preview').naturalWidth")
    checks.expect(preview > 0, f"the projections image shows ({preview} pixels wide)")

    browser.evaluate("window.scrollTo(0, 0)")
    shot = browser.call("Page.captureScreenshot", {"format": "png", "captureBeyondViewport": True, "clip": {
        "x": 0, "y": 0, "width": 1280, "height": 1000, "scale": 1}})
    with open(screenshot, "wb") as file:
        file.write(base64.b64decode(shot["data"]))
    print(f"screenshot: {screenshot}")
    errors = browser.console_errors()
    checks.expect(errors == [], f"no errors in the console ({errors})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the angiolith program")
    parser.add_argument("--chromium", default="", help="the browser (default: chromium on PATH)")
    parser.add_argument("--work", required=True, help="folder for the phantom, the run and the screenshot")
    parser.add_argument("--size", default="small", help="phantom size")
    args = parser.parse_args()

    candidates = [args.chromium, shutil.which("chromium"), shutil.which("chromium-browser")]
    chromium = next((c for c in candidates if c and os.path.isfile(c) and os.access(c, os.X_OK)), None)
    if not chromium:
        print("SKIPPED: no Chromium browser is installed, so the report was not opened in a browser "
              "(install Debian's chromium package: scripts/test.sh does when it can)")
        return SKIP

    os.makedirs(args.work, exist_ok=True)
    phantom, results = os.path.join(args.work, "phantom"), os.path.join(args.work, "results")
    subprocess.run([args.tool, "phantom", "--out", phantom, "--size", args.size, "--seed", "1", "--quiet"],
                   check=True)
    add_speck(os.path.join(phantom, "vessels.nii.gz"))
    subprocess.run([args.tool, "run", os.path.join(phantom, "vessels.nii.gz"), "--tissue",
                    os.path.join(phantom, "liver.nii.gz"), "--out", results, "--quiet"], check=True)
    report = os.path.join(results, "report.html")
    with open(os.path.join(results, "territories.json"), encoding="utf-8") as file:
        figures = json.load(file)
    print(f"report: {report} ({os.path.getsize(report)} bytes)")

    checks = Checks()
    with tempfile.TemporaryDirectory() as profile:
        browser = Chromium(chromium, profile)
        try:
            check_report(browser, report, figures, os.path.join(args.work, "report.png"), checks)
        finally:
            browser.close()
    if checks.failures:
        print(f"{len(checks.failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
