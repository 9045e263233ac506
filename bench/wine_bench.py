#!/usr/bin/python3
"""The Wine benchmarks: each runs the program's own code and its floor in the
same Wine prefix against the local site (site/server.py over HTTPS on
loopback) and prints a markdown section with the medians and their ratios.
Figures only; nothing passes or fails on a time."""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
SERVER = os.path.join(ROOT, "site", "server.py")
BODY_SIZE = 64 * 1024 * 1024
MIB = 1024 * 1024


class Bench:
    def __init__(self, build, prefix, work):
        self.build = os.path.abspath(build)
        self.prefix = os.path.abspath(prefix)
        self.work = os.path.abspath(work)
        self.server = None
        self.port = None

    def wine(self, program, *args, timeout=300):
        result = subprocess.run([WINE_RUN, self.prefix, program, *args], capture_output=True, text=True,
                                timeout=timeout)
        return result.returncode, result.stdout

    def start_site(self, routes):
        os.makedirs(self.work, exist_ok=True)
        routes_file = os.path.join(self.work, "routes.json")
        ports_file = os.path.join(self.work, "ports.json")
        with open(routes_file, "w", encoding="utf-8") as f:
            json.dump(routes, f)
        if os.path.exists(ports_file):
            os.remove(ports_file)
        log = open(os.path.join(self.work, "server.log"), "w")
        self.server = subprocess.Popen([sys.executable, SERVER, "--routes", routes_file, "--bind", "localhost",
                                        "--http-port", "-1", "--tls-dir", os.path.join(self.work, "tls"),
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--windows-build", required=True, help="cross build with QUORVANE_BENCH=ON")
    parser.add_argument("--prefix", required=True, help="Wine prefix for the benchmarks")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    bench = Bench(args.windows_build, args.prefix, os.path.join(args.windows_build, "bench-run"))
    try:
        bench.start_site([{"path": "/bench/64m", "generated": BODY_SIZE}])
        lines = http_get_section(bench, args.runs)
    finally:
        bench.stop()
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
