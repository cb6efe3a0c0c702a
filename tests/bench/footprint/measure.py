#!/usr/bin/env python3
"""Runs two programs side by side for a while, then stops them and prints
their peak memory and CPU time from the kernel's resource accounting
(microsecond CPU times, which the one-second ticks of /proc can't give).

    measure.py NAME SECONDS -- PROGRAM [ARGS...] -- PROGRAM [ARGS...]
"""
import os
import signal
import subprocess
import sys
import time

MEMORY_GOAL = 1.15
CPU_GOAL = 1.5


def split_commands(arguments):
    commands, current = [], None
    for argument in arguments:
        if argument == "--":
            current = []
            commands.append(current)
        else:
            current.append(argument)
    return commands


def cpu_so_far(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def ratio(a, b):
    return a / b if b > 0 else float("inf")


def main():
    name, seconds = sys.argv[1], float(sys.argv[2])
    subject, yardstick = split_commands(sys.argv[3:])
    children = [subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for command in (subject, yardstick)]
    time.sleep(seconds)
    usage = []
    before_exit = [cpu_so_far(child.pid) for child in children]
    for child in children:
        child.send_signal(signal.SIGTERM)
        _, _, rusage = os.wait4(child.pid, 0)
        usage.append((rusage.ru_maxrss, rusage.ru_utime + rusage.ru_stime))
    (subject_kb, subject_cpu), (yard_kb, yard_cpu) = usage
    memory = ratio(subject_kb, yard_kb)
    cpu = ratio(subject_cpu, yard_cpu)
    print(f"{name:8} peak memory: jostle {subject_kb:6d} kB, bare {yard_kb:6d} kB, "
          f"ratio {memory:.2f} (goal <= {MEMORY_GOAL}) {'met' if memory <= MEMORY_GOAL else 'MISSED'}")
    print(f"{name:8} CPU time:    jostle {subject_cpu:8.4f} s, bare {yard_cpu:8.4f} s, "
          f"ratio {cpu:.2f} (goal <= {CPU_GOAL}) {'met' if cpu <= CPU_GOAL else 'MISSED'}; "
          f"before the stop: jostle {before_exit[0]:.2f} s, bare {before_exit[1]:.2f} s")


if __name__ == "__main__":
    main()
