#!/usr/bin/env python3
"""Starts the demo on a virtual display with the accessibility bus, starts
measuring through the bus and reads the level the way a screen reader does.
Exits 77 (skipped) where the display, the bus or the client is missing."""
import os
import random
import re
import shutil
import subprocess
import sys
import time

SKIP = 77


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


def outer(demo):
    for tool in ("xvfb-run", "dbus-run-session"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    # Debian's package lives with Debian's interpreter, which need not be the
    # first python3 on the path.
    python = next((p for p in (sys.executable, "/usr/bin/python3")
                   if os.path.exists(p) and subprocess.call([p, "-c", "import pyatspi"],
                                                            stderr=subprocess.DEVNULL) == 0), None)
    if python is None:
        skip("python3-pyatspi is not installed")
    if not os.path.exists("/usr/share/dbus-1/services/org.a11y.Bus.service"):
        skip("at-spi2-core is not installed")
    import tempfile
    with tempfile.TemporaryDirectory() as home:
        # A home of its own: the demo's instance lock and settings, and the
        # bus's sockets, stay away from anybody else's.
        env = dict(os.environ, SONAVISTOR_ATSPI_INNER="1", HOME=home, XDG_RUNTIME_DIR=home,
                   XDG_CONFIG_HOME=os.path.join(home, "config"))
        env.pop("QT_QPA_PLATFORM", None)
        # A display number picked at random: "-a" alone starts every run at
        # :99, and runs side by side then take each other's display.
        try:
            return subprocess.call(["xvfb-run", "-a", "-n", str(random.randint(100, 30000)), "dbus-run-session", "--", python,
                                    __file__, demo],
                                   env=env, timeout=60)
        except subprocess.TimeoutExpired:
            print("the smoke test did not end within a minute")
            return 1


def wait_for(what, find, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # the tree changes under us while the program starts
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit("not found over the accessibility bus: " + what)


def inner(demo):
    import pyatspi

    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    # On a busy machine the virtual display may still be starting.
    socket = "/tmp/.X11-unix/X" + os.environ.get("DISPLAY", ":0").lstrip(":").split(".")[0]
    wait_for("the virtual display", lambda: os.path.exists(socket))
    program = subprocess.Popen([demo], env=env)
    time.sleep(1)
    if program.poll() is not None:  # the display refused it once: try again
        program = subprocess.Popen([demo], env=env)
    try:
        desktop = pyatspi.Registry.getDesktop(0)

        def application():
            for app in desktop:
                if app is not None and "sonavistor" in (app.name or ""):
                    return app
            return None

        app = wait_for("the demo", application)

        def named(name, role=None):
            return lambda: pyatspi.findDescendant(
                app, lambda o: o is not None and o.name == name and (role is None or o.getRole() == role))

        measure = wait_for("Real Time Measure", named("Real Time Measure", pyatspi.ROLE_PUSH_BUTTON))
        measure.queryAction().doAction(0)
        start = wait_for("Start to Measure", named("Start to Measure", pyatspi.ROLE_PUSH_BUTTON))
        start.queryAction().doAction(0)
        level = wait_for("Sound level", named("Sound level"))

        def reading():
            text = level.description
            return text if re.fullmatch(r"\d+\.\d dB, [AC] weighting, (FAST|SLOW).*", text or "") and \
                not text.startswith("0.0 ") else None

        print("level read over the accessibility bus: " + wait_for("a level reading", reading))
        return 0
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()


if __name__ == "__main__":
    demo_path = sys.argv[1]
    sys.exit(inner(demo_path) if os.environ.get("SONAVISTOR_ATSPI_INNER") == "1" else outer(demo_path))
