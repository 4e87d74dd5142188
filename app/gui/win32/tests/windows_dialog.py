#!/usr/bin/env python3
"""Drives OrvanCommonClassesTest.exe under wine from outside, as a user does:
keys and clicks through xdotool on the X server (run this under xvfb-run),
and what is on the screen read from the window tree (WindowProbe.exe), which
also takes the screenshots, as the system's screen capture shows the windows.

The programs run on a wine virtual desktop as large as the X screen, placed at
its origin, so that the windows' screen coordinates are the X server's.

Usage: windows_dialog.py test SCENARIO --build BUILD_DIR --work FOLDER
       windows_dialog.py screenshots OUT_FOLDER --build BUILD_DIR --work FOLDER
SCENARIO: export-import, about, long-command, closing, installed.
"""
import argparse
import fcntl
import json
import os
import pathlib
import random
import re
import select
import shutil
import subprocess
import sys
import time

EXPORTED = "file 'exportORVAN.orvan' successfully exported!"
IMPORTED = "file 'exportORVAN.orvan' successfully imported!"
SCREEN = (1024, 768)
# Large enough that an Export under wine runs for seconds, with its progress window up.
LONG_ATTACHMENT_MIB = 320


def read_facts(build):
    """The program's texts, from the header the build made of its facts: each
    #define of string literals and earlier names, joined."""
    facts = {}
    for line in (build / "generated/platform/ProgramFacts.h").read_text(encoding="utf-8").splitlines():
        definition = re.fullmatch(r"#define (ORVAN_\w+) (.+)", line)
        if definition and definition.group(2).lstrip().startswith(('"', "ORVAN_")):
            parts = re.findall(r'"([^"]*)"|(ORVAN_\w+)', definition.group(2))
            facts[definition.group(1)] = "".join(text or facts[name] for text, name in parts)
    return facts


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def width(window):
    return window["rect"][2] - window["rect"][0]


def centre(window):
    left, top, right, bottom = window["rect"]
    return (left + right) // 2, (top + bottom) // 2


def control(window, text=None, cls=None):
    for item in window["controls"]:
        if (text is None or item["text"] == text) and (cls is None or item["class"].lower() == cls.lower()):
            return item
    return None


def is_icon(item):
    return item["class"].lower() == "static" and item["style"] & 0x1F == 0x3  # SS_ICON: its text names the icon


def texts(window, cls):
    return [item["text"] for item in window["controls"]
            if item["class"].lower() == cls.lower() and item["text"] and not is_icon(item)]


def check_texts_whole(window):
    """Every text and button of `window` is wider than its text in the dialogs' font."""
    for item in window["controls"]:
        if item["visible"] and item["text"] and item["class"].lower() in ("static", "button") and not is_icon(item):
            margin = 6 if item["class"].lower() == "button" else 0
            check(item["textWidth"] + margin <= width(item),
                  f'"{item["text"]}" in "{window["text"]}" needs {item["textWidth"]} px, has {width(item)}')


def write_large_attachment(path, mebibytes):
    """Text of random words: it compresses, and slowly enough that an Export of
    it runs for seconds under wine, reporting progress many times over."""
    words = ["".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(2, 9)))
             for _ in range(4000)]
    block = " ".join(random.choice(words) for _ in range(200000)).encode()[:1 << 20]
    with open(path, "wb") as out:
        for i in range(mebibytes):
            out.write(block[i:] + block[:i])


class Desktop:
    """A wine prefix of the dialog tests' own, with its virtual desktop on this X server."""

    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.prefix = build / "wine-dialog"
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all")
        # One user of the prefix at a time: a test, or the screenshots.
        self.lock = open(build / "wine-dialog.lock", "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.prepare()
        self.probe = subprocess.Popen(["wine", str(build / "app/gui/win32/tests/WindowProbe.exe")],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=self.env,
                                      encoding="utf-8")
        self.focus_desktop()

    def prepare(self):
        self.prefix.mkdir(parents=True, exist_ok=True)
        self.stop_server()  # a server left by a run on another X server would draw there
        if not (self.prefix / "system.reg").exists():
            subprocess.run(["wineboot", "--init"], env=self.env, check=True, capture_output=True)
        # Every program of the prefix on one virtual desktop.
        self.reg(r"HKCU\Software\Wine\Explorer", "Desktop", "Default")
        self.reg(r"HKCU\Software\Wine\Explorer\Desktops", "Default", f"{SCREEN[0]}x{SCREEN[1]}")
        # Debian's wine does not look into fonts-wine's folder by itself: its
        # fonts (Tahoma for the dialogs' font, Marlett for the caption
        # buttons) go where Windows keeps fonts.
        fonts = self.prefix / "drive_c/windows/Fonts"
        for font in pathlib.Path("/usr/share/wine/fonts").glob("*.ttf"):
            if not (fonts / font.name).exists():
                (fonts / font.name).symlink_to(font)

    def stop_server(self):
        subprocess.run(["wineserver", "--kill"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "--wait"], env=self.env, stderr=subprocess.DEVNULL)

    def reg(self, key, name, value):
        subprocess.run(["wine", "reg", "add", key, "/v", name, "/d", value, "/f"], env=self.env, check=True,
                       capture_output=True)

    def close(self):
        try:
            self.probe.communicate("quit\n", timeout=10)
        finally:
            self.stop_server()
            self.lock.close()

    # --- what the screen shows

    def ask(self, command):
        self.probe.stdin.write(command + "\n")
        self.probe.stdin.flush()
        check(select.select([self.probe.stdout], [], [], 60)[0], f"the window probe did not answer {command}")
        line = self.probe.stdout.readline()
        check(line, "the window probe ended")
        return json.loads(line)

    def tree(self):
        return self.ask("tree")

    def wait(self, what, find, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            windows = self.tree()
            found = find(windows)
            if found:
                return found
            if time.monotonic() > deadline:
                shown = "; ".join(f'"{w["text"]}" {texts(w, "static") + texts(w, "button")}' for w in windows)
                raise Failure(f"no {what} after {timeout} s; on the screen: {shown or 'nothing'}")
            time.sleep(0.2)

    def dialog(self, windows):
        return next((w for w in windows if w["text"] == TITLE and control(w, EXPORT, "button")), None)

    def idle(self, windows):
        """Whether the dialog is there and runs no command."""
        dialog = self.dialog(windows)
        return dialog is not None and not dialog["commandRunning"]

    def message_box(self, text):
        return lambda windows: next((w for w in windows if control(w, text, "static")), None)

    def about_box(self, windows):
        return next((w for w in windows if w["text"] == ABOUT_TITLE), None)

    def progress_window(self, windows):
        return next((w for w in windows if control(w, cls="msctls_progress32")), None)

    # --- what the user does

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], check=True)

    def focus_desktop(self):
        # Keys go where the pointer is: over the desktop.
        self.xdotool("mousemove", "--sync", "1", "1")

    def click(self, item):
        x, y = centre(item)
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def keys(self, *names):
        self.xdotool("key", "--delay", "80", *names)

    def start(self, program, cwd):
        return subprocess.Popen(["wine", program], cwd=cwd, env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def start_dialog(self, folder):
        process = self.start(str(folder / PROGRAM), folder)
        dialog = self.wait("main dialog", self.dialog)
        self.activate(dialog)
        return process, dialog

    def activate(self, window):
        """Clicks into the window where it shows nothing, as a user does before typing."""
        left, top, _, bottom = window["rect"]
        self.xdotool("mousemove", "--sync", str(left + 12), str((top + bottom) // 2), "click", "1")
        self.wait("foreground window", lambda ws: next((w for w in ws if w["hwnd"] == window["hwnd"] and
                                                        w["active"] and w["foreground"]), None))

    def answer(self, text):
        """Waits for the message box with `text`, checks it, closes it with Enter,
        and waits for the end of the command that showed it."""
        box = self.wait(f'message box "{text}"', self.message_box(text))
        check(box["text"] == TITLE, f'message box caption "{box["text"]}"')
        check(texts(box, "button") == ["OK"], f"message box buttons {texts(box, 'button')}")
        check(box["active"], "the message box has the focus")
        self.keys("Return")
        self.wait(f"end of the command after message box \"{text}\"",
                  lambda ws: not self.message_box(text)(ws) and self.idle(ws))
        return box

    def ended(self, process, what):
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure(f"the dialog did not end on {what}")
        self.wait("dialog's disappearance", lambda ws: not self.dialog(ws))


def data_folder(build, work, name):
    """A folder of its own holding the dialog (and the type database beside it), as its data directory."""
    folder = work / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    source = build / "app/gui/win32"
    for name in (PROGRAM, "magic.mgc"):
        try:
            os.link(source / name, folder / name)
        except OSError:
            shutil.copy2(source / name, folder / name)
    return folder


# --- scenarios

def export_import(desktop, folder):
    process, dialog = desktop.start_dialog(folder)
    check_texts_whole(dialog)
    desktop.click(control(dialog, EXPORT))
    box = desktop.answer(EXPORTED)
    check(box["owner"] == dialog["hwnd"], "the message box belongs to the dialog")
    archive = folder / "exportORVAN.orvan"
    check(archive.stat().st_size > 0, "Export wrote the archive")
    # Tab moves the focus from Export to Import; Enter clicks the focused button.
    desktop.keys("Tab", "Return")
    desktop.answer(IMPORTED)
    extracted = folder / "temp/document2export.txt"
    check(extracted.read_bytes() == (folder / "document2export.txt").read_bytes(), "Import extracted the attachment")
    desktop.keys("Escape")
    desktop.ended(process, "Escape")


def about(desktop, folder):
    process, dialog = desktop.start_dialog(folder)
    desktop.keys("alt+space", "Up", "Return")  # the system menu, then its last entry
    box = desktop.wait("about box", desktop.about_box)
    check(texts(box, "static") == ABOUT_TEXTS, f"about box texts {texts(box, 'static')}")
    check(texts(box, "button") == ["OK"], f"about box buttons {texts(box, 'button')}")
    check(any(is_icon(c) and c["visible"] and c["icon"] for c in box["controls"]), "the about box shows the icon")
    check(box["owner"] == dialog["hwnd"], "the about box belongs to the dialog")
    check_texts_whole(box)
    desktop.keys("Return")
    desktop.wait("closing of the about box", lambda ws: not desktop.about_box(ws))
    check(desktop.dialog(desktop.tree()), "the dialog stays after the about box")
    desktop.keys("alt+F4")
    desktop.ended(process, "Alt+F4")


def long_command(desktop, folder):
    write_large_attachment(folder / "document2export.txt", LONG_ATTACHMENT_MIB)
    process, dialog = desktop.start_dialog(folder)
    desktop.click(control(dialog, EXPORT))
    progress = desktop.wait("progress window", desktop.progress_window)
    check(texts(progress, "static") == [EXPORTING], f"progress texts {texts(progress, 'static')}")
    check(progress["owner"] == dialog["hwnd"], "the progress window belongs to the dialog")
    check(desktop.dialog(desktop.tree())["commandRunning"], "the dialog runs the command")
    check_texts_whole(progress)
    # Everything a user might try while the command runs: refused, and never acted on later.
    desktop.click(control(dialog, IMPORT))
    desktop.keys("Escape", "Return", "alt+F4")
    desktop.click(control(dialog, CANCEL))
    desktop.click(progress)
    windows = desktop.tree()
    progress = desktop.progress_window(windows)
    check(progress, "the command outlasted the input given during it")
    check(not progress["active"] and desktop.dialog(windows)["active"], "a click leaves the focus in the dialog")
    desktop.wait(f'message box "{EXPORTED}"', desktop.message_box(EXPORTED), timeout=300)
    check(not desktop.progress_window(desktop.tree()), "the progress window is gone when the message box shows")
    desktop.answer(EXPORTED)
    time.sleep(3)
    windows = desktop.tree()
    check(desktop.dialog(windows), "the dialog stays open: Escape, Alt+F4 and Cancel during the command were refused")
    check(len(windows) == 1, f"no other window opens: {[w['text'] for w in windows]}")
    check(not (folder / "temp").exists(), "Import, clicked during the Export, never ran")
    desktop.keys("Escape")
    desktop.ended(process, "Escape")
    shutil.rmtree(folder)  # hundreds of megabytes


def closing(desktop, folder):
    process, _ = desktop.start_dialog(folder)
    desktop.keys("Escape")
    desktop.ended(process, "Escape")
    process, dialog = desktop.start_dialog(folder)
    desktop.click(control(dialog, CANCEL))
    desktop.ended(process, "a click on Cancel")
    process, _ = desktop.start_dialog(folder)
    focused = [c["text"] for c in desktop.dialog(desktop.tree())["controls"] if c["focused"]]
    check(focused == [CANCEL], f"the first tab stop, Cancel, has the focus, not {focused}")
    desktop.keys("Return")
    desktop.ended(process, "Enter on Cancel")
    check(not (folder / "exportORVAN.orvan").exists(), "closing ran no command")


def installed(desktop, build):
    install = desktop.prefix / "drive_c" / INSTALL_FOLDER
    shutil.rmtree(install, ignore_errors=True)
    for data in (desktop.prefix / "drive_c/users").glob("*/AppData/Local/" + TITLE):
        shutil.rmtree(data)
    subprocess.run(["cmake", "--install", str(build), "--prefix", str(install), "--strip"], check=True,
                   capture_output=True)
    shipped = sorted(p.name for p in install.iterdir())
    check(shipped == sorted([PROGRAM, "magic.mgc", "orvan.exe"]), f"the package holds {shipped}")
    process = desktop.start("C:\\" + INSTALL_FOLDER.replace("/", "\\") + "\\" + PROGRAM, install)
    dialog = desktop.wait("installed dialog", desktop.dialog)
    desktop.activate(dialog)
    desktop.click(control(dialog, EXPORT))
    desktop.answer(EXPORTED)
    desktop.click(control(dialog, IMPORT))
    desktop.answer(IMPORTED)
    desktop.keys("Escape")
    desktop.ended(process, "Escape")
    data = list((desktop.prefix / "drive_c/users").glob("*/AppData/Local/" + TITLE))
    check(len(data) == 1, "the per-user data folder exists")
    check((data[0] / "exportORVAN.orvan").stat().st_size > 0, "the archive is in the per-user folder")
    check((data[0] / "temp/document2export.txt").read_bytes() == (data[0] / "document2export.txt").read_bytes(),
          "the attachment is extracted in the per-user folder")
    check(sorted(p.name for p in install.iterdir()) == shipped, "nothing is written beside the installed program")


# --- screenshots

def grab(desktop, windows, out):
    """The screen where `windows` are, as the system shows it."""
    for window in windows:
        check_texts_whole(window)
    left = min(w["rect"][0] for w in windows)
    top = min(w["rect"][1] for w in windows)
    right = max(w["rect"][2] for w in windows)
    bottom = max(w["rect"][3] for w in windows)
    capture = desktop.work / "screen.bmp"
    answer = desktop.ask(f"capture {left} {top} {right} {bottom} Z:{capture}")
    check(answer.get("captured"), f"screen capture: {answer}")
    converter = pathlib.Path(__file__).with_name("bmp_to_png.py")
    subprocess.run([sys.executable, str(converter), str(capture), str(out)], check=True)
    capture.unlink()


def screenshots(desktop, folder, out):
    out.mkdir(parents=True, exist_ok=True)
    write_large_attachment(folder / "document2export.txt", LONG_ATTACHMENT_MIB)
    process, dialog = desktop.start_dialog(folder)
    desktop.keys("alt+space", "Up", "Return")
    box = desktop.wait("about box", desktop.about_box)
    time.sleep(0.5)
    grab(desktop, [box], out / "windows-about.png")
    desktop.keys("Return")
    desktop.wait("closing of the about box", lambda ws: not desktop.about_box(ws))
    # Wine on an X server without a window manager draws a dialog that opened
    # active with an inactive caption until it is activated again, as here.
    desktop.xdotool("mousemove", "--sync", "1", "1")
    time.sleep(0.5)
    grab(desktop, [desktop.dialog(desktop.tree())], out / "windows-dialog.png")
    desktop.click(control(dialog, EXPORT))
    progress = desktop.wait("progress window", desktop.progress_window)
    time.sleep(1)
    grab(desktop, [dialog, progress], out / "windows-progress.png")
    desktop.answer(EXPORTED)
    desktop.keys("Escape")
    desktop.ended(process, "Escape")
    shutil.rmtree(folder)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("action", choices=["test", "screenshots"])
    parser.add_argument("target", help="the scenario, or the screenshots' folder")
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    args = parser.parse_args()
    build, work = args.build.resolve(), args.work.resolve()
    global TITLE, ABOUT_TITLE, ABOUT_TEXTS, PROGRAM, INSTALL_FOLDER, EXPORT, IMPORT, CANCEL, EXPORTING
    facts = read_facts(build)
    TITLE, ABOUT_TITLE, PROGRAM = facts["ORVAN_NAME"], facts["ORVAN_TEXT_ABOUT_CAPTION"], facts["ORVAN_PROGRAM_FILE"]
    ABOUT_TEXTS = [facts["ORVAN_TEXT_ABOUT_NAME"], facts["ORVAN_COPYRIGHT"]]
    EXPORT, IMPORT, CANCEL = facts["ORVAN_TEXT_EXPORT"], facts["ORVAN_TEXT_IMPORT"], facts["ORVAN_TEXT_CANCEL"]
    EXPORTING = facts["ORVAN_TEXT_EXPORTING"]
    INSTALL_FOLDER = "Program Files/" + TITLE
    scenarios = {"export-import": export_import, "about": about, "long-command": long_command, "closing": closing}
    if args.action == "test" and args.target not in scenarios and args.target != "installed":
        parser.error(f"unknown scenario {args.target}")
    desktop = Desktop(build, work)
    try:
        if args.action == "screenshots":
            screenshots(desktop, data_folder(build, work, "screenshots"), pathlib.Path(args.target).resolve())
        elif args.target == "installed":
            installed(desktop, build)
        else:
            # A folder name beyond ASCII and beyond the basic plane, as users have them.
            scenarios[args.target](desktop, data_folder(build, work, f"{args.target} Müller 😀"))
    except Failure as failure:
        print(f"windows_dialog: {args.target}: {failure}", file=sys.stderr)
        return 1
    finally:
        desktop.close()
    print(f"windows_dialog: {args.target}: passed")
    return 0


sys.exit(main())
