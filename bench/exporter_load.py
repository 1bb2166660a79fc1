"""Load on tolvaran-exporter against the simulated library, run by hand:

  python3 bench/exporter_load.py build/tolvaran-exporter build/tolvaran demo SCRATCH \
      [--targets 100] [--scrapers 4] [--interval 15] [--seconds 60] [--latency 100] \
      [--probes 10000] [--pairs 200]

1. Scrape load: TARGETS systems whose simulated library answers each opening
   and call LATENCY ms late, each scraped every INTERVAL s by SCRAPERS
   scrapers (Prometheus servers) at their own phase, for SECONDS, each scrape
   with a scrape timeout of 10 s. Reports scrapes that missed the deadline or
   were not 200, probe durations, and the most worker processes and open
   descriptors of the exporter seen (sampled every 50 ms).
2. Memory: PROBES probes of a system without latency, 8 at once; the
   exporter's resident memory before and after, and every 1000 probes.
3. Overhead: PAIRS pairs of the same check, once as `tolvaran PRD
   FORMAT=OPENMETRICS @ TIMEOUT=5` started directly, once through the
   exporter (one request at a time), in alternation; medians and the median
   of the pairs' differences, and a request of /metrics (which runs no
   check) for the HTTP round trip's own share.
"""

import argparse
import os
import statistics
import sys
import threading
import time
import subprocess

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "exporter"))
import fixture  # noqa: E402


def landscape(demo, scratch, targets, latency):
    profiles = fixture.scratch_landscape(demo, os.path.join(scratch, "profiles"))
    with open(os.path.join(profiles, "PRD.P00")) as f:
        prd = f.read()
    ini = open(os.path.join(profiles, "SapSim.ini"), "a")
    for i in range(targets):
        name = "S%03d" % i
        with open(os.path.join(profiles, name + ".P00"), "w") as f:
            f.write(prd.replace("Destination: PRD", "Destination: " + name)
                    .replace("prdhost", name.lower() + "host"))
        ini.write("\n[%s]\nhost = %shost\nsysnr = 0\nclient = 100\nuser = SAPMON\n"
                  "password = Demo4Prd!\nusers = prd-users.txt\ndelay = %d\n"
                  % (name, name.lower(), latency))
    ini.close()
    return profiles


def children_and_fds(pid):
    fds = len(os.listdir("/proc/%d/fd" % pid))
    children = 0
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    if int(f.read().rsplit(")", 1)[1].split()[1]) == pid:
                        children += 1
            except (OSError, IndexError, ValueError):
                pass
    return children, fds


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def scrape_load(exporter, args):
    results = []  # (seconds, status, missed)
    lock = threading.Lock()
    stop = time.monotonic() + args.seconds
    sampled = {"children": 0, "fds": 0}

    def sampler():
        while time.monotonic() < stop:
            c, f = children_and_fds(exporter.process.pid)
            sampled["children"] = max(sampled["children"], c)
            sampled["fds"] = max(sampled["fds"], f)
            time.sleep(0.05)

    def scrape(target, phase):
        next_at = time.monotonic() + phase
        while True:
            now = time.monotonic()
            if next_at > now:
                time.sleep(next_at - now)
            if time.monotonic() >= stop:
                return
            began = time.monotonic()
            status, _, _ = fixture.get(exporter.url + "/probe?target=" + target,
                                       {"X-Prometheus-Scrape-Timeout-Seconds": "10"}, timeout=12)
            took = time.monotonic() - began
            with lock:
                results.append((took, status, took > 10))
            next_at += args.interval

    threads = [threading.Thread(target=sampler)]
    for s in range(args.scrapers):
        for i in range(args.targets):
            # Each scraper spreads its targets over the interval, as Prometheus does.
            phase = (i * args.interval / args.targets + s * args.interval / args.scrapers / 7) % args.interval
            threads.append(threading.Thread(target=scrape, args=("S%03d" % i, phase)))
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    durations = sorted(r[0] for r in results)
    print("scrape load: %d targets, %d scrapers, every %g s for %d s, latency %d ms"
          % (args.targets, args.scrapers, args.interval, args.seconds, args.latency))
    print("  scrapes %d, not 200: %d, past the 10 s deadline: %d"
          % (len(results), sum(1 for r in results if r[1] != 200), sum(1 for r in results if r[2])))
    print("  duration median %.3f s, p99 %.3f s, max %.3f s"
          % (statistics.median(durations), durations[int(len(durations) * 0.99)], durations[-1]))
    print("  most worker processes at once %d (limit --max-probes), most descriptors %d"
          % (sampled["children"], sampled["fds"]))


def memory(exporter, args):
    pid = exporter.process.pid
    before = rss_kib(pid)
    marks = []
    counter = {"n": 0}
    lock = threading.Lock()

    def worker():
        while True:
            with lock:
                if counter["n"] >= args.probes:
                    return
                counter["n"] += 1
                n = counter["n"]
            fixture.get(exporter.url + "/probe?target=PRD&client=%d" % (n % 8))
            if n % 1000 == 0:
                marks.append((n, rss_kib(pid)))

    began = time.monotonic()
    threads = [threading.Thread(target=worker) for _ in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    took = time.monotonic() - began
    print("memory: %d probes, 8 at once, in %.1f s (%.0f probes/s)"
          % (args.probes, took, args.probes / took))
    print("  resident before %d KiB, after %d KiB; every 1000: %s"
          % (before, rss_kib(pid), " ".join("%d" % m[1] for m in sorted(marks))))


def overhead(exporter, tolvaran, profiles, args):
    direct, probe, http = [], [], []
    for _ in range(args.pairs):
        began = time.monotonic()
        fixture.get(exporter.url + "/metrics")
        http.append(time.monotonic() - began)
        began = time.monotonic()
        subprocess.run([tolvaran, "PRD", "FORMAT=OPENMETRICS", "@", "TIMEOUT=5"], cwd=profiles,
                       stdout=subprocess.DEVNULL)
        direct.append(time.monotonic() - began)
        began = time.monotonic()
        fixture.get(exporter.url + "/probe?target=PRD")
        probe.append(time.monotonic() - began)
    diffs = [p - d for p, d in zip(probe, direct)]
    print("overhead: %d pairs, the same check of PRD" % args.pairs)
    print("  tolvaran started directly: median %.2f ms; through the exporter: median %.2f ms;"
          " difference per pair: median %.2f ms; a request of /metrics alone (the HTTP"
          " client's and server's share): median %.2f ms"
          % (statistics.median(direct) * 1000, statistics.median(probe) * 1000,
             statistics.median(diffs) * 1000, statistics.median(http) * 1000))


def main():
    parser = argparse.ArgumentParser()
    for name in ("exporter", "tolvaran", "demo", "scratch"):
        parser.add_argument(name)
    parser.add_argument("--targets", type=int, default=100)
    parser.add_argument("--scrapers", type=int, default=4)
    parser.add_argument("--interval", type=float, default=15)
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--latency", type=int, default=100)
    parser.add_argument("--probes", type=int, default=10000)
    parser.add_argument("--pairs", type=int, default=200)
    parser.add_argument("--max-probes", default="8")
    args = parser.parse_args()
    profiles = landscape(args.demo, args.scratch, args.targets, args.latency)
    exporter = fixture.Exporter(os.path.abspath(args.exporter), profiles,
                                "--program", os.path.abspath(args.tolvaran),
                                "--max-probes", args.max_probes, "--max-queued", "400")
    try:
        if args.seconds > 0:
            scrape_load(exporter, args)
        if args.probes > 0:
            memory(exporter, args)
        if args.pairs > 0:
            overhead(exporter, os.path.abspath(args.tolvaran), profiles, args)
    finally:
        exporter.stop()


if __name__ == "__main__":
    main()
