"""What the exporter's end-to-end tests share: a scratch copy of the demo's
landscape, free loopback ports, the exporter started and stopped, and HTTP
requests with their status, headers and body."""

import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.request

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests


def scratch_landscape(demo, scratch):
    """A fresh folder with the demo's profiles, SapSim.ini and user list."""
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    for name in os.listdir(demo):
        if name.endswith((".P00", ".ini", ".txt", ".Prf")):
            shutil.copy(os.path.join(demo, name), scratch)
    return scratch


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if process.poll() is not None:
            raise RuntimeError("the process ended before it listened (status %d)" % process.returncode)
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing listens on port %d" % port)


def get(url, headers=None, timeout=30, context=None):
    """(status, headers, body) of a GET; HTTP errors are answers too."""
    request = urllib.request.Request(url, headers=headers or {})
    try:
        with urllib.request.urlopen(request, timeout=timeout, context=context) as response:
            return response.status, response.headers, response.read().decode("utf-8")
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read().decode("utf-8")


class Exporter:
    """tolvaran-exporter on a free loopback port, its standard error in a file."""

    def __init__(self, exporter, profile_dir, *flags):
        self.port = free_port()
        self.log_path = os.path.join(profile_dir, "..", os.path.basename(profile_dir) + ".log")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(
            [exporter, "--profile-dir", profile_dir,
             "--web.listen-address", "127.0.0.1:%d" % self.port] + list(flags),
            stdout=subprocess.DEVNULL, stderr=self.log)
        wait_for_port(self.port, self.process)
        self.url = "http://127.0.0.1:%d" % self.port

    def stop(self):
        """SIGTERM; the status it ended with."""
        if self.log.closed:
            return self.process.returncode
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = self.process.wait()
        self.log.close()
        return status

    def log_text(self):
        if not self.log.closed:
            self.log.flush()
        with open(self.log_path) as f:
            return f.read()


def sample(body, prefix):
    """The value of the first sample line starting with `prefix`, or None."""
    for line in body.splitlines():
        if line.startswith(prefix):
            return line.rsplit(" ", 1)[1]
    return None


class Checks:
    """Collects failed expectations; the test fails at the end with all of them."""

    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)
            print("FAILED: " + what, file=sys.stderr)

    def finish(self):
        if self.failures:
            print("%d expectation(s) failed" % len(self.failures), file=sys.stderr)
            return 1
        print("all expectations held")
        return 0
