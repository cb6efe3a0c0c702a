#!/usr/bin/env python3
"""Measures jostle against a bare Qt program, RUNS times, and prints the
medians as table rows: figure | jostle | bare | ratio | goal.

    measure.py resident NAME SECONDS RUNS MEMORY_GOAL CPU_GOAL -- JOSTLE... -- BARE...
    measure.py first-line NAME RUNS GOAL -- JOSTLE... -- BARE...

A goal is the highest ratio that meets it, or "-" for none.

resident: both programs run side by side; after SETTLE seconds of start-up
they run SECONDS more, then both are stopped with SIGTERM and must exit 0.
Memory is the peak resident size (VmHWM) read from /proc just before the
stop. CPU is the scheduler's nanosecond run time of every live thread
(/proc/PID/task/*/schedstat), split into start-up (up to SETTLE) and steady
(per second after it, i.e. per one-second tick).
first-line: the time from starting each program to its first line on
standard output, one program at a time.
"""
import glob
import os
import select
import signal
import statistics
import subprocess
import sys
import time

SETTLE_SECONDS = 3.0
STOP_SECONDS = 10.0


def split_commands(arguments):
    commands = []
    for argument in arguments:
        if argument == "--":
            commands.append([])
        else:
            commands[-1].append(argument)
    return commands


def cpu_seconds(pid):
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            total += int(open(path).read().split()[0])
        except (OSError, IndexError, ValueError):
            pass  # a thread that ended meanwhile
    return total / 1e9


def peak_resident_kb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    raise RuntimeError(f"no VmHWM for {pid}")


def stop(child, what):
    child.send_signal(signal.SIGTERM)
    try:
        status = child.wait(STOP_SECONDS)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
        raise RuntimeError(f"{what} did not stop on SIGTERM")
    if status != 0:
        raise RuntimeError(f"{what} stopped with status {status}")


def resident_run(commands, seconds):
    children = [subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for command in commands]
    time.sleep(SETTLE_SECONDS)
    start_up = [cpu_seconds(child.pid) for child in children]
    time.sleep(seconds)
    end = [cpu_seconds(child.pid) for child in children]
    memory = [peak_resident_kb(child.pid) / 1024 for child in children]
    for child, command in zip(children, commands):
        stop(child, os.path.basename(command[0]))
    steady = [(e - s) / seconds for s, e in zip(start_up, end)]
    return {"memory": memory, "start-up": start_up, "steady": steady}


def first_line_seconds(command):
    began = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ready, _, _ = select.select([child.stdout], [], [], 30)
    line = child.stdout.readline() if ready else b""
    took = time.perf_counter() - began
    stop(child, os.path.basename(command[0]))
    if not line:
        raise RuntimeError(f"{command[0]} printed no line")
    return took


def row(figure, values, unit, scale, goal="-"):
    jostle, bare = (statistics.median(side) * scale for side in zip(*values))
    ratio = jostle / bare if bare > 0 else float("inf")
    verdict = "-" if goal == "-" else f"<= {goal} {'met' if ratio <= float(goal) else 'MISSED'}"
    print(f"| {figure} | {jostle:.2f} {unit} | {bare:.2f} {unit} | {ratio:.2f} | {verdict} |",
          flush=True)


def main():
    mode, name = sys.argv[1], sys.argv[2]
    if mode == "resident":
        seconds, runs = float(sys.argv[3]), int(sys.argv[4])
        memory_goal, cpu_goal = sys.argv[5], sys.argv[6]
        commands = split_commands(sys.argv[7:])
        results = [resident_run(commands, seconds) for _ in range(runs)]
        row(f"{name}: memory (VmHWM)", [r["memory"] for r in results], "MB", 1, memory_goal)
        row(f"{name}: CPU at start-up", [r["start-up"] for r in results], "ms", 1e3)
        row(f"{name}: CPU per tick (steady)", [r["steady"] for r in results], "us", 1e6,
            cpu_goal)
    elif mode == "first-line":
        runs, goal = int(sys.argv[3]), sys.argv[4]
        commands = split_commands(sys.argv[5:])
        times = [[first_line_seconds(command) for command in commands] for _ in range(runs)]
        row(f"{name}: start to first status line", times, "ms", 1e3, goal)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
