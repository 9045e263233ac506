"""An X server of the suite's own, on a display number it picks itself."""

import os
import select
import subprocess


class Xvfb:
    def __init__(self, width=1280, height=800, timeout=20.0):
        read_end, write_end = os.pipe()
        self._process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        ready, _, _ = select.select([read_end], [], [], timeout)
        number = os.read(read_end, 64).decode().strip() if ready else ""
        os.close(read_end)
        if not number:
            self.stop()
            raise RuntimeError("Xvfb did not report a display")
        self.display = f":{number}"

    def screenshot(self, png_path, rect=None):
        """Saves the screen, or the given rectangle of it, as a PNG."""
        command = ["/usr/bin/import", "-display", self.display, "-window", "root"]
        if rect is not None:
            command += ["-crop", f"{rect['width']}x{rect['height']}+{rect['left']}+{rect['top']}", "+repage"]
        subprocess.run(command + [png_path], check=True, timeout=30)
        return png_path

    def stop(self):
        if self._process.poll() is None:
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
