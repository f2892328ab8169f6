#!/usr/bin/env python3
"""The panel under dark desktop themes, through the real platform themes.

Under Xvfb, starts the panel with no desktop theme, with Qt's GTK 3 platform
theme and GTK_THEME=Adwaita:dark, and with Qt's KDE platform theme and KDE's
Breeze Dark colours, and in each takes screenshots as a person meets them:
the Control Register page, the Data Registers page, the File menu open, the
History, Limits and Version windows. Each text's contrast is measured in the
screenshots of the dark themes (the grey range of a crop around it, 0 none,
1 black on white) and must be at least 0.4; the form and its menus must be
pixel for pixel those of no theme, the other windows as light. PROBE shows
that a theme is really dark: it prints the lightness of the palette Qt gets
from it. Ends with 77 (skipped) where a tool or the GTK platform theme is
missing. The screenshots stay in OUTPUT_FOLDER to be looked at.
Usage: dark_theme.py PANEL PROBE OUTPUT_FOLDER
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# The dark themes: GTK 3's through Qt's GTK platform theme, and KDE's Breeze
# Dark colours through Qt's own KDE platform theme (Debian 12 has KDE's
# platform theme plugin and its Breeze style for Qt 5 only).
THEMES = {
    "gtk": {"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": "Adwaita:dark"},
    "kde": {"QT_QPA_PLATFORMTHEME": "kde", "KDE_SESSION_VERSION": "5"},
}
BREEZE_DARK = """[General]
ColorScheme=BreezeDark
""" + "".join(f"""
[Colors:{group}]
BackgroundNormal={background}
ForegroundNormal=252,252,252
""" for group, background in (("Window", "32,35,38"), ("View", "27,30,32"),
                              ("Button", "49,54,59"), ("Selection", "61,174,233")))
PACKAGES = {"Xvfb": "xvfb", "xdotool": "xdotool", "import": "imagemagick",
            "convert": "imagemagick", "compare": "imagemagick"}
# Texts of each screenshot, in the pixels of the window they are in:
# (what, x, y, width, height), each crop tight around the text alone.
TEXTS = {
    "control": [("File", 9, 2, 20, 13), ("View", 41, 2, 27, 13), ("Options", 79, 2, 41, 13),
                ("About", 131, 2, 32, 13), ("board status", 616, 0, 68, 13),
                ("Data Registers", 92, 108, 78, 14), ("Control Register", 302, 107, 84, 14),
                ("DAC 1", 76, 166, 36, 12), ("Power-Down", 108, 183, 67, 13),
                ("Power-Up", 195, 183, 52, 13), ("Power-Down Mode Selection", 320, 169, 146, 13),
                ("Resistor to", 352, 192, 56, 13), ("Three-State", 439, 195, 62, 13),
                ("SPI Value", 558, 413, 52, 13), ("status line", 4, 495, 290, 14)],
    "data": [("Data Registers", 92, 107, 78, 14), ("Control Register", 302, 108, 84, 14),
             ("Input Code (Hex)", 72, 149, 88, 13), ("DAC Write", 192, 142, 56, 12),
             ("Load DAC1", 249, 171, 63, 14), ("DAC1 reading", 367, 169, 80, 20),
             ("Range Select", 488, 142, 70, 12), ("30V", 512, 161, 24, 13),
             ("LDAC Function", 192, 330, 78, 12), ("Pulse LDAC", 232, 355, 65, 14),
             ("CLR Low", 402, 411, 52, 14), ("00", 78, 170, 18, 13), ("FFF", 78, 394, 24, 13)],
    "file-menu": [("Reload USB", 32, 21, 64, 14), ("Ctrl+R", 294, 21, 36, 14),
                  ("Exit", 32, 41, 24, 14), ("Ctrl+Q", 294, 41, 36, 14),
                  ("Turn off DACs", 32, 63, 256, 14), ("Exit without reseting", 32, 83, 134, 14)],
    "history": [("Time", 48, 14, 30, 12), ("Status", 564, 14, 34, 12),
                ("Firmware download", 114, 30, 50, 27), ("window", 213, 37, 40, 13),
                ("LoadFirmWare", 313, 37, 76, 13), ("2 requests", 10, 340, 182, 14),
                ("Export CSV...", 490, 340, 70, 14), ("Close", 595, 340, 32, 14)],
    "limits": [("No output may go above", 8, 6, 240, 42), ("DAC1 (V):", 8, 60, 54, 13),
               ("DAC4 (V):", 8, 144, 54, 13), ("no limit", 72, 60, 46, 14)],
    "version": [("Software Version 1.04", 72, 12, 116, 14)],
}


def missing_tools():
    return sorted({package for tool, package in PACKAGES.items() if not shutil.which(tool)})


class Display:
    """An Xvfb display of this run's own."""

    def __init__(self, work):
        # A number of its own, away from the low ones other runs pick.
        for number in random.sample(range(200, 900), 20):
            read, write = os.pipe()
            self.process = subprocess.Popen(
                # -noreset: a client connecting while the server resets after the
                # last one left would be refused.
                ["Xvfb", f":{number}", "-displayfd", str(write), "-noreset", "-screen", "0",
                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as announced:
                if announced.readline().strip() == str(number):
                    break
            self.process.wait(10)
        self.name = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("QT_QPA_PLATFORMTHEME", None)
        self.env.pop("GTK_THEME", None)
        self.work = work

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True, timeout=30).stdout

    def window(self, title):
        """The id and geometry (x, y, width, height) of the visible window with title."""
        deadline = time.monotonic() + 20
        while not (found := self.xdotool("search", "--onlyvisible", "--name", f"^{title}$")):
            if time.monotonic() > deadline:
                raise SystemExit(f"the window {title!r} did not open")
            time.sleep(0.2)
        window = found.split()[0]
        shell = dict(line.split("=", 1) for line in
                     self.xdotool("getwindowgeometry", "--shell", window).split())
        return window, tuple(int(shell[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def keys(self, window, *keys):
        """Keys typed into window, which gets the focus first (there is no
        window manager to give it)."""
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", *keys)

    def shoot(self, path, geometry):
        time.sleep(0.5)  # the last repaint done
        x, y, width, height = geometry
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                        "+repage", path], env=self.env, check=True, timeout=30)

    def close(self):
        self.process.terminate()
        self.process.wait(10)


def theme_env(display, theme, work):
    """The environment of a program under theme, with settings of its own."""
    home = tempfile.mkdtemp(dir=work)
    os.mkdir(f"{home}/config")
    with open(f"{home}/config/kdeglobals", "w") as settings:
        settings.write(BREEZE_DARK)
    return dict(display.env, XDG_RUNTIME_DIR=home, XDG_CONFIG_HOME=f"{home}/config",
                BOARDPORT_ABSENT="", BOARDPORT_TRACE="", **THEMES.get(theme, {}))


def run_panel(panel, display, theme, out, work):
    """Starts the panel under theme and takes every screenshot into out/."""
    env = theme_env(display, theme, work)
    process = subprocess.Popen([panel, "--part", "QV7310"], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(f"{out}/panel.txt", "w"))
    try:
        main, geometry = display.window("QV7310 Quad High Voltage DAC")
        display.shoot(f"{out}/control.png", geometry)
        x, y = geometry[:2]
        # DAC 1 powered up, so that its reading shows as a live one.
        for point in ((186, 190), (130, 115)):
            display.xdotool("mousemove", str(x + point[0]), str(y + point[1]), "click", "1")
        display.shoot(f"{out}/data.png", geometry)
        display.keys(main, "alt+f")
        display.shoot(f"{out}/file-menu.png", (x, y, geometry[2], 160))
        display.keys(main, "Escape", "Escape")
        for name, keys, title in (("history", "alt+v", "History"), ("limits", "alt+o", "Limits"),
                                  ("version", "alt+a", "QV7301/QV7310")):
            display.keys(main, keys, "Return")
            window, frame = display.window(title)
            display.shoot(f"{out}/{name}.png", frame)
            display.keys(window, "Escape")
            time.sleep(0.5)  # closed before the next keys
    finally:
        process.send_signal(signal.SIGTERM)
        process.wait(30)


def contrast(path, x, y, width, height):
    """The grey range of a crop: 0 for none, 1 for black on white."""
    return float(subprocess.run(
        ["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "-colorspace", "Gray",
         "-format", "%[fx:maxima-minima]", "info:"], capture_output=True, text=True,
        check=True).stdout)


def lightness(path):
    return float(subprocess.run(["convert", path, "-colorspace", "Gray", "-format", "%[fx:mean]",
                                 "info:"], capture_output=True, text=True, check=True).stdout)


def differing_pixels(first, second):
    compared = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                              capture_output=True, text=True)
    return compared.stderr.strip()


def judge(out, theme):
    """Contrast of every text under theme, and the pixels of each screenshot
    against no theme. The History shows the time of each request, and dialogs
    lay out their buttons and icons as the desktop does, so those three need
    not be the same pixels, only as light."""
    failures = []
    for shot, texts in TEXTS.items():
        measured = []
        for what, *crop in texts:
            value = contrast(f"{out}/{theme}/{shot}.png", *crop)
            measured.append(f"{what} {value:.2f}")
            if value < 0.4:
                failures.append(f"{theme} {shot}: {what} has a contrast of {value:.2f}")
        same = differing_pixels(f"{out}/light/{shot}.png", f"{out}/{theme}/{shot}.png")
        print(f"{theme} {shot}: {same} pixels differ from no theme; contrast: "
              f"{', '.join(measured)}")
        if shot in ("control", "data", "file-menu") and same != "0":
            failures.append(f"{theme} {shot}: {same} pixels differ from no theme")
        light, dark = (lightness(f"{out}/{name}/{shot}.png") for name in ("light", theme))
        if abs(light - dark) > 0.02:
            failures.append(f"{theme} {shot}: a mean lightness of {dark:.2f}, "
                            f"{light:.2f} without a theme")
    return failures


def dark(display, probe, theme, work):
    """Whether theme really gives Qt a dark palette."""
    said = subprocess.run([probe], env=theme_env(display, theme, work), capture_output=True,
                          text=True, timeout=60).stdout.strip()
    print(f"{theme} theme gives Qt a palette of {said}")
    return said.startswith("window 0.") and float(said.split()[1]) < 0.5


def main():
    panel, probe, out = sys.argv[1:4]
    missing = missing_tools()
    if missing:
        print(f"SKIPPED: missing {', '.join(missing)}")
        return 77
    with tempfile.TemporaryDirectory() as work:
        display = Display(work)
        try:
            if not dark(display, probe, "gtk", work):
                print("SKIPPED: no dark palette from the GTK platform theme "
                      "(Debian: qt6-gtk-platformtheme)")
                return 77
            themes = ["gtk"] + (["kde"] if dark(display, probe, "kde", work) else [])
            for theme in ["light"] + themes:
                os.makedirs(f"{out}/{theme}", exist_ok=True)
                run_panel(panel, display, theme, f"{out}/{theme}", work)
        finally:
            display.close()
    failures = [failure for theme in themes for failure in judge(out, theme)]
    print("\n".join(failures) if failures else f"every text reads under the dark themes "
          f"({', '.join(themes)}); screenshots in {out}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
