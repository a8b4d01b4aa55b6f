"""The browser build starts in a real browser: Debian's Chromium, headless, with WebGL 2 on
SwiftShader, opens the page from a server on 127.0.0.1. The game's loading bar shows, then
its title menu, which must look like the desktop build's (the headless driver's picture of
it) within the limit the Wine comparison uses for still screens. The mouse then takes the
menu's cursor onto Play and clicks, the story shows, a click starts a game, and its first
frames (the effects compiled from their HLSL in the page, the arms, the ground) look like
the desktop's. The player then turns, walks and fires for 20 s under the pointer lock: the
heads-up clock runs, a bolt and a burst are seen, and the game's sound is heard (the
page's Web Audio running, and a sample of the mix above silence). Escape then ends the game (a first Escape may only end
the pointer lock, as browsers keep Escape for that), and the page says so. The page's
console shows no error throughout. In a second page, in a wide window, an effect file
replaced by a broken one (in the page's own file system, once the title menu shows) has its
compiler error shown in the page's dialog when a game starts, and the game goes on once it
is answered; the window then turns tall, and the picture stays the largest square that
fits; Alt+Enter shows the page full screen and back. Screenshots are kept in
SHOT_DIR.

    page_test.py WEB_DIR HEADLESS_DRIVER RUN_DIR SHOT_DIR
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare import scaled_distance  # noqa: E402
from devtools import Browser  # noqa: E402
from png import read_png  # noqa: E402
from serve import serve  # noqa: E402

# The Wine comparison's limit for the title and story screens (tests/e2e/wine_test.sh). Its
# play frames are allowed 0.10, as Wine draws them without effects; the page draws them as
# the desktop does, so they are held closer: the first frames of a game without the arms
# are at 0.12 of it.
STILL_LIMIT = 0.06
PLAY_LIMIT = 0.04
# The page's data download, the effects' compilation and the first frames, on a loaded
# 2-core machine under software WebGL.
TITLE_SECONDS = 120

REFERENCE_SCRIPT = """at 1000 expect state 0
after 0 shot title.png
after 0 mouse 30 40
after 300 button down
after 150 button up
after 800 shot story.png
after 0 button down
after 150 button up
after 1000 expect state 2
after 0 shot play.png
"""


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def reference_screens(driver, run_dir, shots):
    """The desktop build's title menu, story and first play frame, drawn off-screen by the
    headless driver; their paths by name."""
    script = os.path.join(shots, "reference.vxs")
    with open(script, "w") as f:
        f.write(REFERENCE_SCRIPT)
    out = os.path.join(shots, "linux")
    os.makedirs(out, exist_ok=True)
    subprocess.run([driver, "--run-dir", run_dir, "--shots", out, script], check=True,
                   stdout=subprocess.DEVNULL, timeout=120)
    return {name: os.path.join(out, name + ".png") for name in ("title", "story", "play")}


def loading_bar_shows(picture):
    """The loading screen: black, with the red bar across the middle."""
    red = black = samples = 0
    for y in range(0, picture.height, 4):
        for x in range(0, picture.width, 4):
            r, g, b, _ = picture.pixel(x, y)
            red += r > 120 and g < 60 and b < 60
            black += r < 20 and g < 20 and b < 20
            samples += 1
    return red > samples * 0.002 and black > samples * 0.7


def check_console(browser):
    errors = browser.console_errors()
    if errors:
        fail("the page's console shows errors:\n  " + "\n  ".join(errors))


def await_screen(browser, box, name, reference, limit, shots, seconds=30):
    """Takes shots of the canvas until one is within `limit` of `reference`; saves it as
    web_NAME.png and returns its distance. Fails when none is in time."""
    end = time.monotonic() + seconds
    shot = os.path.join(shots, f"web_{name}.png")
    while True:
        check_console(browser)
        browser.screenshot(shot, clip=box)
        distance = scaled_distance(reference, shot)
        if distance < limit:
            return distance
        if time.monotonic() > end:
            fail(f"no {name} screen in {seconds} s: the last picture ({shot}) is at {distance:.4f} "
                 f"of the desktop's (limit {limit})")
        browser.pause(0.25)


# Kept by the page as the loudest sample the game's sound output has written: SDL's Web
# Audio output fills a script processor's buffers, whose handler is wrapped to look at them.
SOUND_PROBE = """
(function() {
  window.loudestSample = 0;
  var make = AudioContext.prototype.createScriptProcessor;
  var property = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess');
  AudioContext.prototype.createScriptProcessor = function() {
    var node = make.apply(this, arguments);
    Object.defineProperty(node, 'onaudioprocess', {
      get: function() { return property.get.call(node); },
      set: function(fill) {
        property.set.call(node, function(e) {
          fill.call(this, e);
          for (var c = 0; c < e.outputBuffer.numberOfChannels; ++c) {
            var data = e.outputBuffer.getChannelData(c);
            for (var i = 0; i < data.length; ++i)
              window.loudestSample = Math.max(window.loudestSample, Math.abs(data[i]));
          }
        });
      }
    });
    return node;
  };
})();
"""

# The heads-up clock's seconds ("02:5x") in a 400 x 400 frame.
CLOCK = (230, 10, 40, 18)

PLAY_SECONDS = 20

# What a bolt and a burst look like in a play frame, looked at on every second pixel of
# every second row below the heads-up line. A bolt is the only bright blue in the game's
# pictures (none on the ground, in the sky or on the menus). A burst's particles are glows
# with white centres: patches of 20 and more white samples, where the sun's core, the
# arms' glow and the stars are specks of at most 15.
BOLT_SAMPLES = 50
BURST_GLOWS = 3
GLOW_SAMPLES = 20


def bolt_and_burst(picture):
    """The number of bolt-blue samples in the frame, and of white patches as big as a
    burst's glows."""
    bolt, white = 0, set()
    for y in range(30, picture.height, 2):
        for x in range(0, picture.width, 2):
            r, g, b, _ = picture.pixel(x, y)
            bolt += b > 200 and b > r + 40 and b > g + 30
            if r > 245 and g > 235 and b > 200:
                white.add((x, y))
    glows = 0
    while white:
        patch, size = [white.pop()], 0
        while patch:
            x, y = patch.pop()
            size += 1
            for near in ((x + 2, y), (x - 2, y), (x, y + 2), (x, y - 2)):
                if near in white:
                    white.remove(near)
                    patch.append(near)
        glows += size >= GLOW_SAMPLES
    return bolt, glows


def clock_pixels(picture):
    x0, y0, w, h = CLOCK
    return [picture.pixel(x, y)[:3] for y in range(y0, y0 + h) for x in range(x0, x0 + w)]


def play_a_while(browser, box, shots):
    """The player looks down (about 8 degrees, so that bolts land near), then turns (relative
    motion under the pointer lock), walks and fires for PLAY_SECONDS, a frame looked at
    each step: the heads-up clock must run, a bolt and a burst be seen, and the game's
    sound be heard."""
    start_clock = clock_pixels(read_png(browser.screenshot(clip=box)))
    x, y = box["x"] + box["width"] / 2, box["y"] + box["height"] / 2
    for step in range(1, 9):
        browser.mouse_move(x, y + 30 * step)
        browser.pause(0.05)
    y += 240
    seen = {"bolt": 0, "burst": 0}  # the most of each in one frame
    frames = {"bolt": 0, "burst": 0}  # frames with each
    end = time.monotonic() + PLAY_SECONDS
    step = 0
    while time.monotonic() < end:
        browser.mouse_move(x + (step % 20) * 3, y)
        if step % 25 == 0:
            browser.key_down("w")
        if step % 25 == 5:
            browser.key_up("w")
        # Fire held, let go for one step in four.
        browser.mouse_button(x, y, step % 4 != 3)
        shot = browser.screenshot(clip=box)
        bolt, glows = bolt_and_burst(read_png(shot))
        for name, count, least in (("bolt", bolt, BOLT_SAMPLES), ("burst", glows, BURST_GLOWS)):
            frames[name] += count >= least
            if count >= least and count > seen[name]:
                seen[name] = count
                with open(os.path.join(shots, f"web_{name}.png"), "wb") as f:
                    f.write(shot)
        step += 1
    browser.key_up("w")
    browser.mouse_button(x, y, False)
    last = browser.screenshot(os.path.join(shots, "web_playing.png"), clip=box)
    if clock_pixels(read_png(last)) == start_clock:
        fail(f"the heads-up clock did not change in {PLAY_SECONDS} s of play")
    missing = [name for name, pixels in seen.items() if not pixels]
    if missing:
        fail(f"no {' and no '.join(missing)} seen in {PLAY_SECONDS} s of firing ({step} frames looked at)")
    state = browser.evaluate("Module.SDL2 && Module.SDL2.audioContext ? Module.SDL2.audioContext.state : 'none'")
    loudest = browser.evaluate("window.loudestSample")
    if state != "running" or not loudest > 0.01:
        fail(f"no sound: the game's audio context is {state!r}, its loudest sample {loudest}")
    print(f"   {PLAY_SECONDS} s of play, {step} frames looked at: the clock ran; bolts in {frames['bolt']} "
          f"(at most {seen['bolt']} blue samples), bursts in {frames['burst']} (at most {seen['burst']} glows); "
          f"sound ({state}, loudest sample {loudest:.3f})")


def enter_game(browser, box):
    """From the title menu: the pointer takes the menu's cursor onto Play, as a player's
    hand would, and clicks; then the story, which takes a click after half a second. The
    pointer's path is in the back buffer's pixels, scaled to the canvas as the page shows it."""
    x, y = box["x"] + box["width"] / 2, box["y"] + box["height"] / 2
    scale = box["width"] / 400
    for step in range(20):
        browser.mouse_move(x + 2 * step * scale, y + 3 * step * scale)
        browser.pause(0.05)
    browser.mouse_click(x + 38 * scale, y + 57 * scale, hold=0.15)
    yield "story"
    browser.pause(0.7)
    browser.mouse_click(x + 38 * scale, y + 57 * scale, hold=0.15)


# An effect whose pixel shader, on its line 2, reads a name nothing declares.
BROKEN_EFFECT = ("float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
                 "float4 PS() : COLOR0 { return undeclared_colour; }\n"
                 "technique T { pass P { VertexShader = compile vs_2_0 VS();"
                 " PixelShader = compile ps_2_0 PS(); } }\n")


def canvas_fits(browser, width, height):
    """The canvas is the largest square under the page's 28-pixel line that fits a
    browser window of width x height, centred across it; its box."""
    side = min(width, height - 28)
    box = browser.element_box("canvas")
    found = tuple(round(box[k]) for k in ("x", "y", "width", "height"))
    if found != ((width - side) // 2, 28, side, side):
        fail(f"in a {width} x {height} window the canvas is at {found[:2]}, {found[2]} x {found[3]}, "
             f"not the centred {side}-pixel square")
    return box


def broken_effect_shows(base, shots, reference_title):
    """Also in a wide window, then a tall one, as a player may resize it: the picture
    stays the largest square that fits, and the pointer's place on it is read right."""
    with Browser(width=900, height=528, deadline=120) as browser:
        browser.navigate(base + "vornex.html", timeout=60)
        box = canvas_fits(browser, 900, 528)
        await_screen(browser, box, "title_again", reference_title, STILL_LIMIT, shots, TITLE_SECONDS)
        browser.evaluate(f"FS.writeFile('/ShdPlasma.fx', {BROKEN_EFFECT!r}); true")
        for _ in enter_game(browser, box):
            browser.pause(1.0)
        dialog = "document.getElementById('dialog').classList.contains('shown')"
        browser.wait_for(dialog, timeout=30)
        caption = browser.evaluate("document.querySelector('#dialog h2').textContent")
        text = browser.evaluate("document.querySelector('#dialog pre').textContent")
        browser.screenshot(os.path.join(shots, "web_effect_error.png"))
        wanted = "ShdPlasma.fx(2): error: 'undeclared_colour'"
        if caption != "Fx Compile Error" or wanted not in text:
            fail(f"the page's dialog says {caption!r}: {text!r}, not the effect's compiler error")
        # The same text on the console, a line each, and nothing else.
        errors = [e for e in browser.console_errors() if e.strip()]
        if not any(wanted in e for e in errors) or not all("ShdPlasma.fx" in e for e in errors):
            fail("the console should show the effect's error alone, not:\n  " + "\n  ".join(errors))
        browser.evaluate("document.querySelector('#dialog button').click(); true")
        browser.pause(1.0)
        before = browser.screenshot(clip=box)
        browser.pause(1.0)
        if browser.evaluate(dialog) or browser.screenshot(clip=box) == before:
            fail("the game did not go on after the effect's error was answered")
        browser.send("Emulation.setDeviceMetricsOverride",
                     {"width": 500, "height": 800, "deviceScaleFactor": 1, "mobile": False})
        browser.pause(0.5)
        box = canvas_fits(browser, 500, 800)
        browser.screenshot(os.path.join(shots, "web_tall_window.png"), clip=box)
        # Alt+Enter asks the browser for the page alone on the screen, and again to stop.
        for wanted in ("!== null", "=== null"):
            browser.key_down("Alt", held=["Alt"])
            browser.key("Enter", held=["Alt"])
            browser.key_up("Alt")
            browser.wait_for("document.fullscreenElement " + wanted, timeout=10)
        print("   a tall window: the picture the 500-pixel square; Alt+Enter: the page full screen and back")
        print(f"   a broken effect file: the page's dialog named {wanted!r}, and the game went on")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    web_dir, driver, run_dir, shots = sys.argv[1:]
    os.makedirs(shots, exist_ok=True)
    reference = reference_screens(driver, run_dir, shots)

    with serve(web_dir) as base:
        with Browser(width=640, height=428, deadline=TITLE_SECONDS + 180) as browser:
            browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": SOUND_PROBE})
            started = time.monotonic()
            browser.navigate(base + "vornex.html", timeout=60)
            box = browser.element_box("canvas")
            if round(box["width"]) != 400 or round(box["height"]) != 400:
                fail(f"the canvas is {box['width']} x {box['height']}, not 400 x 400")

            loading_seen = None
            while loading_seen is None:
                check_console(browser)
                shot = os.path.join(shots, "web_loading.png")
                if loading_bar_shows(read_png(browser.screenshot(shot, clip=box))):
                    loading_seen = time.monotonic() - started
                elif time.monotonic() - started > TITLE_SECONDS:
                    fail(f"no loading bar in {TITLE_SECONDS} s (last picture {shot})")
                else:
                    browser.pause(0.1)
            distances = {"title": await_screen(browser, box, "title", reference["title"], STILL_LIMIT, shots,
                                               TITLE_SECONDS)}
            title_seen = time.monotonic() - started

            for screen in enter_game(browser, box):
                distances[screen] = await_screen(browser, box, screen, reference[screen], STILL_LIMIT, shots)
            distances["play"] = await_screen(browser, box, "play", reference["play"], PLAY_LIMIT, shots)
            check_console(browser)
            play_a_while(browser, box, shots)
            check_console(browser)

            ended = "document.getElementById('status').textContent === 'VORNEX has ended.'"
            for _ in range(2):
                browser.key_down("Escape")
                browser.pause(0.2)
                browser.key_up("Escape")
                browser.pause(1.0)
                if browser.evaluate(ended):
                    break
            else:
                fail("Escape did not end the game: the page says " +
                     repr(browser.evaluate("document.getElementById('status').textContent")))
            browser.screenshot(os.path.join(shots, "web_ended.png"))
            check_console(browser)
        broken_effect_shows(base, shots, reference["title"])

    print(f"   loading bar after {loading_seen:.1f} s, title menu after {title_seen:.1f} s")
    for name, distance in distances.items():
        limit = PLAY_LIMIT if name == "play" else STILL_LIMIT
        print(f"   {name}: web against desktop, RMSE {distance:.4f} (limit {limit})")
    print(f"   screenshots in {shots}")
    print("page_test: all passed")


if __name__ == "__main__":
    main()
