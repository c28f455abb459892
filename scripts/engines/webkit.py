#!/usr/bin/python3
"""Plays the page in WebKitGTK through WebKit's own WebDriver server (Debian's webkit2gtk-driver and its
MiniBrowser, driven by Debian's python3-selenium), as scripts/engines/firefox.mjs does in Firefox: the start
screen, "Window", the demo to the credits with the explosions recorded, F1 and Escape, the end screen; then the
test mode's two runs. Prints one figure a line.

usage: /usr/bin/python3 scripts/engines/webkit.py BASE_URL RESULTS SHOTS RUN_LIMIT_S (under scripts/test-engines.sh)
"""
import os
import pathlib
import subprocess
import sys
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.webkitgtk.options import Options
from selenium.webdriver.support.ui import WebDriverWait

ENGINE = 'webkit'
MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def figure(text):
    print(f'{ENGINE}: {text}', flush=True)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    base_url, results, shots, run_limit = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3]), \
        float(sys.argv[4])
    shots.mkdir(parents=True, exist_ok=True)
    options = Options()
    options.binary_location = MINIBROWSER
    options.add_argument('--automation')
    driver = webdriver.WebKitGTK(executable_path='/usr/bin/WebKitWebDriver', options=options)
    parec = None
    try:
        # Small, as web-look's sound checks: software GL keeps up there, and the sound with it.
        driver.set_window_size(800, 600)
        look = driver.execute_script

        def wait(condition, seconds, what):
            try:
                WebDriverWait(driver, seconds, poll_frequency=0.1).until(lambda d: look('return ' + condition))
            except Exception:
                raise Failure(f'{what} (not within {seconds:g} s)')

        def frame():
            return look('return window.__look.frame()')

        def until_frame(target):
            wait(f'window.__look.frame() >= {target}', max(10, (target - frame()) / 4), f'frame {target} not reached')
            return look('return [window.__look.frame(), window.__look.frames, performance.now()]')

        def shot(name):
            path = shots / f'{ENGINE}-{name}.png'
            check(driver.save_screenshot(str(path)), f'no screenshot {path}')
            return path

        def press(key):
            ActionChains(driver).key_down(key).pause(0.15).key_up(key).perform()

        # The start screen.
        driver.get(base_url + 'look.html')
        wait('window.__look && window.__look.buttonsAt !== null', 120, 'the start screen\'s buttons never came on')
        load_ms = look('return window.__look.buttonsAt')
        time.sleep(0.5)  # painted: WebKit's screenshot otherwise still shows the load
        figure(f'load to the start screen\'s buttons: {load_ms:.0f} ms; {shot("start")}')
        check(look('return !document.getElementById("start").hidden'), 'no start screen')
        # As in Firefox: the window on a bare X display has focus only from the X server's own input.
        subprocess.run(['xdotool', 'mousemove', '700', '500', 'click', '1'], check=True)
        try:
            wait('document.hasFocus()', 5, '')
        except Failure:
            pass
        figure(f'focus after a click on the start screen: {look("return document.hasFocus()")}')

        # "Window", as a visitor clicks it; music off at once, so that the explosions stand alone.
        driver.find_element(By.ID, 'play-window').click()
        wait('window.__look.firstPictureAt !== null', 30, 'no picture after "Window"')
        figure(f'"Window" to the first picture: '
               f'{look("return window.__look.firstPictureAt - window.__look.clickedAt"):.0f} ms')
        marks = {'start': until_frame(60)}
        press('0')
        moments = [('words', 400, True), ('words-end', 4950, False), ('planet', 5300, True),
                   ('planet-end', 5950, False), ('nova', 6250, True), ('6600', 6600, False),
                   ('nova-end', 6950, False), ('credits', 7400, True), ('last-bang', 8522, False)]
        for name, target, picture in moments:
            marks[name] = until_frame(target)
            if name == 'words-end':
                check(look('return window.__look.tap !== null'),
                      f'no recording of the page\'s sound: {look("return window.__look.tapProblem")}')
                look('window.__look.record(true)')
                parec = subprocess.Popen(['parec', '-d', 'korvale.monitor', '--raw', '--format=s16le', '--rate=44100',
                                          '--channels=2', str(results / f'{ENGINE}-heard.raw')])
            seconds = (marks[name][2] - marks['start'][2]) / 1000 + 1
            figure(f'frame {marks[name][0]} after {seconds:.1f} s' + (f': {shot(name)}' if picture else ''))
        # The last explosion is placed two sound chunks ahead of its frame, and played later still.
        time.sleep(1.5)
        parec.send_signal(2)
        parec.wait()
        parec = None
        look(f'window.__look.record(false); window.__look.send("{ENGINE}-tap")')
        wait('window.__look.sent !== null', 60, 'the page\'s sound was not sent')
        sent = look('return window.__look.sent')
        figure(f"the page's own sound: {sent}")
        check(sent.startswith('sent'), "the page's sound was not sent")
        figure(f'{look("return Module.korvaleLateChunks")} sound chunk(s) mixed after they were due to play; the '
               f'player\'s silences (context s, frames) {look("return JSON.stringify(Module.korvaleGaps)")}, the '
               f'recording from {look("return window.__look.tap.start")} s; {look("return Module.korvaleSkipped")} '
               'sample frames dropped as too late')

        def rate(a, b):
            return (marks[b][1] - marks[a][1]) / ((marks[b][2] - marks[a][2]) / 1000)
        figure(f'pictures a second: words {rate("words", "words-end"):.1f}, planet '
               f'{rate("planet", "planet-end"):.1f}, nova {rate("nova", "nova-end"):.1f}')

        # F1 twice, then Escape; the program reads its keys once a frame.
        press(Keys.F1)
        try:
            wait('window.__look.fullscreen() !== "none"', 5, '')
        except Failure:
            pass
        full, key = look('return [window.__look.fullscreen(), window.__look.keys.at(-1)]')
        figure(f'F1: fullscreenElement {full}, the page {"kept" if key[1] else "did not keep"} F1 from the browser')
        check(full != 'none' and key[0] == 'F1' and key[1], 'F1 did not take the screen')
        time.sleep(1)
        press(Keys.F1)
        try:
            wait('window.__look.fullscreen() === "none"', 5, '')
        except Failure:
            pass
        before = frame()
        time.sleep(1)
        back = look('return window.__look.fullscreen()')
        after = frame()
        figure(f'F1 again: fullscreenElement {back}, frames {before} then {after}')
        check(back == 'none' and after > before, 'F1 again did not bring back the window, drawing on')
        ActionChains(driver).key_down(Keys.ESCAPE).perform()
        try:
            wait('!document.getElementById("end").hidden', 10, 'Escape did not end the demo')
        finally:
            ActionChains(driver).key_up(Keys.ESCAPE).perform()
        ending = look('return document.getElementById("end-text").textContent')
        figure(f'Escape: "{ending}"; {shot("end")}')
        check(ending == 'The demo has ended.', 'Escape did not end the demo cleanly')
        states = look('return window.__look.contextStates')
        figure('sound: ' + ', '.join(' '.join(map(str, s)) for s in states))
        # Closed again once the program has ended; it must have run in between.
        check(any((s[1] if s[0] == 'connect' else s[0]) == 'running' for s in states), 'the sound never played')

        # The test mode's runs, their files POSTed to the server.
        for name, args in [('frames', '--until 6501 --frames 300,5450,6500 --out /out --audio /out/sound.wav --bench'),
                           ('state', '--until 1000 --state /out/state.jsonl')]:
            run = f'{ENGINE}-{name}'
            started = time.monotonic()
            driver.get(f'{base_url}index.html?test={urllib.parse.quote(args)}&name={run}')
            done = results / run / 'done'
            while not done.exists() and time.monotonic() - started < run_limit:
                time.sleep(0.5)
            check(done.exists(), f'{run}: no result after {run_limit:g} s')
            code = done.read_text()
            figure(f'test mode {name}: {time.monotonic() - started:.0f} s, korvale-capture ended with "{code}"')
            check(code == '0', f'{run}: korvale-capture ended with "{code}"')
    except Failure as e:
        figure(f'FAILED: {e}')
        return 1
    finally:
        if parec:
            parec.kill()
        driver.quit()
    return 0


if __name__ == '__main__':
    sys.exit(main())
