#!/usr/bin/python3
"""The Wine benchmarks: each runs the program's own code and its floor in the
same Wine prefix against the local site (site/server.py over HTTPS on
loopback) and prints a markdown section with the medians and their ratios.
Figures only; nothing passes or fails on a time."""

import argparse
import base64
import glob
import json
import os
import re
import statistics
import subprocess
import sys
import time
from urllib.parse import urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
SERVER = os.path.join(ROOT, "site", "server.py")
BODY_SIZE = 64 * 1024 * 1024
MIB = 1024 * 1024
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

PROGRAM_VERSION = "2.2025.6.15"
STARTUP_PATHS = ["/Quorvane/versioninfo.json", "/Quorvane/announcer.txt", "/Quorvane/bcl.ini",
                 "/Quorvane/srclist.json"]
# A region list of the usual shape and size: a dozen regions, Chinese names.
REGION_LIST = json.dumps({"CurrentRegionIdx": 0, "Regions": [
    {"$type": "StaticHttpRegionInfo, Assembly-CSharp", "Name": "测试服务器%d" % i, "PingServer": "play%d.localhost" % i,
     "Servers": [{"Name": "Http-1", "Ip": "http://play%d.localhost" % i, "Port": 22023, "UseDtls": False,
                  "Players": 0, "ConnectionFailures": 0}], "TargetServer": None, "TranslateName": 1003}
    for i in range(12)]}, ensure_ascii=False)


class Bench:
    def __init__(self, build, prefix, work):
        self.build = os.path.abspath(build)
        self.prefix = os.path.abspath(prefix)
        self.work = os.path.abspath(work)
        self.server = None
        self.port = None

    def wine(self, program, *args, timeout=300, env=None):
        result = subprocess.run([WINE_RUN, self.prefix, program, *args], capture_output=True, text=True, errors="replace",
                                timeout=timeout, env=env)
        return result.returncode, result.stdout

    def start_site(self, routes, https_port=0):
        os.makedirs(self.work, exist_ok=True)
        routes_file = os.path.join(self.work, "routes.json")
        ports_file = os.path.join(self.work, "ports.json")
        with open(routes_file, "w", encoding="utf-8") as f:
            json.dump(routes, f)
        if os.path.exists(ports_file):
            os.remove(ports_file)
        log = open(os.path.join(self.work, "server.log"), "w")
        self.server = subprocess.Popen([sys.executable, SERVER, "--routes", routes_file, "--bind", "localhost",
                                        "--http-port", "-1", "--https-port", str(https_port), "--tls-dir", os.path.join(self.work, "tls"),
                                        "--ports-file", ports_file], stdout=log, stderr=subprocess.STDOUT)
        deadline = time.time() + 60
        while not os.path.exists(ports_file):
            if time.time() > deadline or self.server.poll() is not None:
                raise RuntimeError("the local site did not start; see %s" % log.name)
            time.sleep(0.2)
        with open(ports_file, encoding="utf-8") as f:
            self.port = json.load(f)["https"]
        code, _ = self.wine(os.path.join(self.build, "bench", "tools", "qv_import_ca.exe"),
                            os.path.join(self.work, "tls", "ca.crt"))
        if code != 0:
            raise RuntimeError("could not trust the test CA in %s" % self.prefix)

    def stop(self):
        if self.server is not None:
            self.server.terminate()
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.prefix),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def url(self, path):
        return "https://localhost:%d%s" % (self.port, path)


def figures(output):
    """The key=value line that the bench programs print."""
    for line in output.splitlines():
        if line.startswith("bytes="):
            return {k: float(v) for k, v in re.findall(r"(\w+)=([-\d.]+)", line)}
    raise RuntimeError("no figures in the output:\n" + output)


def median_runs(bench, program, args, runs, expected_bytes):
    results = []
    for _ in range(runs):
        code, output = bench.wine(program, *args)
        result = figures(output)
        if code != 0 or result["bytes"] != expected_bytes:
            raise RuntimeError("%s failed (exit %d):\n%s" % (os.path.basename(program), code, output))
        results.append(result)
    return {key: statistics.median(r[key] for r in results) for key in results[0]}


def http_get_section(bench, runs):
    url = bench.url("/bench/64m")
    programs = os.path.join(bench.build, "bench")
    floor = median_runs(bench, os.path.join(programs, "qv_wininet_get.exe"), [url], runs, BODY_SIZE)
    own = median_runs(bench, os.path.join(programs, "qv_http_get_bench.exe"), [url], runs, BODY_SIZE)
    lines = ["## http_get under Wine", "",
             "One GET of a 64 MiB body over HTTPS from the local site on loopback, median of %d runs." % runs,
             "Floor: a bare WinINet loop in the same Wine (the same request, InternetReadFile with",
             "1 MiB chunks). Peak memory is the process's peak private bytes (and peak working set)",
             "divided by the body size.", "",
             "| program | ms | MiB/s | x floor throughput | peak private / body | peak working set / body |",
             "|---|---|---|---|---|---|"]
    floor_rate = BODY_SIZE / MIB / (floor["fetch_ms"] / 1000)
    for name, result in (("bare WinINet loop (floor)", floor), ("http_get", own)):
        rate = BODY_SIZE / MIB / (result["fetch_ms"] / 1000)
        lines.append("| %s | %.0f | %.1f | %.2f | %.2f | %.2f |" % (
            name, result["fetch_ms"], rate, rate / floor_rate, result["peak_private"] / BODY_SIZE,
            result["peak_working_set"] / BODY_SIZE))
    return lines


def key_values(output, first_key):
    """The key=value line, starting with first_key, that a bench program prints."""
    for line in output.splitlines():
        if line.startswith(first_key + "="):
            return dict(re.findall(r"(\w+)=(\S+)", line))
    raise RuntimeError("no figures in the output:\n" + output)


def site_port(build):
    """The port of the maker site compiled into the build's quorvane.exe."""
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
        site = re.search(r"^QUORVANE_SITE:\w+=(.*)$", f.read(), re.M).group(1).strip()
    parts = urlsplit(site)
    if parts.scheme != "https" or parts.hostname not in ("localhost", "127.0.0.1"):
        raise RuntimeError("the Wine benchmarks need a build whose QUORVANE_SITE is https://localhost:PORT")
    return parts.port or 443


def ui_routes():
    return [{"path": "/Quorvane/versioninfo.json", "body": PROGRAM_VERSION},
            {"path": "/Quorvane/announcer.txt", "body_base64": base64_text("欢迎使用Quorvane".encode("gbk"))},
            {"path": "/Quorvane/bcl.ini", "body": "https://voice.localhost"},
            {"path": "/Quorvane/srclist.json", "body_base64": base64_text("测试源一§测试源二".encode("gbk"))},
            {"path": "/Quorvane/scrbase/0.json", "body": REGION_LIST}]


def base64_text(data):
    return base64.b64encode(data).decode("ascii")


class Desktop:
    """Xvfb and the Chinese locale, for the runs that show windows."""

    def __init__(self, bench):
        from qv_e2e.xvfb import Xvfb
        self.xvfb = Xvfb()
        self.env = dict(os.environ, DISPLAY=self.xvfb.display, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        users = [p for p in glob.glob(os.path.join(bench.prefix, "drive_c", "users", "*"))
                 if os.path.basename(p) != "Public" and os.path.isdir(p)]
        if len(users) != 1:
            raise RuntimeError("cannot tell the prefix's user among %s" % users)
        # The game has run before: its data folder exists, so Install makes one write.
        self.game_data = os.path.join(users[0], "AppData", "LocalLow", "Innersloth", "Among Us")
        os.makedirs(self.game_data, exist_ok=True)
        self.region_list = os.path.join(self.game_data, "regionInfo.json")

    def stop(self):
        self.xvfb.stop()


def median_of(runs, measure):
    results = [measure() for _ in range(runs)]
    return {key: statistics.median(r[key] for r in results) for key in results[0]}


def ui_run(bench, desktop, mode):
    program = os.path.join(bench.build, "app", "quorvane.exe")
    code, output = bench.wine(os.path.join(bench.build, "bench", "qv_ui_bench.exe"), mode, program,
                              env=desktop.env)
    result = key_values(output, "mode")
    if code != 0 or result["error"] != "none":
        raise RuntimeError("qv_ui_bench %s failed (exit %d):\n%s" % (mode, code, output))
    return {key: float(result[key]) for key in ("first_box_ms", "box_closed_ms", "window_ms", "install_ms")}


def floor_run(bench, desktop, args, expected_bytes):
    code, output = bench.wine(os.path.join(bench.build, "bench", "qv_wininet_get.exe"), *args, env=desktop.env)
    result = figures(output)
    if code != 0 or result["bytes"] != expected_bytes:
        raise RuntimeError("qv_wininet_get failed (exit %d):\n%s" % (code, output))
    return result


def startup_section(bench, desktop, runs):
    srclist_size = len("测试源一§测试源二".encode("gbk"))
    floor = median_of(runs, lambda: floor_run(bench, desktop, [bench.url(p) for p in STARTUP_PATHS] + ["--window"],
                                              srclist_size))
    own = median_of(runs, lambda: ui_run(bench, desktop, "startup"))
    return ["## Start-up under Wine", "",
            "From the process's creation to the main window being visible, against the local site over",
            "HTTPS on loopback, median of %d runs, in one Xvfb. The site serves the program's own" % runs,
            "version (no update box) and a one-line announcement; the announcement box is always shown",
            "before the window, so both are measured: to that first box (after the version and the",
            "announcement requests), and to the window after the box was answered at once with Cancel",
            "by the timing program (after the voice-server and source-list requests as well). Floor:",
            "a bare WinINet program that makes the same four HTTPS requests one after the other and",
            "then shows a window of the same size, timed from its own creation the same way.", "",
            "| program | to first box, ms | box gone, ms | to window, ms | window x floor |", "|---|---|---|---|---|",
            "| four requests, then a window (floor) | | | %.0f | 1.00 |" % floor["visible_ms"],
            "| quorvane.exe | %.0f | %.0f | %.0f | %.2f |" % (own["first_box_ms"], own["box_closed_ms"], own["window_ms"],
                                                            own["window_ms"] / floor["visible_ms"])]


def install_section(bench, desktop, runs):
    region_list = REGION_LIST.encode("utf-8")
    floor_target = os.path.join(desktop.game_data, "floor-regionInfo.json")
    windows_target = "C:\\" + os.path.relpath(floor_target, os.path.join(bench.prefix, "drive_c")).replace("/", "\\")
    floor = median_of(runs, lambda: floor_run(bench, desktop, [bench.url("/Quorvane/scrbase/0.json"), "--write",
                                                               windows_target], len(region_list)))

    def install_run():
        if os.path.exists(desktop.region_list):
            os.remove(desktop.region_list)
        result = ui_run(bench, desktop, "install")
        with open(desktop.region_list, "rb") as f:
            if f.read() != region_list:
                raise RuntimeError("Install did not write the region list whole")
        return result

    own = median_of(runs, install_run)
    return ["## Install under Wine", "",
            "From the Install click (the button's BN_CLICKED posted to the shown main window) to the",
            "success box, median of %d runs; a %d-byte region list of twelve regions from the local" % (
                runs, len(region_list)),
            "site over HTTPS, written into an existing game data folder (one write). Install also starts",
            "the hidden attribute-clearing command and converts the list for the box. Floor: one bare",
            "WinINet GET of the same resource plus one file write, timed inside the floor program from",
            "before InternetOpenA to after the write. The floor is a fresh process, so its figure",
            "includes WinINet's first-use set-up, which the program has paid during start-up: a",
            "ratio below 1 means that, not a faster request.", "",
            "| program | ms | x floor |", "|---|---|---|",
            "| one request plus one file write (floor) | %.0f | 1.00 |" % floor["fetch_ms"],
            "| Install, click to success box | %.0f | %.2f |" % (own["install_ms"],
                                                              own["install_ms"] / floor["fetch_ms"])]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--windows-build", required=True, help="cross build with QUORVANE_BENCH=ON")
    parser.add_argument("--prefix", required=True, help="Wine prefix for the benchmarks")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sections", default="http_get,startup,install",
                        help="comma-separated: http_get, startup, install")
    args = parser.parse_args()
    sections = args.sections.split(",")
    bench = Bench(args.windows_build, args.prefix, os.path.join(args.windows_build, "bench-run"))
    desktop = None
    lines = []
    try:
        bench.start_site([{"path": "/bench/64m", "generated": BODY_SIZE}] + ui_routes(),
                         site_port(args.windows_build))
        if "http_get" in sections:
            lines += http_get_section(bench, args.runs) + [""]
        if "startup" in sections or "install" in sections:
            desktop = Desktop(bench)
            if "startup" in sections:
                lines += startup_section(bench, desktop, args.runs) + [""]
            if "install" in sections:
                lines += install_section(bench, desktop, args.runs) + [""]
    finally:
        bench.stop()
        if desktop is not None:
            desktop.stop()
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
