#!/usr/bin/env python3
"""Turntable benchmark: one --render of a 360-frame turntable against separate --render calls
of the same frames, the encoder's share, and peak memory. Usage: turntable_bench.py TOLVANE LIST

Separate calls are timed on a spread sample of the frames (every 10th angle, 36 calls) and
scaled to 360: every call costs the same start-up, context, textures and vase, whatever its
angle. Runs alternate between the kinds, three rounds; medians and ranges are reported."""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

TOLVANE, LIST = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
ROUNDS = 3
SAMPLE = 36  # separate calls actually made a round, scaled to 360


def run(args, env=None):
    """Seconds of wall time of one call, and its stdout."""
    start = time.monotonic()
    proc = subprocess.Popen([TOLVANE, "--quiet"] + args + [LIST], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env)
    out, err = proc.communicate()
    seconds = time.monotonic() - start
    if proc.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(args), err.decode()))
    return seconds, out.decode()


def peak_mib(args):
    """Peak resident memory of one call, from GNU time."""
    proc = subprocess.run(["/usr/bin/time", "-f", "%M", TOLVANE, "--quiet"] + args + [LIST],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    return int(proc.stderr.decode().strip().splitlines()[-1]) / 1024.0


def span(values, unit, digits=2):
    f = "%%.%df" % digits
    return (f + " %s (" + f + " to " + f + ")") % (statistics.median(values), unit, min(values),
                                                   max(values))


def main():
    env = dict(os.environ, TOLVANE_TRACE_TURNTABLE="1", DISPLAY="")
    with tempfile.TemporaryDirectory() as folder:
        os.chdir(folder)
        turntable, separate, share, gif = [], [], [], []
        big_turn, big_one = [], []
        heavy = ["--set", "vaseVerticalSteps=1000", "--set", "vaseRadialSteps=1000"]
        for _ in range(ROUNDS):
            seconds, out = run(["--render", "t.mp4", "--size", "500x500"], env)
            turntable.append(seconds)
            m = re.search(r"encoder ([\d.]+) s of ([\d.]+) s", out)
            share.append(100.0 * float(m.group(1)) / float(m.group(2)))
            calls = 0.0
            for k in range(SAMPLE):
                y = "%d" % (k * 360 // SAMPLE)
                calls += run(["--render", "one.png", "--set", "rotation=0,%s,0" % y,
                              "--set", "globeAngle=%s" % y])[0]
            separate.append(calls * 360 / SAMPLE)
            gif.append(run(["--render", "t.gif", "--size", "500x500"], env)[0])
            # 1000 x 1000 vase steps: a frame's cost within a turntable (12 frames less 1)
            # against a whole still picture, start-up and all.
            t12 = run(["--render", "h.mp4", "--frames", "12"] + heavy, env)[0]
            t1 = run(["--render", "h.mp4", "--frames", "1"] + heavy, env)[0]
            big_turn.append((t12 - t1) / 11)
            big_one.append(run(["--render", "h.png"] + heavy)[0])
        mem_still = peak_mib(["--render", "m.png"])
        mem_mp4 = peak_mib(["--render", "m.mp4"])
        mem_gif = peak_mib(["--render", "m.gif"])
    fps = [360 / t for t in turntable]
    speedup = [s / t for s, t in zip(separate, turntable)]
    print("Turntable, 360 frames at 500x500 (%d rounds, alternating; medians, ranges)" % ROUNDS)
    print("  MP4 turntable:        %s, %s" % (span(turntable, "s"), span(fps, "frames/s", 0)))
    print("  360 separate renders: %s (%d calls a round, scaled)" % (span(separate, "s", 1),
                                                                      SAMPLE))
    print("  speed-up:             %s" % span(speedup, "x", 1))
    print("  encoder's share:      %s of the MP4 turntable" % span(share, "%", 0))
    print("  GIF turntable:        %s (60 palette frames drawn first)" % span(gif, "s"))
    print("  1000x1000 vase steps: a turntable frame %s; a still picture %s (start-up and all)"
          % (span(big_turn, "s"), span(big_one, "s")))
    print("  peak memory:          still picture %.0f MiB, MP4 %.0f MiB, GIF %.0f MiB"
          % (mem_still, mem_mp4, mem_gif))


main()
