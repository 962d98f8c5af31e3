#!/usr/bin/env python3
"""qelhost's SVG pictures in a real browser: headless Chromium (through
chromedriver and Selenium) opens the NPV profile of IRR(1, -100, 230, -132),
whose flows are -100 (1 - 1.1 v)(1 - 1.2 v); the screenshot is not blank, and
the rate marks, read back through the x axis's ticks, sit at 10 % and 20 %.
The schedule of a 12-payment loan shows two stacked bars a period.
Usage: svg_browser_test.py QELHOST"""
import io
import subprocess
import sys
import tempfile
from pathlib import Path

import matplotlib.image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

POSITIONS = """return Array.from(document.querySelectorAll(arguments[0])).map(e => {
    const b = e.getBoundingClientRect(); return [parseFloat(e.dataset.value), b.x + b.width / 2]; });"""


def browser(profile_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 f"--user-data-dir={profile_dir}", "--window-size=900,600"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def not_blank(png):
    pixels = matplotlib.image.imread(io.BytesIO(png), format="png")[:, :, :3]
    inked = (pixels.sum(axis=2) < 2.5).mean()  # share of pixels clearly darker than white
    return 0.01 < inked < 0.9


def main(qelhost):
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        profile, loan = Path(tmp, "profile.svg"), Path(tmp, "loan.svg")
        subprocess.run([qelhost, "plot", "profile", "IRR(1, -100, 230, -132)", "-o", str(profile)], check=True)
        subprocess.run([qelhost, "plot", "schedule", "MORT(1000, ., 0.01, 12)", "-o", str(loan)], check=True)
        driver = browser(Path(tmp, "chromium"))
        try:
            driver.get(profile.as_uri())
            if not not_blank(driver.get_screenshot_as_png()):
                failures.append("the profile's screenshot is blank")
            ticks = sorted(driver.execute_script(POSITIONS, "g.tick.x"))
            (v0, x0), (v1, x1) = ticks[0], ticks[-1]
            per_pixel = (v1 - v0) / (x1 - x0)
            marks = sorted(v0 + (x - x0) * per_pixel for _, x in driver.execute_script(POSITIONS, "circle.rate"))
            if len(marks) != 2 or any(abs(m - r) > 1.5 * per_pixel for m, r in zip(marks, (10, 20))):
                failures.append(f"rate marks at {marks}, not at 10 and 20 (a pixel is {per_pixel})")
            driver.get(loan.as_uri())
            bars = driver.execute_script("return document.querySelectorAll('rect.bar').length")
            if not not_blank(driver.get_screenshot_as_png()) or bars != 24:
                failures.append(f"the schedule shows {bars} bars, not 24, or nothing")
        finally:
            driver.quit()
    print("\n".join(failures) or "the pictures open in Chromium with the marks at 10 % and 20 %")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
