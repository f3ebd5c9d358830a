#!/usr/bin/env python3
"""Times vesk against GNU tar (and cp -r for the large tree) on the same trees.

Two trees in a scratch folder: "small", 20,000 files of 0 to 8 KiB in 200
folders, and "large", 8 files of 128 MiB. Each step alternates the commands
pair by pair after a warm-up round; output folders are removed outside the
timed steps. Prints medians, ratios and the peak resident memory of vesk.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

# ext4 without a journal, as here, passes over recently deleted inodes when
# it creates files (recently_deleted): for about six minutes after deleting
# thousands of files, creating thousands was five to ten times slower here.
INODE_RECENTCY_SECONDS = 390


def make_small(root, files, folders):
    rng = random.Random(1)
    for f in range(folders):
        os.makedirs(os.path.join(root, "d%03d" % f), exist_ok=True)
    for i in range(files):
        size = rng.randint(0, 8192)
        with open(os.path.join(root, "d%03d" % (i % folders), "f%05d" % i), "wb") as out:
            out.write(rng.randbytes(size))


def make_large(root, files, mib):
    os.makedirs(root, exist_ok=True)
    chunk = os.urandom(1 << 20)
    for i in range(files):
        with open(os.path.join(root, "big%d" % i), "wb") as out:
            for m in range(mib):
                out.write(chunk[m % 997:] + chunk[:m % 997])


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


def run(measure, command, cwd):
    """Runs command in cwd; returns (seconds, processor seconds, peak resident KiB)."""
    result = os.path.join(cwd, ".measure")
    completed = subprocess.run([measure, result] + command, cwd=cwd,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    if completed.returncode != 0:
        sys.exit("failed: %s" % " ".join(command))
    with open(result) as figures:
        seconds, cpu, rss = figures.read().split()
    os.remove(result)
    return float(seconds), float(cpu), int(rss)


def step(name, measure, scratch, commands, rounds, many_files):
    """commands: {label: command(round) -> (output, argv)}, timed alternately,
    the first round a warm-up. Each round writes a fresh output. With
    many_files the outputs are removed only after the step, and such a step
    begins only once files deleted before are old enough (see
    INODE_RECENTCY_SECONDS). Otherwise each output goes as
    soon as it is measured, so that gigabytes of old outputs don't crowd the
    page cache."""
    times = {label: [] for label in commands}
    cpus = {label: [] for label in commands}
    peak = 0
    outputs = []
    deleted = os.path.join(scratch, ".deleted")
    if many_files and os.path.exists(deleted):
        wait = INODE_RECENTCY_SECONDS - (time.time() - os.path.getmtime(deleted))
        if wait > 0:
            print("(waiting %.0f s: many files were deleted here a moment ago)" % wait, file=sys.stderr, flush=True)
            time.sleep(wait)
    for round_ in range(rounds + 1):
        # Each round starts with another command, so that none always runs
        # in the state the one before left.
        order = list(commands.items())
        order = order[round_ % len(order):] + order[:round_ % len(order)]
        for label, command in order:
            output, argv = command(round_)
            outputs.append(output)
            # What the last command left dirty is written out before the next
            # is timed, so that no command pays for another's writeback.
            os.sync()
            seconds, cpu, rss = run(measure, argv, scratch)
            if not many_files:
                remove(os.path.join(scratch, outputs.pop()))
            if round_ > 0:
                times[label].append(seconds)
                cpus[label].append(cpu)
                if label == "vesk":
                    peak = max(peak, rss)
    for output in outputs:
        remove(os.path.join(scratch, output))
    if many_files:
        os.sync()
        open(deleted, "w").close()
    medians = {label: statistics.median(values) for label, values in times.items()}
    cpu = {label: statistics.median(values) for label, values in cpus.items()}
    print("%-14s" % name + "".join("  %s %6.3f s" % (label, medians[label]) for label in commands)
          + "  vesk/tar %.2f" % (medians["vesk"] / medians["tar"])
          + ("  vesk/cp %.2f" % (medians["vesk"] / medians["cp"]) if "cp" in medians else "")
          + "  vesk peak %.1f MiB" % (peak / 1024), flush=True)
    print("%-14s" % "  processor" + "".join("  %s %6.3f s" % (label, cpu[label]) for label in commands)
          + "  vesk/tar %.2f" % (cpu["vesk"] / max(cpu["tar"], 1e-6))
          + ("  vesk/cp %.2f" % (cpu["vesk"] / max(cpu["cp"], 1e-6)) if "cp" in cpu else ""), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vesk", required=True)
    parser.add_argument("--measure", required=True, help="the helper built from measure.c")
    parser.add_argument("--scratch", required=True, help="a folder on the disk to measure")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--quick", action="store_true", help="small trees, for trying the script")
    args = parser.parse_args()
    scratch = os.path.abspath(args.scratch)
    vesk = os.path.abspath(args.vesk)
    args.measure = os.path.abspath(args.measure)
    os.makedirs(scratch, exist_ok=True)
    small_files, large_mib = (2000, 8) if args.quick else (20000, 128)
    marker = os.path.join(scratch, "trees-%d-%d" % (small_files, large_mib))
    if not os.path.exists(marker):
        for tree in ("small", "large"):
            remove(os.path.join(scratch, tree))
        make_small(os.path.join(scratch, "small"), small_files, 200)
        make_large(os.path.join(scratch, "large"), 8, large_mib)
        open(marker, "w").close()
    subprocess.run(["sync"], check=True)

    def into_folder(output, argv):
        os.makedirs(os.path.join(scratch, output))
        return output, argv

    print("vesk %s, %d rounds, medians" % (subprocess.run([vesk, "--version"], capture_output=True, text=True).stdout.strip(), args.rounds))
    for tree in ("small", "large"):
        packs = {
            "vesk": lambda r: ("p%d.vsk" % r, [vesk, "pack", tree, "p%d.vsk" % r]),
            "tar": lambda r: ("p%d.tar" % r, ["tar", "-cf", "p%d.tar" % r, tree]),
        }
        if tree == "large":
            packs["cp"] = lambda r: ("copy%d" % r, ["cp", "-r", tree, "copy%d" % r])
        step("pack " + tree, args.measure, scratch, packs, args.rounds, many_files=False)
        # The archives to extract, made once.
        subprocess.run([vesk, "pack", tree, tree + ".vsk"], cwd=scratch, stdout=subprocess.DEVNULL, check=True)
        subprocess.run(["tar", "-cf", tree + ".tar", tree], cwd=scratch, check=True)
        extracts = {
            "vesk": lambda r: into_folder("xv%d" % r, [vesk, "extract", tree + ".vsk", "xv%d" % r]),
            "tar": lambda r: into_folder("xt%d" % r, ["tar", "-xf", tree + ".tar", "-C", "xt%d" % r]),
        }
        if tree == "large":
            extracts["cp"] = lambda r: ("copy%d" % r, ["cp", "-r", tree, "copy%d" % r])
        step("extract " + tree, args.measure, scratch, extracts, args.rounds, many_files=tree == "small")
        remove(os.path.join(scratch, tree + ".vsk"))
        remove(os.path.join(scratch, tree + ".tar"))


if __name__ == "__main__":
    main()
