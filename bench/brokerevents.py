#!/usr/bin/env python3
"""Times over a broker that hyperfine cannot take, as they end in another
process than the one started: how long a rig's agents take to be in a
reader's table, and how long a reader takes to hear that an agent is gone.

    python3 bench/brokerevents.py DEMO URL ROUNDS LOCAL

DEMO is sarvolin-list-demo, URL an MQTT broker on loopback, already running
and left running, LOCAL hyperfine's JSON for the same bodies read on one
computer, which the rig's time is compared with. Every round has a topic prefix of its own, so that what one
round left retained on the broker is not in the next. Prints Markdown; fails
only when a measurement cannot be made."""

import csv
import json
import os
import re
import selectors
import signal
import statistics
import subprocess
import sys
import time

HOSTS, BODIES, LATENCY_MS, WAIT_S = 4, 40, 20, 60
# Each takes 1.5 keepalives, as long as the broker waits for a silent client.
STOPPED_ROUNDS = 2

demo, url, rounds, local = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
helped = " ".join(subprocess.run([demo, "--help"], capture_output=True, text=True).stdout.split())
keepalive = re.search(r"--keepalive <seconds> .*?\(default: (\d+);", helped)
started = []


def fail(text):
    print("bench/brokerevents.py: %s" % text, file=sys.stderr)
    sys.exit(1)


def start(arguments, environment=None):
    env = dict(os.environ)
    env.update(environment or {})
    process = subprocess.Popen([demo] + arguments, env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    started.append(process)
    return process


def stop(process):
    """The way a script ends a watch: its input closed."""
    if process.poll() is None:
        try:
            process.stdin.close()
        except BrokenPipeError:
            pass
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    started.remove(process)


class Lines:
    """The lines of several processes' stdout and stderr as they come, so
    that no pipe fills while another is waited on."""

    def __init__(self):
        self.selector = selectors.DefaultSelector()
        self.partial = {}

    def watch(self, process, name):
        for stream, kind in ((process.stdout, "out"), (process.stderr, "err")):
            os.set_blocking(stream.fileno(), False)
            self.selector.register(stream, selectors.EVENT_READ, (name, kind))
            self.partial[stream] = b""

    def forget(self, process):
        for stream in (process.stdout, process.stderr):
            if stream in self.partial:
                self.selector.unregister(stream)
                del self.partial[stream]

    def until(self, wanted, deadline):
        """Calls wanted(name, kind, line) on every line until it answers true;
        the time of that line, or None at the deadline."""
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            for key, _ in self.selector.select(left):
                chunk = os.read(key.fileobj.fileno(), 65536)
                if not chunk:
                    self.selector.unregister(key.fileobj)
                    del self.partial[key.fileobj]
                    continue
                now = time.monotonic()
                text = self.partial[key.fileobj] + chunk
                *lines, self.partial[key.fileobj] = text.split(b"\n")
                for line in lines:
                    name, kind = key.data
                    if wanted(name, kind, line.decode("utf-8", "replace").rstrip("\r")):
                        return now


def reader(lines, prefix):
    """A watching reader whose picture of the broker is in: its CSV header
    comes once that is so."""
    process = start(["--from", url, "--watch", "--csv", "--topic-prefix", prefix])
    lines.watch(process, "reader")
    if lines.until(lambda name, kind, line: kind == "out" and line.startswith("host,"),
                   time.monotonic() + WAIT_S) is None:
        fail("the reader under %s never printed its header" % prefix)
    return process


def rig_in_reader(round_number):
    """Seconds from the start of the agents to the last of their bodies in
    the reader's table."""
    prefix = "bench-rig-%d" % round_number
    lines = Lines()
    watcher = reader(lines, prefix)
    ids = set()

    def row(name, kind, line):
        # A host's rows come again whenever its state does; each ID counts once.
        if name == "reader" and kind == "out" and not line.startswith("host,"):
            fields = next(csv.reader([line]))
            if len(fields) > 5 and fields[4] and not fields[5]:
                ids.add(fields[4])
        return len(ids) == HOSTS * BODIES

    begun = time.monotonic()
    agents = []
    for host in range(1, HOSTS + 1):
        agent = start(["--publish", url, "--host-name", "h%d" % host, "--topic-prefix", prefix,
                       "--csv"],
                      {"SARVOLIN_SIMULATED_CAMERAS": str(BODIES),
                       "SARVOLIN_SIMULATED_LATENCY_MS": str(LATENCY_MS),
                       "SARVOLIN_SIMULATED_FIRST_ID": "%09d001" % host})
        lines.watch(agent, "h%d" % host)
        agents.append(agent)
    done = lines.until(row, begun + WAIT_S)
    for process in [watcher] + agents:
        lines.forget(process)
        stop(process)
    if done is None:
        fail("after %d s the reader held %d of %d bodies" % (WAIT_S, len(ids), HOSTS * BODIES))
    return done - begun


def loss_heard(how, round_number):
    """Seconds from an agent's signal to the reader's line that its host is
    lost."""
    prefix = "bench-%s-%d" % (how.name, round_number)
    lines = Lines()
    watcher = reader(lines, prefix)
    agent = start(["--publish", url, "--host-name", "gone", "--topic-prefix", prefix, "--csv"],
                  {"SARVOLIN_SIMULATED_CAMERAS": "1"})
    lines.watch(agent, "agent")
    if lines.until(lambda name, kind, line: name == "reader" and kind == "out"
                   and line.startswith("gone,") and line.endswith(",ok"),
                   time.monotonic() + WAIT_S) is None:
        fail("the reader never saw the agent's body")
    lines.forget(agent)
    begun = time.monotonic()
    agent.send_signal(how)
    heard = lines.until(lambda name, kind, line: name == "reader" and kind == "err"
                        and ": gone: host lost since " in line, begun + WAIT_S)
    if how == signal.SIGSTOP:
        agent.send_signal(signal.SIGCONT)
    agent.kill()
    agent.wait()
    started.remove(agent)
    lines.forget(watcher)
    stop(watcher)
    if heard is None:
        fail("no word of the lost host within %d s of %s" % (WAIT_S, how.name))
    return heard - begun


def seconds(values):
    return ", ".join("%.3f" % value for value in values)


try:
    print("\n## %d hosts × %d simulated bodies, %d ms per SDK call, through one broker\n"
          % (HOSTS, BODIES, LATENCY_MS))
    times = [rig_in_reader(n) for n in range(rounds)]
    print("- from the %d agents' start (`sarvolin-list-demo --publish`) to all %d bodies, read "
          "without error, in a `--from --watch --csv` reader started before them, %d rounds: "
          "%s s; median %.3f s" % (HOSTS, HOSTS * BODIES, rounds, seconds(times),
                                   statistics.median(times)))
    alone = json.load(open(local))["results"][0]
    ratio = statistics.median(times) / alone["median"]
    print("- the same %d bodies on one computer, `%s`: median %.3f s (hyperfine)"
          % (HOSTS * BODIES, alone["command"], alone["median"]))
    print("- through the broker ÷ on one computer, medians: ×%.2f, target ≤ ×1.25: %s"
          % (ratio, "met" if ratio <= 1.25 else "not met"))
    print("\n## A host gone, heard by a watching reader, at the default keepalive (%s s)\n"
          % (keepalive.group(1) if keepalive else "not found in --help"))
    for how in (signal.SIGKILL, signal.SIGSTOP):
        times = [loss_heard(how, n)
                 for n in range(rounds if how == signal.SIGKILL else STOPPED_ROUNDS)]
        print("- from the agent's %s to the reader's \"host lost since\" line: %s s; median "
              "%.3f s" % (how.name, seconds(times), statistics.median(times)))
finally:
    for process in list(started):
        if process.poll() is None:
            process.send_signal(signal.SIGCONT)
            process.kill()
        process.wait()
