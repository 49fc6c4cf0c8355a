#!/usr/bin/env python3
"""browser_bench: start-up time, memory and idle CPU of Corvane and of any other browser command,
measured the same way in one run. See bench/README.md."""

import argparse
import json
import os
import re
import shlex
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_procs  # noqa: E402
import bench_sites  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PRESETS = {
    "corvane": [os.path.join(ROOT, "build", "src", "corvane"), "{urls}"],
    # Root needs --no-sandbox; the basic password store keeps it from waiting on a keyring.
    "chromium": ["chromium", "--no-sandbox", "--password-store=basic", "--no-first-run",
                 "--no-default-browser-check", "{urls}"],
    "surf": ["surf", "{url}"],
    "epiphany": ["epiphany-browser", "{urls}"],
}
TRACE_LINE = re.compile(r"^startup-trace (\S+) (\d+)$", re.M)
IDLE_TARGET, IDLE_LIMIT = 0.1, 0.5


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("browsers", nargs="*", default=["corvane", "chromium", "surf"],
                        help="preset name (%s) or NAME=COMMAND, COMMAND holding {urls} (all URLs "
                        "as arguments) or {url} (one instance per URL)" % ", ".join(PRESETS))
    parser.add_argument("--launches", type=int, default=3, help="launches per browser and count")
    parser.add_argument("--tabs", default="1,10,20", help="tab counts to measure")
    parser.add_argument("--idle-tabs", type=int, default=10, help="tab count whose idle CPU is "
                        "sampled (0: none)")
    parser.add_argument("--idle", type=float, default=30, help="idle window, seconds")
    parser.add_argument("--late", type=float, default=90,
                        help="start of the late idle window, seconds after launch")
    parser.add_argument("--settle", type=float, default=5,
                        help="quiet seconds after the last load before memory is read")
    parser.add_argument("--env", action="append", default=[],
                        help="NAME=VALUE for every browser (repeatable)")
    parser.add_argument("--json", help="write every launch's record here, one JSON per line")
    parser.add_argument("--report", help="print the tables of a file --json wrote, and stop")
    return parser.parse_args()


def browser_command(spec):
    name, _, command = spec.partition("=")
    argv = shlex.split(command) if command else PRESETS[name]
    return name, [a for a in argv if a not in ("{urls}", "{url}")], "{url}" in argv


def wait_for_loads(beacons, settle, limit=60):
    """Waits for the first onload, the first frame and the loads that follow until settle quiet
    seconds; returns (site, onload, frame) with the times as monotonic seconds, or Nones. With
    a frame, the onload is that of the frame's tab."""
    beacons.wait_for(lambda b: b.first("onload"), limit)
    onload = beacons.first("onload")
    if onload is None:
        return None, None, None
    # Only the tab on screen gets animation frames: its frame and its own onload count.
    beacons.wait_for(lambda b: b.first("frame"), 10)
    frame = beacons.first("frame")
    if frame:
        # The two beacons travel on separate requests and may arrive in either order.
        beacons.wait_for(lambda b: b.first("onload", frame[0]), 5)
        onload = beacons.first("onload", frame[0]) or onload
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and time.monotonic() - beacons.last_time() < settle:
        time.sleep(0.2)
    return onload[0], onload[1], frame[1] if frame else None


def idle_cpu(launch, start, seconds):
    """Tree CPU seconds over [start, start + seconds], start on the monotonic clock, in all and
    by process name."""
    time.sleep(max(0.0, start - time.monotonic()))
    before = launch.cpu_seconds()
    time.sleep(seconds)
    by_name = {}
    for pid, (name, cpu) in launch.cpu_seconds().items():
        used = cpu - before.get(pid, (name, 0.0))[1]
        by_name[name] = by_name.get(name, 0.0) + used
    return sum(by_name.values()), {k: round(v, 2) for k, v in by_name.items() if v >= 0.01}


def measure(name, command, per_url, urls, args, beacons):
    beacons.reset()
    env = dict(e.split("=", 1) for e in args.env)
    env["CORVANE_STARTUP_TRACE"] = "1"
    launch = bench_procs.Launch(command, urls, per_url, env)
    record = {"browser": name, "tabs": len(urls)}
    try:
        site, onload, frame = wait_for_loads(beacons, args.settle)
        t0 = launch.started
        record["onload"] = onload - t0 if onload else None
        record["frame"] = frame - t0 if frame else None
        record["loaded"] = len(beacons.sites_with("onload"))
        pss, rss, by_name = launch.memory()
        record.update(pss=pss, rss=rss, processes=by_name)
        if len(urls) == args.idle_tabs:
            record["idle_early"], record["idle_early_by"] = idle_cpu(launch, time.monotonic(),
                                                                     args.idle)
            record["idle_late"], record["idle_late_by"] = idle_cpu(launch, t0 + args.late,
                                                                   args.idle)
        output = launch.output()
        record["trace"] = {mark: int(us) / 1e6 - t0 for mark, us in TRACE_LINE.findall(output)}
        if onload is None:
            print(f"{name}: no page loaded; its output ends:\n{output[-2000:]}", file=sys.stderr)
    finally:
        launch.close()
    return record


def spread(values, unit="", digits=2):
    values = [v for v in values if v is not None]
    if not values:
        return "–"
    text = f"{statistics.median(values):.{digits}f}{unit}"
    if len(values) > 1:
        text += f" ({min(values):.{digits}f}–{max(values):.{digits}f})"
    return text


def report(records, names, args):
    counts = sorted({r["tabs"] for r in records})
    print("\n| browser | tabs | launch→onload s | onload→frame s | loaded | PSS MB | RSS MB |")
    print("|---|---|---|---|---|---|---|")
    for name in names:
        for tabs in counts:
            rs = [r for r in records if r["browser"] == name and r["tabs"] == tabs]
            lag = [r["frame"] - r["onload"] for r in rs if r["frame"] and r["onload"]]
            print(f"| {name} | {tabs} | {spread([r['onload'] for r in rs])} | {spread(lag)} | "
                  f"{spread([r['loaded'] for r in rs], digits=0)} | "
                  f"{spread([r['pss'] for r in rs], digits=0)} | "
                  f"{spread([r['rss'] for r in rs], digits=0)} |")
    report_idle(records, names, args)
    report_processes(records, names)
    report_trace(records, names)


def report_idle(records, names, args):
    print(f"\nIdle CPU, {args.idle_tabs} tabs, seconds per {args.idle:.0f} s "
          f"(early: after the loads; late: from {args.late:.0f} s after launch)")
    print("| browser | early | late | launches above %.1f s |" % IDLE_LIMIT)
    print("|---|---|---|---|")
    for name in names:
        rs = [r for r in records if r["browser"] == name and "idle_early" in r]
        if not rs:
            continue
        worst = [max(r["idle_early"], r["idle_late"]) for r in rs]
        above = sum(1 for w in worst if w > IDLE_LIMIT)
        print(f"| {name} | {spread([r['idle_early'] for r in rs])} | "
              f"{spread([r['idle_late'] for r in rs])} | {above} of {len(rs)} |")
        for r, w in zip(rs, worst):
            if w > IDLE_LIMIT:
                print(f"  FLAG {name}: a launch used {w:.2f} s of CPU in {args.idle:.0f} s idle")


def report_processes(records, names):
    print("\nPSS by process (median MB, count)")
    for name in names:
        for tabs in sorted({r["tabs"] for r in records}):
            rs = [r for r in records if r["browser"] == name and r["tabs"] == tabs]
            kinds = sorted({k for r in rs for k in r["processes"]})
            parts = []
            for kind in kinds:
                mb = [r["processes"].get(kind, [0, 0])[1] for r in rs]
                n = [r["processes"].get(kind, [0, 0])[0] for r in rs]
                parts.append(f"{kind} {statistics.median(mb):.0f} ×{statistics.median(n):.0f}")
            print(f"  {name}, {tabs} tabs: " + "; ".join(parts))


def report_trace(records, names):
    for name in names:
        rs = [r for r in records if r["browser"] == name and r["trace"] and r["tabs"] == 1]
        if not rs:
            continue
        print(f"\nStart-up timeline, {name}, 1 tab (median seconds after launch)")
        marks = list(dict.fromkeys(m for r in rs for m in r["trace"]))
        for mark in marks:
            print(f"  {mark:28} {spread([r['trace'].get(mark) for r in rs])}")
        print(f"  {'onload (beacon)':28} {spread([r['onload'] for r in rs])}")
        print(f"  {'frame (beacon)':28} {spread([r['frame'] for r in rs])}")


def main():
    args = parse_args()
    if args.report:
        with open(args.report) as f:
            records = [json.loads(line) for line in f if line.strip()]
        report(records, list(dict.fromkeys(r["browser"] for r in records)), args)
        return
    bench_procs.become_subreaper()
    browsers = [browser_command(spec) for spec in args.browsers]
    counts = [int(c) for c in args.tabs.split(",")]
    beacons = bench_sites.Beacons()
    sites = bench_sites.Sites(max(counts), beacons)
    out = open(args.json, "w") if args.json else None
    records = []
    print(f"load {os.getloadavg()[0]:.1f}, {os.cpu_count()} CPUs", file=sys.stderr)
    try:
        for round_number in range(args.launches):
            for tabs in counts:
                # Interleaved, and in a rotating order, so load from elsewhere hits all alike.
                shift = round_number % len(browsers)
                for name, command, per_url in browsers[shift:] + browsers[:shift]:
                    record = measure(name, command, per_url, sites.urls(tabs), args, beacons)
                    record["load"] = os.getloadavg()[0]
                    records.append(record)
                    print(json.dumps({k: v for k, v in record.items() if k != "processes"}),
                          file=sys.stderr)
                    if out:
                        print(json.dumps(record), file=out, flush=True)
    finally:
        sites.close()
    report(records, [b[0] for b in browsers], args)


if __name__ == "__main__":
    main()
