#!/usr/bin/env python3
"""The browser build in headless Chromium, as a user meets it and against the native program.

  web_test.py PAGE_FOLDER NATIVE_ORVEL NATIVE_MESSAGE_BOX_PICTURE OUTPUT_FOLDER

1. Under the virtual clock, on the demo music, the page's window is pixel-identical to the
   native program's (its raw render frames) at the same moments, while clicks on the page's
   display buttons switch the display: spectrum bars, shapes, sphere, then the Time button
   twice (date line, big clock). The page on the spectrum bars is saved as orvel-web.png.
2. In real time the page shows the no-CD message box (drawn by the program, as the About box
   is, and pixel-identical to the native build's drawing of it) and the About box, Enter answers each (a click on OK the message box, in 3), the
   display moves and the demo music is queued for the speakers.
3. Chromium's fake microphone lights the spectrum bars; without one the page says so.
4. Another tab's tone, shared with the page's button, lights them too; a refused share is told.
5. A song dropped on the page, and one chosen with its file button, is decoded and plays.
"""

import base64
import io
import math
import os
import struct
import subprocess
import sys
import tempfile
import time
import wave
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402

WIDTH, HEIGHT = 561, 411  # the main window's client area
FRAME = 0.033  # seconds between the renderer's frames
# The wall-clock time both programs start at, in seconds since 1970: the program seeds its
# random colours from it. Sunday 6 December 2026, 08:16:00 UTC.
EPOCH = 1796544960

# Button centres in client pixels (the window's layout, as render scripts click them).
BUTTONS = {"bars": (310, 353), "stars": (115, 383), "sphere": (505, 383), "clock": (375, 20)}

# (moment in seconds, the button clicked there); each moment is a whole number of frames.
SESSION = [(3.3, "bars"), (6.6, "stars"), (9.9, "sphere"), (13.2, "clock"), (14.85, "clock"),
           (16.5, None)]
SCREENSHOT_AT = 6.6  # the spectrum bars: the page as a user sees it, for the README


def native_frames(orvel, moments, script):
    """The native program's window at each moment: RGB bytes of its raw render frames."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write(script)
    try:
        # libfaketime holds the native program's wall clock at EPOCH (monotonic time is left).
        env = dict(os.environ, TZ="UTC", FAKETIME="@2026-12-06 08:16:00",
                   FAKETIME_DONT_FAKE_MONOTONIC="1", FAKETIME_NO_CACHE="1",
                   LD_PRELOAD="/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1")
        raw = subprocess.run([orvel, "--input", "demo", "--render", "-", "--script", f.name,
                              "--seconds", "%.3f" % moments[-1]], env=env,
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    finally:
        os.unlink(f.name)
    size = WIDTH * HEIGHT * 3
    frames = {}
    for moment in moments:
        index = round(moment / FRAME) - 1  # frame n is taken at (n + 1) frames of time
        frames[moment] = raw[index * size:(index + 1) * size]
        assert len(frames[moment]) == size, "the render is short of %.3f s" % moment
    return frames


def write_png(path, rgb, width, height):
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" +
                  chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def differing(a, b):
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


def window_point(browser, index, x, y):
    """Page coordinates of the centre of client pixel (x, y) of window canvas `index`."""
    rect = browser.evaluate("""(function() {
        var c = document.querySelectorAll('canvas.window')[%d];
        var r = c.getBoundingClientRect();
        return [r.left, r.top, r.width / c.width];
    })()""" % index)
    return rect[0] + (x + 0.5) * rect[2], rect[1] + (y + 0.5) * rect[2]


def client_point(browser, x, y):
    """Page coordinates of the centre of client pixel (x, y) of the main window."""
    return window_point(browser, 0, x, y)


def check_virtual_session(server, orvel, output):
    script = "".join("%.3f click %s\n" % (t, b) for t, b in SESSION if b)
    expected = native_frames(orvel, [t for t, _ in SESSION], script)
    browser = cdp.Browser()
    try:
        # The page's wall clock stands at EPOCH, as the native program's does.
        browser.call("Page.addScriptToEvaluateOnNewDocument",
                     {"source": "Date.now = function() { return %d000; };" % EPOCH},
                     session=True)
        browser.open(server.url + "?input=demo&stop-at=%.3f" % SESSION[0][0])
        for i, (moment, button) in enumerate(SESSION):
            browser.wait_for("window.orvelStoppedAt >= %.3f - 1e-6" % moment,
                             "the page to stand still at %.3f s" % moment)
            got = canvas_rgb(browser, 0)
            if got != expected[moment]:
                write_png(os.path.join(output, "web-%.3f.png" % moment), got, WIDTH, HEIGHT)
                write_png(os.path.join(output, "native-%.3f.png" % moment), expected[moment],
                          WIDTH, HEIGHT)
                raise AssertionError("at %.3f s the page differs from the native window in %d "
                                     "pixels (both saved in %s)" %
                                     (moment, differing(got, expected[moment]), output))
            print("  %.3f s: the page is the native window, pixel for pixel" % moment)
            if moment == SCREENSHOT_AT:
                screenshot(browser, os.path.join(output, "orvel-web.png"))
            if button:
                browser.click(*client_point(browser, *BUTTONS[button]))
                assert browser.evaluate("Module._orvel_web_run_to(%.3f)" % SESSION[i + 1][0])
    finally:
        browser.close()


def screenshot(browser, path):
    """The page down to the bottom of the window, as the browser shows it."""
    browser.screenshot(path, browser.evaluate("""(function() {
        var r = document.querySelector('main').getBoundingClientRect();
        return {x: 0, y: 0, width: r.width, height: r.bottom, scale: 1};
    })()"""))


def display_changes(browser):
    """Waits until the display area shows two different pictures a moment apart."""
    look = """(function() {
        var d = document.querySelector('canvas.window').getContext('2d')
                    .getImageData(13, 80, 530, 140).data;
        var h = 0;
        for (var i = 0; i < d.length; i++) h = (h * 31 + d[i]) | 0;
        return h;
    })()"""
    browser.evaluate("window.orvelFirstLook = " + look)
    browser.wait_for(look + " !== window.orvelFirstLook", "the display to move")


# The message box the page shows at start-up, on a computer without a CD drive.
NO_DRIVE = ("Orvel", "* Could not open CD Device *\n You can still use Orvel to visualise the "
            "music without the CD Player!")


def native_box(box_picture):
    """The native build's drawing of the no-CD box: (width, height, RGB bytes)."""
    ppm = subprocess.run([box_picture] + list(NO_DRIVE), check=True,
                         stdout=subprocess.PIPE).stdout
    magic, width, height, depth, rgb = ppm.split(maxsplit=4)
    assert magic == b"P6" and depth == b"255", "not a picture from message_box_picture"
    return int(width), int(height), rgb


def canvas_rgb_expression(index):
    """JavaScript: window canvas `index` as RGB bytes in base64."""
    return """(function() {
        var c = document.querySelectorAll('canvas.window')[%d];
        var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        var s = '';
        for (var i = 0; i < d.length; i += 4)
          s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
        return btoa(s);
    })()""" % index


def canvas_size(browser, index):
    """[width, height] of window canvas `index`."""
    return browser.evaluate("(function() { var c = document.querySelectorAll('canvas.window')"
                            "[%d]; return [c.width, c.height]; })()" % index)


def canvas_rgb(browser, index):
    """Window canvas `index` as RGB bytes."""
    return base64.b64decode(browser.evaluate(canvas_rgb_expression(index)))


def window_shown(index):
    """A JavaScript test: the page's window canvas `index` (0 the main window, then the others
    in the order they first came) is shown."""
    return ("document.querySelectorAll('canvas.window').length > %d && "
            "document.querySelectorAll('canvas.window')[%d].style.display === ''" % (index, index))


# How many rows of the message box's canvas, above its button, hold dark (text) pixels.
BOX_INK_ROWS = """(function() {
    var c = document.querySelectorAll('canvas.window')[1];
    var d = c.getContext('2d').getImageData(0, 0, c.width, c.height - 40).data;
    var rows = 0;
    for (var y = 0; y < c.height - 40; y++)
      for (var x = 0; x < c.width; x++) {
        var i = (y * c.width + x) * 4;
        if (d[i] < 96 && d[i + 1] < 96 && d[i + 2] < 96) { rows++; break; }
      }
    return rows;
})()"""


def answer_start_boxes(browser, click_ok=False, native=None, output=None):
    """The no-CD message box, drawn by the program on a canvas of its own over the window
    (pixel for pixel the native build's box, when `native` is given), answered with Enter (or
    a click on its OK button); then the About box, with Enter."""
    browser.wait_for(window_shown(1), "the no-CD message box")
    assert browser.evaluate("document.querySelectorAll('canvas.window')[1].title") == "Orvel"
    browser.wait_for(BOX_INK_ROWS + " > 13", "two lines of text in the no-CD box")
    if native:  # the box is presented piece by piece as it paints: wait for the whole
        width, height, expected = native
        browser.evaluate("window.orvelNativeBox = '%s'" % base64.b64encode(expected).decode())
        try:
            browser.wait_for(canvas_rgb_expression(1) + " === window.orvelNativeBox",
                             "the no-CD box to be the native build's", timeout=20)
        except AssertionError:
            size = canvas_size(browser, 1)
            got = canvas_rgb(browser, 1)
            write_png(os.path.join(output, "web-box.png"), got, size[0], size[1])
            write_png(os.path.join(output, "native-box.png"), expected, width, height)
            raise AssertionError("the page's no-CD box (%d x %d) is not the native one (%d x %d),"
                                 " both saved in %s" % (size[0], size[1], width, height, output))
        print("  the no-CD box is the native build's, pixel for pixel")
    if click_ok:  # the button: centred, 23 pixels high, 13 above the bottom edge
        size = canvas_size(browser, 1)
        browser.click(*window_point(browser, 1, size[0] // 2, size[1] - 13 - 12))
    else:
        browser.key(13, "Enter")
    browser.wait_for(window_shown(2) + " && document.querySelectorAll('canvas.window')[1]"
                     ".style.display === 'none'", "the no-CD box to close and the About box")
    browser.key(13, "Enter")
    browser.wait_for("document.querySelectorAll('canvas.window')[2].style.display === 'none'",
                     "the About box to close")


def check_live_page(server, box_picture, output):
    browser = cdp.Browser()
    try:
        start = time.monotonic()
        browser.open(server.url)
        browser.wait_for("window.orvelFirstPicture !== undefined", "the first picture")
        print("  first picture %.0f ms after the page began loading" %
              browser.evaluate("window.orvelFirstPicture"))
        answer_start_boxes(browser, native=native_box(box_picture), output=output)
        display_changes(browser)
        browser.wait_for("OrvelPage.output && OrvelPage.output.next > 0",
                         "the demo music queued for the speakers")
        check_song(browser)
        print("  live page: boxes answered with Enter, the display moves, the demo plays, a "
              "dropped and a chosen song play (%.1f s)" % (time.monotonic() - start))
    finally:
        browser.close()


def check_song(browser):
    """Songs given to the page, a second of 440 Hz as a WAV file: one dropped on the window,
    one chosen with the file button. Each is decoded and taken by the program."""
    path = os.path.join(tempfile.mkdtemp(prefix="orvel-song-"), "tone.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(22050)
        out.writeframes(b"".join(struct.pack("<h", int(12000 * math.sin(i * 2 * math.pi * 440 /
                                                                          22050)))
                                 for i in range(22050)))
    x, y = client_point(browser, 280, 200)
    drag = {"items": [], "files": [path], "dragOperationsMask": 1}
    for kind in ("dragEnter", "dragOver", "drop"):
        browser.call("Input.dispatchDragEvent", {"type": kind, "x": x, "y": y, "data": drag},
                     session=True)
    browser.wait_for("window.orvelSongPlaying === true", "the dropped song to play")
    browser.evaluate("window.orvelSongPlaying = false")
    node = browser.call("DOM.getDocument", session=True)["root"]["nodeId"]
    node = browser.call("DOM.querySelector", {"nodeId": node, "selector": "#song"},
                        session=True)["nodeId"]
    browser.call("DOM.setFileInputFiles", {"nodeId": node, "files": [path]}, session=True)
    browser.wait_for("window.orvelSongPlaying === true", "the chosen song to play")
    os.unlink(path)


# True once a red bar rises well above the floor of the spectrum display (silence leaves it
# black; no other display draws in this red).
RED_BAR = """(function() {
    var d = document.querySelector('canvas.window').getContext('2d')
                .getImageData(13, 80, 530, 200).data;
    for (var i = 0; i < d.length; i += 4)
      if (d[i] > 200 && d[i + 1] < 60 && d[i + 2] < 60) return true;
    return false;
})()"""


def check_microphone(server):
    """Chromium's fake microphone lights the bars; without one, the page says so in words."""
    browser = cdp.Browser()
    try:
        browser.open(server.url + "?input=microphone")
        answer_start_boxes(browser)
        status = "document.getElementById('status').textContent"
        browser.wait_for(status + ".indexOf('No microphone: ') === 0",
                         "the page to say that it has no microphone")
        print("  without a microphone the page says: %s" % browser.evaluate(status))
    finally:
        browser.close()
    browser = cdp.Browser(["--use-fake-device-for-media-stream", "--use-fake-ui-for-media-stream"])
    try:
        browser.open(server.url + "?input=microphone")
        answer_start_boxes(browser, click_ok=True)
        browser.click(*client_point(browser, *BUTTONS["bars"]))
        # Chromium's fake microphone beeps.
        browser.wait_for(RED_BAR, "the microphone to light the bars")
        print("  the fake microphone lights the bars; its blocks wait %.0f ms for the program "
              "(median)" % browser.evaluate("orvelMicrophoneLag()"))
    finally:
        browser.close()


# A tab that plays a loud 440 Hz tone, for the page to hear.
TONE_TAB = ("data:text/html,<title>Orvel tone</title><script>var c = new AudioContext(), "
            "o = c.createOscillator(); o.frequency.value = 440; o.connect(c.destination); "
            "o.start();</script>")


def share_a_tab(browser, server):
    """Opens the page on ?input=tab, answers its boxes and presses its share button."""
    browser.open(server.url + "?input=tab")
    answer_start_boxes(browser)
    browser.wait_for("!document.getElementById('share').hidden", "the share button")
    browser.click(*client_point(browser, *BUTTONS["bars"]))
    x, y = browser.evaluate("""(function() {
        var r = document.getElementById('share').getBoundingClientRect();
        return [r.left + r.width / 2, r.top + r.height / 2];
    })()""")
    browser.click(x, y)


def check_tab_sound(server):
    """Another tab's sound, shared with the page's button (Chromium chooses the tab by its
    title, as a user would in its picker), lights the bars. A share that the browser refuses
    (its fake picker, which chooses nothing) is told on the page in words."""
    browser = cdp.Browser(["--auto-select-tab-capture-source-by-title=Orvel tone"])
    try:
        browser.call("Target.createTarget", {"url": TONE_TAB})
        share_a_tab(browser, server)
        browser.wait_for("document.getElementById('status').textContent === 'Hearing Tab audio'",
                         "the page to say that it hears the tab")
        browser.wait_for(RED_BAR, "the shared tab's tone to light the bars")
    finally:
        browser.close()
    browser = cdp.Browser(["--use-fake-ui-for-media-stream"])
    try:
        share_a_tab(browser, server)
        refused = "document.getElementById('status').textContent"
        browser.wait_for(refused + ".indexOf('The browser shared no sound (') === 0",
                         "the page to say that nothing was shared")
        print("  a shared tab's tone lights the bars; a refused share is told: %s" %
              browser.evaluate(refused))
    finally:
        browser.close()


def main():
    page, orvel, box_picture, output = sys.argv[1:5]
    os.makedirs(output, exist_ok=True)
    server = cdp.Server(page)
    try:
        check_virtual_session(server, orvel, output)
        check_live_page(server, box_picture, output)
        check_microphone(server)
        check_tab_sound(server)
    finally:
        server.close()
    print("web: all passed")


if __name__ == "__main__":
    main()
