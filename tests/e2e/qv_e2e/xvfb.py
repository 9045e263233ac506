"""An X server of the suite's own, on a display number that no other X
server holds."""

import os
import subprocess
import time
from pathlib import Path

FIRST_DISPLAY, LAST_DISPLAY = 140, 199


def _display_taken(number):
    return Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists()


class Xvfb:
    def __init__(self, width=1280, height=800, timeout=20.0):
        self.width, self.height = width, height
        self._process = None
        for number in range(FIRST_DISPLAY, LAST_DISPLAY + 1):
            if _display_taken(number):
                continue
            self.display = f":{number}"
            self._process = subprocess.Popen(
                ["Xvfb", self.display, "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if self._wait_ready(timeout):
                return
            self.stop()
        raise RuntimeError("no Xvfb display could be started")

    def _wait_ready(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                return False
            probe = subprocess.run(["xdpyinfo", "-display", self.display], capture_output=True, timeout=10)
            if probe.returncode == 0:
                return True
            time.sleep(0.1)
        return False

    def screenshot(self, png_path, rect=None):
        """Saves the screen, or the given rectangle of it, as a PNG."""
        command = ["/usr/bin/import", "-display", self.display, "-window", "root"]
        if rect is not None:
            command += ["-crop", f"{rect['width']}x{rect['height']}+{rect['left']}+{rect['top']}", "+repage"]
        subprocess.run(command + [png_path], check=True, timeout=30)
        return png_path

    def stop(self):
        if self._process is not None and self._process.poll() is None:
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()


def dark_rows(png_path, rect, inset=3, threshold=128):
    """The rows of the rectangle (screen coordinates, inside a border of
    `inset` pixels) that hold at least one dark pixel, relative to its top."""
    width, height = rect["width"] - 2 * inset, rect["height"] - 2 * inset
    raw = subprocess.run(
        ["/usr/bin/convert", png_path, "-crop", f"{width}x{height}+{rect['left'] + inset}+{rect['top'] + inset}",
         "+repage", "-colorspace", "Gray", "-depth", "8", "gray:-"],
        check=True, capture_output=True, timeout=30).stdout
    return [row for row in range(height) if min(raw[row * width:(row + 1) * width]) < threshold]
