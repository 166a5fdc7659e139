#!/usr/bin/env python3
"""The browser view in a real, headless chromium, driven by selenium.

session: loads a shared board in "autoplacer edit", places it through the
choice dialog, enters the editing mode, picks a component, drags it with real
mouse moves, presses K and a remould key, accepts, aligns two components
(click, Shift-click) through the dialog, undoes the alignment, selects
everything with a rubber band and saves. The session's journal is
then replayed with "autoplacer edit --script" and the two saved boards must be
identical, byte for byte.

redraw: on the largest shared board, drags a component with real mouse moves
and prints how many cursor moves per second were drawn (the page stamps each
finished redraw with requestAnimationFrame and performance.now()).

Exits 77 (skipped) when chromium, its driver or selenium is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    print("skipped: python3-selenium is not installed (scripts/setup.sh installs it)")
    sys.exit(SKIP)

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("skipped: chromium and chromium-driver are not installed (scripts/setup.sh installs them)")
    sys.exit(SKIP)

BIN = os.environ["AUTOPLACER_EXECUTABLE"]
BOARDS = os.environ["AUTOPLACER_BOARDS_DIR"]


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


class Session:
    """One "autoplacer edit BOARD" process and a headless chromium on its page."""

    def __init__(self, board, scratch, output):
        self.scratch = scratch
        self.journal = os.path.join(scratch, "journal.txt")
        self.errors = open(os.path.join(scratch, "stderr.txt"), "w")
        self.process = subprocess.Popen(
            [BIN, "edit", board, "-o", output, "--registry", os.path.join(scratch, "registry.json"),
             "--journal", self.journal],
            stdout=subprocess.PIPE, stderr=self.errors, stdin=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if "http://127.0.0.1:" not in line:
            fail("no address printed: " + line)
        self.address = line.split("open ")[1].split(" ")[0]
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,860",
                         "--disable-dev-shm-usage"):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        self.driver.set_window_size(1280, 860)
        self.driver.get(self.address)
        self.wait(lambda: self.js("return window.autoplacer.ready"), "the board is drawn")

    def js(self, script, *arguments):
        return self.driver.execute_script(script, *arguments)

    def wait(self, condition, what, timeout=60):
        end = time.time() + timeout
        while time.time() < end:
            if condition():
                return
            time.sleep(0.05)
        page = self.js("const a = window.autoplacer; return [a.state(), a.lastSeq, JSON.stringify(a.sent.slice(-3)),"
                       "document.getElementById('messages').innerText]")
        fail("timed out waiting until %s; page: %s; stderr: %s" % (what, page, open(self.errors.name).read()))

    def idle(self, state=None):
        """Every message sent has been answered (and the session is in state)."""
        self.wait(lambda: self.js(
            "const a = window.autoplacer; const s = a.sent;"
            "return (s.length === 0 || a.lastSeq >= s[s.length - 1].seq) && (!arguments[0] || a.state() === arguments[0])",
            state), "the session is idle" + (" in state " + state if state else ""))

    def component(self, ref):
        return self.js("return [...document.querySelectorAll('g.comp')].find("
                       "g => g.querySelector('text.ref') && g.querySelector('text.ref').textContent === arguments[0])",
                       ref)

    def clickable_pair(self):
        refs = self.js(
            "return [...document.querySelectorAll('g.comp')].filter(g => {"
            "  const t = g.querySelector('text.ref');"
            "  if (!t || g.style.display === 'none' || g.classList.contains('locked') || g.classList.contains('artwork')) return false;"
            "  const r = g.getBoundingClientRect();"
            "  const x = r.left + r.width / 2, y = r.top + r.height / 2;"
            "  const hit = document.elementFromPoint(x, y);"
            "  if (hit === null || hit.closest('g.comp') !== g) return false;"
            # A click where another part's box lies too (a logo under a part) makes the
            # editor ask which one is meant.
            "  return ![...document.querySelectorAll('g.comp')].some(o => {"
            "    if (o === g || o.style.display === 'none') return false;"
            "    const q = o.getBoundingClientRect();"
            "    return x >= q.left && x <= q.right && y >= q.top && y <= q.bottom;"
            "  });"
            "}).map(g => g.querySelector('text.ref').textContent)")
        if not refs or len(refs) < 2:
            fail("fewer than two parts can be clicked: %s" % refs)
        self.pair = (refs[0], refs[1])
        return self.pair

    def dialog(self, caption):
        self.wait(lambda: self.js("return !document.getElementById('overlay').classList.contains('hidden') &&"
                                  "document.querySelector('#dialog h2').textContent === arguments[0]", caption),
                  "the dialog " + caption + " is shown")

    def dialog_button(self, caption):
        self.js("return 1")  # the form may have been drawn again: find the button afresh
        buttons = [b for b in self.driver.find_elements(By.CSS_SELECTOR, "#dialog button") if b.text == caption]
        if not buttons:
            fail("no button " + caption + " in the dialog")
        buttons[0].click()

    def choose(self, caption):
        """Clicks the radio button or check box of that caption in the open dialog."""
        box = self.js("return [...document.querySelectorAll('#dialog input')].find(i =>"
                      "i.parentNode.textContent.trim() === arguments[0])", caption)
        if box is None:
            fail("no choice " + caption + " in the dialog")
        box.click()
        self.idle()

    def screenshot(self, name):
        folder = os.environ.get("AUTOPLACER_SCREENSHOTS")
        if folder:
            self.driver.save_screenshot(os.path.join(folder, name))

    def close(self):
        try:
            self.driver.quit()
        finally:
            if self.process.poll() is None:
                self.process.terminate()
                self.process.wait(10)
            self.errors.close()


def run_session(scratch):
    board = os.path.join(BOARDS, "uext-esp32-c3.kicad_pcb")
    browser_board = os.path.join(scratch, "browser.kicad_pcb")
    s = Session(board, scratch, browser_board)
    try:
        s.screenshot("browser-before.png")
        # Place through the choice dialog, as it comes.
        s.driver.find_element(By.ID, "place").click()
        s.dialog("Auto Place")
        s.choose("Cluster Placer")
        s.dialog_button("OK")
        s.idle("top")
        s.wait(lambda: s.js("return document.getElementById('overlay').classList.contains('hidden')"),
               "the dialogs are closed")
        s.screenshot("browser-placed.png")
        # The editing mode with auto-select; pick C5 and drag it left by real mouse moves.
        s.js("document.getElementById('mode').value = 'AutoSelect'")
        s.driver.find_element(By.ID, "edit").click()
        s.idle("location")
        # The first movable footprint drawn (parts the placer could not fit stay hidden until a
        # redraw; a click on a logo, which is not placed, picks nothing and ends the mode).
        target = s.js("return [...document.querySelectorAll('g.comp')].find(g => g.style.display !== 'none'"
                      "&& g.querySelector('text.ref') && !g.classList.contains('locked')"
                      "&& !g.classList.contains('artwork'))")
        if target is None:
            fail("no footprint is drawn")
        ActionChains(s.driver).move_to_element(target).click().perform()
        s.idle("edit")
        for _ in range(6):
            ActionChains(s.driver).move_by_offset(-14, 3).pause(0.05).perform()
        s.idle("edit")
        ActionChains(s.driver).send_keys("k").perform()
        s.idle("edit")
        ActionChains(s.driver).send_keys("q").perform()  # remould square
        s.idle("edit")
        s.screenshot("browser-editing.png")
        ActionChains(s.driver).send_keys(Keys.ENTER).perform()  # accept
        s.idle("location")
        ActionChains(s.driver).send_keys(Keys.ESCAPE).perform()  # ends the editing mode
        s.idle("top")
        # Select one part and Shift-click another, then align them through the dialog.
        # The two are the first drawn movable parts whose middle no other part covers, so the
        # clicks land on them wherever the placer put them.
        first, second = s.clickable_pair()
        ActionChains(s.driver).move_to_element(s.component(first)).click().perform()
        s.idle("top")
        ActionChains(s.driver).key_down(Keys.SHIFT).move_to_element(s.component(second)).click() \
            .key_up(Keys.SHIFT).perform()
        s.idle("top")
        selected = s.js("return document.querySelectorAll('g.comp.selected').length")
        if selected != 2:
            fail("expected two selected components, found %s" % selected)
        s.driver.find_element(By.ID, "align").click()
        s.dialog("Align Components")
        s.choose("Centre")
        s.dialog_button("OK")
        s.idle("top")
        if not s.js("return !document.getElementById('undo').disabled"):
            fail("nothing to undo after the alignment")
        s.driver.find_element(By.ID, "undo").click()
        s.idle("top")
        # A rubber band over the whole view selects every footprint drawn. The view is
        # zoomed out about its middle first, so that a part the placer left beside
        # the outline lies inside the band too.
        s.js("const b = document.getElementById('board').getBoundingClientRect();"
             "document.getElementById('board').dispatchEvent(new WheelEvent('wheel', {deltaY: 400,"
             " clientX: b.left + b.width / 2, clientY: b.top + b.height / 2, bubbles: true, cancelable: true}));")
        board_view = s.driver.find_element(By.ID, "board")
        half_w, half_h = board_view.size["width"] // 2 - 5, board_view.size["height"] // 2 - 5
        ActionChains(s.driver).move_to_element_with_offset(board_view, -half_w, -half_h).click_and_hold() \
            .move_by_offset(half_w, half_h).move_by_offset(half_w, half_h).release().perform()
        s.idle("top")
        shown = s.js("return [...document.querySelectorAll('g.comp')].filter(g => g.style.display !== 'none').length")
        banded = s.js("return document.querySelectorAll('g.comp.selected').length")
        if banded != shown or shown == 0:
            fail("the rubber band selected %s of the %s footprints drawn" % (banded, shown))
        s.driver.find_element(By.ID, "save").click()
        s.idle("top")
        s.wait(lambda: os.path.exists(browser_board), "the board is saved")
        s.driver.find_element(By.ID, "quit").click()
        s.process.wait(30)
        if s.process.returncode != 0:
            fail("autoplacer edit ended with status %d" % s.process.returncode)
    finally:
        s.close()

    journal = open(s.journal).read()
    for needed in ("run RunAutoPlacer", "pick ", "move ", "key 75", "Feature=RemouldSquare", "event 11",
                   "escape", "select " + s.pair[0], "select " + s.pair[1], "run AlignComponents", "undo",
                   "deselect all"):
        if needed not in journal:
            fail("the journal lacks \"%s\":\n%s" % (needed, journal))
    script_board = os.path.join(scratch, "script.kicad_pcb")
    replay = subprocess.run(
        [BIN, "edit", board, "--script", s.journal, "-o", script_board, "--batch", "--registry",
         os.path.join(scratch, "replay-registry.json")], capture_output=True, text=True, stdin=subprocess.DEVNULL)
    if replay.returncode != 0:
        fail("the replay failed (%d): %s" % (replay.returncode, replay.stderr))
    a, b = open(browser_board, "rb").read(), open(script_board, "rb").read()
    if a != b:
        fail("the board saved in the browser and the replayed one differ")
    original = open(board, "rb").read()
    if a == original:
        fail("the session changed nothing")
    print("session: %d journal lines; the browser's board and the replay's are identical" %
          len(journal.splitlines()))


def run_redraw(scratch):
    board = os.path.join(BOARDS, "reform-keyboard.kicad_pcb")
    s = Session(board, scratch, os.path.join(scratch, "unused.kicad_pcb"))
    try:
        count = s.js("return document.querySelectorAll('g.comp').length")
        s.js("document.getElementById('mode').value = 'AutoSelect'")
        s.driver.find_element(By.ID, "edit").click()
        s.idle("location")
        refs = s.js("return [...document.querySelectorAll('g.comp text.ref')].map(t => t.textContent)")
        target = s.component("U1") or s.component(refs[0])
        ActionChains(s.driver).move_to_element(target).click().perform()
        s.idle("edit")
        s.js("window.autoplacer.redraws.length = 0")
        moves = 120
        start = time.time()
        chain = ActionChains(s.driver, duration=0)
        for i in range(moves):
            chain.move_by_offset(-2 if (i // 30) % 2 == 0 else 2, 1 if i % 2 else -1)
        chain.perform()
        s.idle("edit")
        stamps = s.js("return window.autoplacer.redraws")
        elapsed = time.time() - start
        ActionChains(s.driver).send_keys(Keys.ESCAPE).perform()
        s.idle("location")
        ActionChains(s.driver).send_keys(Keys.ESCAPE).perform()
        s.idle("top")
        s.driver.find_element(By.ID, "quit").click()
        s.process.wait(30)
    finally:
        s.close()
    if len(stamps) < 2:
        fail("no drag step was drawn")
    # Moves drawn after the first painted frame, over the time to the last one.
    span = (stamps[-1]["t"] - stamps[0]["t"]) / 1000.0
    drawn = sum(frame["moves"] for frame in stamps[1:])
    rate = drawn / span if span > 0 else float("inf")
    print("redraw: %d components; %d mouse moves in %.2f s; %d cursor moves drawn in %d frames over %.2f s: "
          "%.1f drawn cursor moves per second" % (count, moves, elapsed, drawn + stamps[0]["moves"], len(stamps),
                                                  span, rate))


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else "session"
    scratch = tempfile.mkdtemp(prefix="autoplacer-browser-")
    try:
        (run_redraw if mode == "redraw" else run_session)(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
