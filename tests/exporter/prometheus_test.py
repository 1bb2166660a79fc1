"""Debian's Prometheus scrapes tolvaran-exporter with the shipped scrape
configuration (examples/prometheus/prometheus.yml: the targets relabelled
into ?target= and instance) and Debian's node exporter, whose textfile
collector reads a file that a check wrote with OUT=; the test asks
Prometheus' HTTP API for PRD's active users by both routes and compares
them with what the program itself writes. Everything on loopback, bounded
in time. Skipped (status 77) when the Prometheus binaries are not there.

  prometheus_test.py EXPORTER TOLVARAN DEMO EXAMPLES SCRATCH"""

import json
import os
import shutil
import subprocess
import sys
import time
import urllib.parse

import fixture

PROMETHEUS = shutil.which("prometheus")
NODE_EXPORTER = shutil.which("prometheus-node-exporter") or shutil.which("node_exporter")
DEADLINE_SECONDS = 90


def query(url, expr):
    status, _, body = fixture.get(url + "/api/v1/query?query=" + urllib.parse.quote(expr), timeout=5)
    if status != 200:
        return None
    result = json.loads(body)["data"]["result"]
    return result[0]["value"][1] if result else None


def main(exporter_path, tolvaran, demo, examples, scratch):
    if not PROMETHEUS or not NODE_EXPORTER:
        print("SKIPPED: prometheus or prometheus-node-exporter is not installed "
              "(Debian packages prometheus, prometheus-node-exporter)")
        return fixture.SKIP
    checks = fixture.Checks()
    shutil.rmtree(scratch, ignore_errors=True)
    profiles = fixture.scratch_landscape(demo, os.path.join(scratch, "profiles"))
    textfiles = os.path.join(scratch, "textfile")
    os.makedirs(textfiles)

    # The oracle: the program's own exposition of PRD.
    direct = subprocess.run([tolvaran, "PRD", "FORMAT=OPENMETRICS"], cwd=profiles,
                            capture_output=True, text=True, timeout=30).stdout
    expected = fixture.sample(direct, "tolvaran_active_users")
    checks.expect(expected is not None, "the program counts PRD's users")
    # The textfile route: a check writes the file the collector reads.
    subprocess.run([tolvaran, "PRD", "FORMAT=OPENMETRICS",
                    "OUT=" + os.path.join(textfiles, "tolvaran.prom")], cwd=profiles, timeout=30)
    # A failed check's file: the collector must take it whole, or the
    # failure (tolvaran_up 0) would never reach Prometheus.
    subprocess.run([tolvaran, "NOPE", "FORMAT=OPENMETRICS",
                    "OUT=" + os.path.join(textfiles, "failed.prom")], cwd=profiles, timeout=30)

    processes = []
    exporter = fixture.Exporter(exporter_path, profiles)
    try:
        node_port = fixture.free_port()
        log = open(os.path.join(scratch, "node-exporter.log"), "w")
        node = subprocess.Popen(
            [NODE_EXPORTER, "--web.listen-address=127.0.0.1:%d" % node_port,
             "--collector.disable-defaults", "--collector.textfile",
             "--collector.textfile.directory=" + textfiles], stdout=log, stderr=log)
        processes.append(node)
        fixture.wait_for_port(node_port, node)

        with open(os.path.join(examples, "prometheus.yml")) as f:
            config = f.read()
        config = (config.replace("127.0.0.1:10036", "127.0.0.1:%d" % exporter.port)
                  .replace("127.0.0.1:9100", "127.0.0.1:%d" % node_port)
                  .replace("scrape_interval: 60s", "scrape_interval: 1s")
                  .replace("scrape_timeout: 30s", "scrape_timeout: 1s"))
        with open(os.path.join(scratch, "prometheus.yml"), "w") as f:
            f.write(config)
        shutil.copy(os.path.join(examples, "tolvaran-alerts.yml"), scratch)
        prometheus_port = fixture.free_port()
        log = open(os.path.join(scratch, "prometheus.log"), "w")
        prometheus = subprocess.Popen(
            [PROMETHEUS, "--config.file=" + os.path.join(scratch, "prometheus.yml"),
             "--storage.tsdb.path=" + os.path.join(scratch, "data"),
             "--web.listen-address=127.0.0.1:%d" % prometheus_port], stdout=log, stderr=log)
        processes.append(prometheus)
        fixture.wait_for_port(prometheus_port, prometheus, 30)
        url = "http://127.0.0.1:%d" % prometheus_port

        wanted = {
            'tolvaran_active_users{job="sap",instance="PRD"}': expected,
            'tolvaran_active_users{job="node"}': expected,
            'tolvaran_up{job="node",system="NOPE"}': "0",
            'tolvaran_up{job="sap",instance="DEV"}': "0",
            'tolvaran_probe_success{job="sap",instance="QAS"}': "1",
            'up{job="tolvaran-exporter"}': "1",
        }
        got = {}
        end = time.monotonic() + DEADLINE_SECONDS
        while time.monotonic() < end and any(got.get(k) != v for k, v in wanted.items()):
            for expr in wanted:
                got[expr] = query(url, expr)
            time.sleep(0.5)
        for expr, value in wanted.items():
            checks.expect(got.get(expr) == value,
                          "%s is %s, Prometheus has %s" % (expr, value, got.get(expr)))
    finally:
        for process in processes:
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        checks.expect(exporter.stop() == 0, "the exporter ends with status 0")
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
