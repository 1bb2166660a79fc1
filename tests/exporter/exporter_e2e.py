"""tolvaran-exporter against the simulated library: the real programs on
loopback, with the demo's landscape plus a system whose user list never
comes (HUNG). The checks are started through a wrapper that logs each
start and end, the oracle for what the exporter ran.

  exporter_e2e.py EXPORTER TOLVARAN DEMO SCRATCH"""

import base64
import os
import shutil
import ssl
import stat
import subprocess
import sys
import threading
import time

from prometheus_client.openmetrics.parser import text_string_to_metric_families as om_families
from prometheus_client.parser import text_string_to_metric_families as text_families

import fixture


def setup(tolvaran, demo, scratch):
    shutil.rmtree(scratch, ignore_errors=True)
    profiles = fixture.scratch_landscape(demo, os.path.join(scratch, "profiles"))
    with open(os.path.join(profiles, "PRD.P00")) as f:
        prd = f.read()
    with open(os.path.join(profiles, "HUNG.P00"), "w") as f:
        f.write(prd.replace("Destination: PRD", "Destination: HUNG").replace("prdhost", "hunghost"))
    with open(os.path.join(profiles, "SapSim.ini"), "a") as f:
        f.write("\n[HUNG]\nhost = hunghost\nsysnr = 0\nclient = 100\nuser = SAPMON\n"
                "password = Demo4Prd!\nusers = prd-users.txt\nhang = RfcReceive\n")
    ini = os.path.join(profiles, "SapSim.ini")
    with open(ini) as f:
        text = f.read()
    with open(ini, "w") as f:
        f.write(text.replace("users = prd-users.txt\n", "users = prd-users.txt\ndelay = 150\n", 1))
    starts = os.path.join(scratch, "starts.log")
    wrapper = os.path.join(scratch, "tolvaran-logged")
    with open(wrapper, "w") as f:
        f.write('#!/bin/sh\necho "start $1 $$" >> "%s"\n"%s" "$@"\nstatus=$?\n'
                'echo "end $1 $$" >> "%s"\nexit $status\n' % (starts, tolvaran, starts))
    os.chmod(wrapper, stat.S_IRWXU)
    return profiles, wrapper, starts


def starts_of(starts):
    if not os.path.exists(starts):
        return []
    with open(starts) as f:
        return [line.split() for line in f]


def main(exporter_path, tolvaran, demo, scratch):
    checks = fixture.Checks()
    profiles, wrapper, starts = setup(tolvaran, demo, scratch)
    exporter = fixture.Exporter(exporter_path, profiles, "--program", wrapper, "--backoff", "600")
    try:
        status, headers, body = fixture.get(exporter.url + "/")
        checks.expect(status == 200 and "tolvaran-exporter 4." in body, "/ shows the version")

        # A check, in both formats, with the program's own values.
        status, headers, text = fixture.get(exporter.url + "/probe?target=PRD")
        checks.expect(status == 200 and "version=0.0.4" in headers["Content-Type"],
                      "a probe without Accept is the text format")
        families = {f.name: f for f in text_families(text)}
        checks.expect(families["tolvaran_active_users"].samples[0].value == 6,
                      "PRD's active users through the exporter")
        checks.expect(fixture.sample(text, "tolvaran_probe_success") == "1", "probe success 1")
        status, headers, om = fixture.get(
            exporter.url + "/probe?target=PRD&client=100",
            {"Accept": "application/openmetrics-text;version=1.0.0,text/plain;q=0.5"})
        checks.expect("openmetrics-text" in headers["Content-Type"] and om.endswith("# EOF\n"),
                      "OpenMetrics when preferred")
        families = {f.name: f for f in om_families(om)}
        checks.expect(families["tolvaran_active_users"].samples[0].labels.get("client") == "100",
                      "client= reaches the check")

        # Requests the exporter refuses before running anything.
        for query in ["target=../PRD", "target=sub/PRD", "target=%2Fetc%2Fpasswd", "",
                      "target=PRD&item=Active:User(s)", "target=PRD&client=1a",
                      "target=PRD&measure=x,OUT%3D%2Ftmp%2Fx", "target=global"]:
            status, _, body = fixture.get(exporter.url + "/probe?" + query)
            checks.expect(status == 400 and body.strip(), "400 with a reason for " + query)
        status, _, _ = fixture.get(exporter.url + "/probe?target=PRD",
                                   {"X-Prometheus-Scrape-Timeout-Seconds": "soon"})
        checks.expect(status == 400, "400 for a scrape timeout that is no number")
        checks.expect(not any(s[1] in ("../PRD", "sub/PRD", "global") for s in starts_of(starts)),
                      "no refused request started a check")

        # A profile that is not there, and a system that hangs: 200, down.
        status, _, body = fixture.get(exporter.url + "/probe?target=NOPE")
        checks.expect(status == 200 and 'code="1002"' in body and
                      fixture.sample(body, "tolvaran_up") == "0", "a missing profile is down, 1002")
        began = time.monotonic()
        status, _, body = fixture.get(exporter.url + "/probe?target=HUNG",
                                      {"X-Prometheus-Scrape-Timeout-Seconds": "3"})
        took = time.monotonic() - began
        checks.expect(status == 200 and took < 3, "a hung system answers within the scrape timeout"
                      " (%.2f s)" % took)
        checks.expect(fixture.sample(body, "tolvaran_up") == "0" and 'code="1016"' in body,
                      "a hung system is down with 1016")

        # A refused logon is not tried again within the back-off.
        first = fixture.get(exporter.url + "/probe?target=DEV")[2]
        second = fixture.get(exporter.url + "/probe?target=DEV&client=300")[2]
        dev_starts = [s for s in starts_of(starts) if s[0] == "start" and s[1] == "DEV"]
        checks.expect(len(dev_starts) == 1, "DEV started once, not %d times" % len(dev_starts))
        checks.expect('code="1011"' in first and "not tried again" in second,
                      "the second DEV probe answers the back-off")
        checks.expect("probe target=DEV result=backoff" in exporter.log_text(),
                      "the back-off is logged")

        # Concurrent scrapes: one check per target at a time, same answers.
        answers = []
        def scrape(target):
            answers.append((target, fixture.get(exporter.url + "/probe?target=" + target)))
        threads = [threading.Thread(target=scrape, args=(t,)) for t in ["PRD", "QAS"] * 6]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        checks.expect(all(a[1][0] == 200 and fixture.sample(a[1][2], "tolvaran_up") == "1"
                          for a in answers), "twelve concurrent scrapes answered, all up")
        running = {}
        for event, target, _ in starts_of(starts):
            running[target] = running.get(target, 0) + (1 if event == "start" else -1)
            checks.expect(running[target] <= 1, "two checks of %s side by side" % target)

        # SIGTERM ends the checks running and the exporter.
        hung = threading.Thread(target=lambda: fixture.get(
            exporter.url + "/probe?target=HUNG", {"X-Prometheus-Scrape-Timeout-Seconds": "60"}))
        hung.start()
        end = time.monotonic() + 10
        while time.monotonic() < end and starts_of(starts)[-1][:2] != ["start", "HUNG"]:
            time.sleep(0.02)
        pid = int(starts_of(starts)[-1][2])
        began = time.monotonic()
        status = exporter.stop()
        checks.expect(status == 0, "the exporter ends with status 0 on SIGTERM, not %d" % status)
        checks.expect(time.monotonic() - began < 5, "and at once")
        hung.join(10)
        alive = True
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            alive = False
        checks.expect(not alive, "the running check ended with the exporter")
    finally:
        exporter.stop()
    log = exporter.log_text()
    checks.expect("Demo4" not in log and "Bs9g#L" not in log,
                  "no password, plain or scrambled, in the log")
    tls_and_authentication(exporter_path, tolvaran, profiles, scratch, checks)
    return checks.finish()


# "scrape-secret", bcrypt with cost 4 (made with Python's crypt module).
HASH = "$2b$04$VgB.yd5teYIRTQXUdOQvoeuCIhSODmrSyAcfK/CMktgqR4hubYP1q"


def tls_and_authentication(exporter_path, tolvaran, profiles, scratch, checks):
    """--web.config.file: TLS with a self-signed certificate and a user."""
    openssl = shutil.which("openssl")
    if not openssl:
        print("TLS not tried: no openssl command to make a certificate")
        return
    cert, key = os.path.join(scratch, "tls.crt"), os.path.join(scratch, "tls.key")
    subprocess.run([openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    config = os.path.join(scratch, "web.yml")
    with open(config, "w") as f:
        f.write("tls_server_config:\n  cert_file: %s\n  key_file: %s\n"
                "basic_auth_users:\n  prometheus: %s\n" % (cert, key, HASH))
    exporter = fixture.Exporter(exporter_path, profiles, "--program", tolvaran,
                                "--web.config.file", config)
    try:
        context = ssl.create_default_context(cafile=cert)
        url = "https://127.0.0.1:%d/probe?target=PRD" % exporter.port
        token = base64.b64encode(b"prometheus:scrape-secret").decode()
        wrong = base64.b64encode(b"prometheus:guess").decode()
        status, headers, _ = fixture.get(url, context=context)
        checks.expect(status == 401 and "Basic" in headers.get("WWW-Authenticate", ""),
                      "TLS: 401 without credentials, not %d" % status)
        status, _, _ = fixture.get(url, {"Authorization": "Basic " + wrong}, context=context)
        checks.expect(status == 401, "TLS: 401 with a wrong password")
        status, _, body = fixture.get(url, {"Authorization": "Basic " + token}, context=context)
        checks.expect(status == 200 and fixture.sample(body, "tolvaran_up") == "1",
                      "TLS: 200 and the check with the user's password")
        try:
            plain = fixture.get("http://127.0.0.1:%d/" % exporter.port, timeout=5)[0]
        except Exception:  # noqa: BLE001 - any failure of plain HTTP is the point
            plain = None
        checks.expect(plain != 200, "TLS: no plain HTTP answer")
    finally:
        checks.expect(exporter.stop() == 0, "the TLS exporter ends with status 0")


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))
