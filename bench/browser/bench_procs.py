"""The process side of the browser bench: the harness as child subreaper, the process tree below
it, its PSS, RSS and CPU time, one launch on its own Xvfb and session bus, and its teardown."""

import ctypes
import os
import re
import shlex
import shutil
import signal
import subprocess
import tempfile
import time

PR_SET_CHILD_SUBREAPER = 36
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# The session bus is the harness's, not the browser's: the same for every browser measured.
BUS_NAMES = {"dbus-run-sessio", "dbus-daemon"}


def become_subreaper():
    """Orphans of the launched browsers (helpers whose parent exited, daemonised services) are
    re-parented to this process rather than to init, so they stay in the measured tree."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def read_stat(pid):
    """(comm, state, ppid, cpu seconds including reaped children) or None when gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            text = f.read()
    except OSError:
        return None
    comm = text[text.index("(") + 1:text.rindex(")")]
    fields = text[text.rindex(")") + 2:].split()
    utime, stime, cutime, cstime = (int(v) for v in fields[11:15])
    return comm, fields[0], int(fields[1]), (utime + stime + cutime + cstime) / CLOCK_TICKS


def all_stats():
    stats = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            stat = read_stat(int(entry))
            if stat:
                stats[int(entry)] = stat
    return stats


def descendants(root, stats):
    children = {}
    for pid, (_, _, ppid, _) in stats.items():
        children.setdefault(ppid, []).append(pid)
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        for child in children.get(pid, []):
            found.append(child)
            todo.append(child)
    return found


def reap_orphans(own_children):
    """Waits for zombies that became ours as subreaper; Popen waits for its own."""
    for pid, (_, state, ppid, _) in all_stats().items():
        if ppid == os.getpid() and state == "Z" and pid not in own_children:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass


def process_name(pid, comm):
    """The program's name, with Chromium's process type; argv[0] when the process has not
    rewritten it (comm is cut at 15 bytes)."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            argv = f.read().decode(errors="replace").split("\0")
    except OSError:
        return comm
    name = os.path.basename(argv[0])
    if not name or " " in name:
        name = comm
    kind = re.search(r"--type=(\S+)", " ".join(argv))
    return f"{name}:{kind.group(1)}" if kind else name


def rollup(pid):
    """(PSS, RSS) in kB from smaps_rollup, or None for a process without memory (gone, kernel)."""
    values = {}
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("Pss", "Rss"):
                    values[key] = int(rest.split()[0])
    except OSError:
        return None
    return (values["Pss"], values["Rss"]) if len(values) == 2 else None


class Launch:
    """One browser run: its own Xvfb, fresh HOME and XDG folders, its own session bus."""

    def __init__(self, command, urls, per_url, extra_env):
        self.scratch = tempfile.mkdtemp(prefix="browser-bench-")
        self.xvfb = self.start_xvfb()
        env = dict(os.environ)
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        for name, folder in (("HOME", "home"), ("XDG_CACHE_HOME", "cache"),
                             ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                             ("XDG_RUNTIME_DIR", "runtime")):
            os.makedirs(os.path.join(self.scratch, folder), mode=0o700)
            env[name] = os.path.join(self.scratch, folder)
        env.update(DISPLAY=self.display, GDK_BACKEND="x11", **extra_env)
        argv = [a.replace("{profile}", os.path.join(self.scratch, "profile")) for a in command]
        if per_url:
            # One instance per URL (a browser without tabs), all under one session bus.
            line = " ".join(shlex.quote(a) for a in argv)
            argv = ["sh", "-c", f'for url; do {line} "$url" & done; wait', "sh", *urls]
        else:
            argv = argv + urls
        self.log = open(os.path.join(self.scratch, "browser.log"), "w+")
        self.started = time.monotonic()
        self.root = subprocess.Popen(["dbus-run-session", "--", *argv], env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "1280x900x24", "-nolisten", "tcp"], pass_fds=[write_end],
                                stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        return xvfb

    def tree(self):
        """pid -> stat of every process of the browser: everything below the harness except
        Xvfb and the session bus."""
        stats = all_stats()
        pids = set(descendants(os.getpid(), stats)) - {self.xvfb.pid}
        return {pid: stats[pid] for pid in pids
                if stats[pid][0] not in BUS_NAMES and stats[pid][1] != "Z"}

    def cpu_seconds(self):
        """{pid: (process name, CPU seconds so far)} over the tree."""
        return {pid: (process_name(pid, stat[0]), stat[3]) for pid, stat in self.tree().items()}

    def memory(self):
        """(PSS MB, RSS MB, {process name: [count, PSS MB]}) over the tree."""
        pss = rss = 0
        by_name = {}
        for pid, stat in self.tree().items():
            values = rollup(pid)
            if values is None:
                continue
            pss += values[0]
            rss += values[1]
            entry = by_name.setdefault(process_name(pid, stat[0]), [0, 0.0])
            entry[0] += 1
            entry[1] += values[0] / 1024
        return pss / 1024, rss / 1024, by_name

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def close(self):
        # The browser first gets the chance to quit as a session's end would ask it to: the
        # bus's child, or each instance the per-URL shell started.
        tree = self.tree()
        tops = [pid for pid, stat in tree.items() if stat[2] == self.root.pid]
        tops += [pid for pid, stat in tree.items()
                 if stat[2] in tops and tree[stat[2]][0] == "sh"]
        for pid in tops:
            os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and self.tree():
            reap_orphans({self.root.pid, self.xvfb.pid})
            time.sleep(0.1)
        for pid in list(self.tree()) + [self.root.pid]:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.root.wait()
        self.xvfb.terminate()
        self.xvfb.wait()
        reap_orphans(set())
        self.log.close()
        shutil.rmtree(self.scratch, ignore_errors=True)
