#!/usr/bin/env bash
# The kernel's decoders on the same distorted signals bench_irdistort reads:
# writes the set with --dump, sends every file through rc-loopback in the
# kernel tier's virtual machine (tests/kernel/run.sh --decode) and prints,
# per level, how many the kernel decoded as sent, next to ours.
#
#   bench/irdistort_kernel.sh [BUILD_DIR] [--codes N] [--seed S]
#
# About 5 minutes for the default 2448 signals on two cores without KVM.
# All decoders are on at once, as on a real machine, so a frame one decoder
# takes for another protocol's shows under "other".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    build=$(cd "$1" && pwd)
    shift
fi
dump=$(mktemp -d)
trap 'rm -rf "$dump"' EXIT

ours=$("$build/bench/bench_irdistort" "$@" --dump "$dump")
decoded=$("$root/tests/kernel/run.sh" "$build" --decode "$dump"/*.mode2)

echo "ours, recognised as sent (the kernel's 17 protocols):"
printf '%s\n' "$ours" | sed -n -e '/^protocol /p' -e '/^kernel.s /p' | sed 's/^kernel.s /ours     /'
echo "the kernel's decoders, on the same signals:"
printf '%s\n' "$decoded" | awk '
    function flush() {
        if (file == "") return
        total[level]++
        if (right) ok[level]++; else if (other) wrong[level]++; else none[level]++
    }
    /^== / {
        flush()
        file = $2; sub(/.*\//, "", file)
        n = split(file, part, ".")
        level = part[1]; sent = part[3] " " part[4]; right = 0; other = 0
        if (!(level in total)) order[++levels] = level
        next
    }
    NF >= 2 { if ($1 " " $2 == sent) right = 1; else other = 1 }
    END {
        flush()
        printf "%-10s %9s %7s %7s\n", "level", "kernel", "other", "none"
        for (i = 1; i <= levels; i++) {
            l = order[i]
            printf "%-10s %5d/%-3d %7d %7d\n", l, ok[l], total[l], wrong[l], none[l]
        }
    }'
