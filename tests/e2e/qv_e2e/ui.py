"""The program as a user sees it: its main window, its controls by their
Win32 IDs, and its message boxes, read from the driver's window lists."""

import time

MESSAGE_BOX_CLASS = "#32770"
BOX_TEXT_ID = 0xFFFF
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
VK_TAB = 0x09


class Control:
    def __init__(self, record):
        self.record = record
        self.children = [Control(child) for child in record.get("children", [])]

    def __getattr__(self, name):
        try:
            return self.record[name]
        except KeyError:
            raise AttributeError(name) from None

    @property
    def place(self):
        rect = self.record["place"]
        return (rect["left"], rect["top"], rect["width"], rect["height"])

    def walk(self):
        for child in self.children:
            yield child
            yield from child.walk()

    def find(self, control_id):
        for control in self.walk():
            if control.id == control_id:
                return control
        raise LookupError(f"no control with ID {control_id:#x}")


class MessageBox(Control):
    @property
    def title(self):
        return self.record["text"]

    @property
    def body(self):
        for child in self.children:
            if child.id == BOX_TEXT_ID:
                return child.text
        raise LookupError("the box has no text control")

    @property
    def icon(self):
        icons = [child.icon for child in self.children if "icon" in child.record]
        return icons[0] if icons else "none"

    @property
    def button_ids(self):
        return sorted(child.id for child in self.children if child.record["class"].lower() == "button")

    def button(self, button_id):
        return self.find(button_id)


class Snapshot:
    def __init__(self, reply):
        self.running = reply["running"]
        self.screen = reply["screen"]
        self.windows = [Control(record) for record in reply["windows"]]

    def describe(self):
        return "; ".join(f"{w.record['class']} {w.text!r} visible={w.visible}" for w in self.windows) or "none"

    @property
    def main(self):
        for window in self.windows:
            if window.record["class"] != MESSAGE_BOX_CLASS and window.text == "Quorvane":
                return window
        return None

    @property
    def boxes(self):
        return [MessageBox(window.record) for window in self.windows
                if window.record["class"] == MESSAGE_BOX_CLASS and window.visible]

    @property
    def focused(self):
        for window in self.windows:
            if window.focused:
                return window
            for control in window.walk():
                if control.focused:
                    return control
        return None


class TimedOut(AssertionError):
    pass


class App:
    """One run of quorvane.exe, started by the driver."""

    def __init__(self, driver, pid, xvfb, artefacts):
        self.driver = driver
        self.pid = pid
        self.xvfb = xvfb
        self.artefacts = artefacts
        self.exit_code = None

    def snapshot(self):
        return Snapshot(self.driver.windows(self.pid))

    def wait_for(self, condition, what, timeout=30.0, exit_ends_wait=False):
        """Polls the windows until condition(snapshot) holds; returns the
        snapshot. The process ending first fails the wait, unless
        exit_ends_wait says that it may end."""
        deadline = time.monotonic() + timeout
        while True:
            snapshot = self.snapshot()
            if condition(snapshot) or (exit_ends_wait and not snapshot.running):
                return snapshot
            if not snapshot.running:
                raise TimedOut(f"the program ended while waiting for {what}")
            if time.monotonic() > deadline:
                raise TimedOut(f"{what} did not happen within {timeout} s; windows: {snapshot.describe()}")
            time.sleep(0.1)

    def wait_box(self, timeout=30.0):
        return self.wait_for(lambda s: s.boxes, "a message box", timeout).boxes[0]

    def wait_main(self, timeout=30.0):
        return self.wait_for(lambda s: s.main is not None and s.main.visible and not s.boxes,
                             "the main window", timeout).main

    def answer(self, box, button_id):
        """Presses a box's button and waits until that box is gone."""
        self.driver.press_button(box.button(button_id).hwnd)
        self.wait_for(lambda s: all(b.hwnd != box.hwnd for b in s.boxes), "the box to close",
                      exit_ends_wait=True)

    def settle(self, timeout=30.0):
        main = self.snapshot().main
        if main is not None and not self.driver.settle(main.hwnd, timeout * 1000):
            raise TimedOut("the window did not answer")

    def click(self, control_id):
        self.driver.click(self.snapshot().main.find(control_id).hwnd)
        self.settle()

    def control(self, control_id):
        return self.snapshot().main.find(control_id)

    def wait_exit(self, timeout=30.0):
        code = self.driver.wait_exit(self.pid, timeout * 1000)
        if code is None:
            raise TimedOut(f"the program did not end within {timeout} s")
        self.exit_code = code
        return code

    def screenshot(self, name):
        main = self.snapshot().main
        path = str(self.artefacts / f"{name}.png")
        self.xvfb.screenshot(path, main.screen if main is not None else None)
        print(f"screenshot: {path}")
        return path


def eventually(probe, what, timeout=30.0):
    """Polls probe() until it gives a true value, which it returns."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimedOut(f"{what} did not happen within {timeout} s")
        time.sleep(0.1)
