"""A fresh Wine prefix prepared for the suite: the Chinese locale, Wine's own
window frames (so that screenshots show the captions), the suite's CA
trusted, and a recorder standing in for the browser."""

import os
import shutil
import subprocess
from pathlib import Path, PureWindowsPath

TOOLS_FOLDER = PureWindowsPath(r"C:\qv-e2e")


def wine_environment(prefix, display):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        # No Mono or Gecko install prompts, no desktop menu entries.
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        "DISPLAY": display,
        # Code page 936: the program's texts are GBK.
        "LANG": "zh_CN.UTF-8",
        "LC_ALL": "zh_CN.UTF-8",
    })
    return env


class Prefix:
    def __init__(self, path, display, wine_run):
        self.path = Path(path)
        self.env = wine_environment(self.path, display)
        if self.path.exists():
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=30, check=False)
            shutil.rmtree(self.path)
        self.path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([wine_run, str(self.path), "cmd", "/c", "exit", "0"], env=self.env, timeout=300,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        users = [p for p in (self.path / "drive_c" / "users").iterdir() if p.name != "Public" and p.is_dir()]
        if len(users) != 1:
            raise RuntimeError(f"cannot tell the prefix's user among {users}")
        self.profile = users[0]
        self.roaming = self.profile / "AppData" / "Roaming"
        self.local_low = self.profile / "AppData" / "LocalLow"
        temp = subprocess.run(["wine", "cmd", "/c", "echo %TEMP%"], env=self.env, timeout=60, check=True,
                              capture_output=True).stdout.decode("ascii", "replace").strip()
        self.temp = self.unix_path(temp)

    def unix_path(self, windows_path):
        path = PureWindowsPath(windows_path)
        drive = path.drive.rstrip(":").lower()
        return self.path / "dosdevices" / f"{drive}:" / Path(*path.parts[1:])

    def windows_path(self, unix_path):
        relative = Path(unix_path).resolve().relative_to((self.path / "drive_c").resolve())
        return str(PureWindowsPath("C:\\", *relative.parts))

    def wine(self, *arguments, timeout=120):
        return subprocess.run(["wine", *arguments], env=self.env, timeout=timeout, check=True,
                              capture_output=True)

    def install_tools(self, tools):
        """Copies the given programs into the prefix's tool folder; returns
        their Windows paths by name."""
        folder = self.unix_path(str(TOOLS_FOLDER))
        folder.mkdir(parents=True, exist_ok=True)
        placed = {}
        for name, source in tools.items():
            target = folder / Path(source).name
            shutil.copy2(source, target)
            placed[name] = str(TOOLS_FOLDER / target.name)
        return placed

    def register_url_recorder(self, recorder_exe, log_windows_path):
        """The shell opens http and https addresses with the class key's
        open command (HKCR, which is HKLM\\Software\\Classes here)."""
        command = f'"{recorder_exe}" "{log_windows_path}" "%1"'
        escaped = command.replace("\\", "\\\\").replace('"', '\\"')
        lines = ["REGEDIT4", ""]
        for scheme in ("http", "https"):
            for root in ("HKEY_LOCAL_MACHINE\\Software\\Classes", "HKEY_CURRENT_USER\\Software\\Classes"):
                lines += [f"[{root}\\{scheme}\\shell\\open\\command]", f'@="{escaped}"', ""]
        lines += ["[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]", '"Managed"="N"', ""]
        reg_file = self.unix_path(str(TOOLS_FOLDER)) / "settings.reg"
        reg_file.write_text("\r\n".join(lines), encoding="ascii")
        self.wine("regedit", "/S", self.windows_path(reg_file))

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=30, check=False)
