"""Client of qv_driver.exe: one long-lived driver process in the prefix,
one tab-separated command per line, one JSON reply per line."""

import json
import queue
import subprocess
import threading


class DriverError(RuntimeError):
    pass


class Driver:
    def __init__(self, wine_env, driver_exe, reply_timeout=30.0):
        self._reply_timeout = reply_timeout
        self._process = subprocess.Popen(
            ["wine", driver_exe], env=wine_env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, bufsize=0)
        self._replies = queue.Queue()
        # The driver answers every command in order, so a reply that comes
        # after its command timed out is recognised by its count and dropped.
        self._sent = 0
        self._received = 0
        self._reader = threading.Thread(target=self._read_replies, daemon=True)
        self._reader.start()

    def _read_replies(self):
        # Only the driver's own replies: anything else that reaches the pipe
        # (a program started in the prefix writing to its inherited output)
        # is dropped.
        for line in self._process.stdout:
            try:
                reply = json.loads(line.decode("utf-8"))
            except (UnicodeDecodeError, ValueError):
                continue
            if isinstance(reply, dict) and "ok" in reply:
                self._replies.put(reply)
        self._replies.put(None)

    def call(self, *fields, timeout=None):
        line = "\t".join(str(field) for field in fields) + "\n"
        self._process.stdin.write(line.encode("utf-8"))
        self._process.stdin.flush()
        self._sent += 1
        while self._received < self._sent:
            try:
                reply = self._replies.get(timeout=timeout or self._reply_timeout)
            except queue.Empty:
                raise DriverError(f"no reply to {fields[0]} within the time-out") from None
            if reply is None:
                raise DriverError("the driver ended")
            self._received += 1
        answer = reply
        if not answer.get("ok"):
            raise DriverError(f"{fields[0]}: {answer.get('error')}")
        return answer

    def start(self, command_line, working_folder=""):
        return self.call("start", command_line, working_folder)["pid"]

    def wait_exit(self, pid, timeout_ms):
        reply = self.call("wait_exit", pid, int(timeout_ms), timeout=timeout_ms / 1000 + 10)
        return reply["code"] if reply["exited"] else None

    def kill(self, pid):
        self.call("kill", pid)

    def process_names(self):
        return [entry["name"] for entry in self.call("processes")["processes"]]

    def processes(self):
        return self.call("processes")["processes"]

    def windows(self, pid):
        return self.call("windows", pid)

    def settle(self, hwnd, timeout_ms=10000):
        return self.call("settle", hwnd, int(timeout_ms), timeout=timeout_ms / 1000 + 10)["settled"]

    def click(self, hwnd):
        self.call("mouse", "click", hwnd)

    def press(self, hwnd):
        self.call("mouse", "press", hwnd)

    def release(self, hwnd):
        self.call("mouse", "release", hwnd)

    def select(self, hwnd, index):
        self.call("select", hwnd, index)

    def type(self, hwnd, text, replace=False):
        self.call("type", hwnd, text, 1 if replace else 0)

    def key(self, pid, virtual_key):
        self.call("key", pid, virtual_key)

    def press_button(self, hwnd):
        self.call("press_button", hwnd)

    def close(self, hwnd):
        self.call("close", hwnd)

    def import_ca(self, der_path):
        self.call("import_ca", der_path)

    def quit(self):
        try:
            self._process.stdin.write(b"quit\n")
            self._process.stdin.flush()
            self._process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self._process.kill()
