#!/usr/bin/env bash
# The IR tools against the real kernel: boots Debian's current kernel in QEMU
# with a tiny initramfs (busybox, the built tools, lirc_probe), loads rc-core,
# rc-loopback and the protocol decoders, runs tests/kernel/checks.sh in it and
# powers off. One PASS/FAIL line per check.
#
#   tests/kernel/run.sh [BUILD_DIR]                 every check (BUILD_DIR: build)
#   tests/kernel/run.sh [BUILD_DIR] --decode FILE...
#       sends each mode2 FILE's values exactly as they are (lirc_probe raw)
#       and prints what the kernel's decoders made of it, per file
#
# The kernel (linux-image-amd64's dependency) is fetched with apt-get download
# into LUMO_KERNEL_CACHE (default BUILD_DIR/kernel-cache) and never installed.
# Exit status: 0 all passed, 1 a check (or the machinery) failed, 77 no kernel
# could be had (no network and nothing cached): ctest counts that as skipped.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../../build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    build=$1
    shift
fi
build=$(cd "$build" && pwd)
mode=checks
if [ "${1:-}" = "--decode" ]; then
    mode=decode
    shift
    [ $# -gt 0 ] || { echo "usage: $0 [BUILD_DIR] --decode FILE..." >&2; exit 2; }
fi

say() { printf '%s\n' "$*" >&2; }
die() { say "kernel tier: $*"; exit 1; }

# What the run makes (a half-fetched kernel, the initramfs) goes on every
# way out: success, die, a failed command, a signal.
work=
tmp=
cleanup() { rm -rf ${work:+"$work"} ${tmp:+"$tmp"}; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

tools=("$build/bin/irrecord.exe" "$build/bin/irplay.exe" "$build/tests/kernel/lirc_probe")
required=${LUMO_KERNEL_REQUIRED:-$([ -n "${CI:-}" ] && echo 1 || echo 0)}
for t in "${tools[@]}"; do
    [ -x "$t" ] || die "$t is missing; build first"
done
for cmd in qemu-system-x86_64 busybox cpio dpkg-deb apt-get apt-cache ldd; do
    command -v "$cmd" >/dev/null || die "$cmd not found (scripts/test installs it)"
done

# ---- the kernel --------------------------------------------------------------

cache=${LUMO_KERNEL_CACHE:-$build/kernel-cache}
mkdir -p "$cache"
modules="rc-core rc-loopback ir-nec-decoder ir-rc5-decoder ir-rc6-decoder ir-jvc-decoder
         ir-sony-decoder ir-sanyo-decoder ir-sharp-decoder"

# The kernel package linux-image-amd64 currently stands for, from the package lists.
current() {
    apt-cache depends linux-image-amd64 2>/dev/null \
        | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -1 || true
}
# apt-get download of $package into $work; as root, stale package lists (the
# mirror has moved on) are refreshed once.
download() {
    (cd "$work" && apt-get download -q "$package") >>"$work/download.log" 2>&1 && return 0
    [ "$(id -u)" = 0 ] && apt-get update -qq >>"$work/download.log" 2>&1 || return 1
    package=$(current)
    [ -n "$package" ] && (cd "$work" && apt-get download -q "$package") >>"$work/download.log" 2>&1
}
package=$(current)
kernel=
if [ -n "$package" ] && [ -f "$cache/$package/vmlinuz" ]; then
    kernel=$cache/$package
elif [ -n "$package" ]; then
    work=$(mktemp -d "$cache/.fetch-XXXXXX")
    if download; then
        dpkg-deb -x "$work"/"$package"_*.deb "$work/x"
        mkdir -p "$work/k"
        cp "$work"/x/boot/vmlinuz-* "$work/k/vmlinuz"
        for m in $modules; do
            found=$(find "$work/x/lib/modules" -name "$m.ko*" | head -1)
            [ -n "$found" ] || die "$package has no $m module"
            case $found in
                *.ko) cp "$found" "$work/k/$m.ko" ;;
                *.ko.xz) xz -dc "$found" >"$work/k/$m.ko" ;;
                *.ko.zst) zstd -qdc "$found" >"$work/k/$m.ko" ;;
                *) die "cannot unpack $found" ;;
            esac
        done
        rm -rf "$cache/$package"
        mv "$work/k" "$cache/$package"
        kernel=$cache/$package
    else
        say "kernel tier: apt-get download $package failed: $(tail -1 "$work/download.log")"
    fi
    rm -rf "$work"
    work=
fi
if [ -z "$kernel" ]; then
    # Offline: an older kernel fetched before still does.
    kernel=$(ls -d "$cache"/linux-image-*/ 2>/dev/null | sort -V | tail -1 || true)
    kernel=${kernel%/}
    if [ -z "$kernel" ]; then
        why="no kernel to boot: linux-image-amd64's package ${package:-(unknown: no package lists; apt-get update)} could not be downloaded and none is cached in $cache"
        # In CI the mirror is there: not getting the kernel is a fault there.
        [ "$required" = 1 ] && die "$why (CI or LUMO_KERNEL_REQUIRED=1: the tier must run)"
        say "SKIP: $why"
        exit 77
    fi
    say "kernel tier: using the cached $(basename "$kernel")"
fi

# ---- the scancodes ----------------------------------------------------------------

# "PROTOCOL LOWEST HIGHEST RANDOM" for every protocol the kernel decodes; the
# random ones from LUMO_KERNEL_SEED (printed, so a failure can be repeated).
seed=${LUMO_KERNEL_SEED:-$(($(date +%s) % 100000))}
RANDOM=$seed
scancodes() {
    local p high low r
    while read -r p high low; do
        r=$(( ((RANDOM << 45) ^ (RANDOM << 30) ^ (RANDOM << 15) ^ RANDOM) & high ))
        case $p in
            # what the kernel would report as another protocol (nec, necx, rc6_mce)
            necx) (( (((r >> 16) ^ ~(r >> 8)) & 0xff) == 0 )) && r=$((r ^ 0x100)) ;;
            nec32) (( (((r >> 8) ^ ~r) & 0xff) == 0 )) && r=$((r ^ 1)) ;;
            rc6_mce) r=$((0x800f0000 | (r & 0x7fff))) ;;
            rc6_6a_32) case $(printf '%x' $((r >> 16))) in 800f | 8034 | 8046) r=$((r ^ 0x10000)) ;; esac ;;
        esac
        printf '%s 0x%x 0x%x 0x%x\n' "$p" "$low" "$high" "$r"
    done <<'EOF'
nec 0xffff 0
necx 0xffffff 0
nec32 0xffffffff 0
rc5 0x1f7f 0
rc5x_20 0x1f7f3f 0
rc5_sz 0x2fff 0
rc6_0 0xffff 0
rc6_6a_20 0xfffff 0
rc6_6a_24 0xffffff 0
rc6_6a_32 0xffffffff 0
rc6_mce 0x800f7fff 0x800f0000
sony12 0x1f007f 0
sony15 0xff007f 0
sony20 0x1fff7f 0
jvc 0xffff 0
sanyo 0x1fffff 0
sharp 0x1fff 0
EOF
}

# ---- the initramfs -------------------------------------------------------------

tmp=$(mktemp -d)
root=$tmp/root
mkdir -p "$root"/{bin,mod,proc,sys,dev,tmp,decode}
cp "$(command -v busybox)" "$root/bin/busybox"
cp "$kernel"/*.ko "$root/mod/"
for t in "${tools[@]}"; do
    cp "$t" "$root/bin/"
    # The shared libraries each needs, at the same paths (the helper has none).
    for lib in $(ldd "$t" 2>/dev/null | grep -o '/[^ ]*' || true); do
        mkdir -p "$root$(dirname "$lib")"
        cp -L "$lib" "$root$lib"
    done
done
cp "$here/init.sh" "$root/init"
cp "${LUMO_KERNEL_CHECKS:-$here/checks.sh}" "$root/checks.sh"
chmod +x "$root/init"
if [ $mode = decode ]; then
    n=0
    for f in "$@"; do
        n=$((n + 1))
        cp "$f" "$root/decode/$n"
        printf '%s\n' "$f" >>"$root/decode/names"
    done
fi
printf '%s\n' "$mode" >"$root/mode"
if [ $mode = checks ]; then
    say "kernel tier: LUMO_KERNEL_SEED=$seed"
    scancodes >"$root/scancodes"
fi
(cd "$root" && find . | cpio -o -H newc --quiet) >"$tmp/initrd"

# ---- boot ------------------------------------------------------------------------

accel=(-accel tcg)
[ -w /dev/kvm ] && accel=(-accel kvm -accel tcg)
start=$SECONDS
status=0
timeout 500 qemu-system-x86_64 "${accel[@]}" -m 256 -smp 1 -nographic -no-reboot -monitor none -nic none \
    -kernel "$kernel/vmlinuz" -initrd "$tmp/initrd" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1" >"$tmp/console" 2>&1 || status=$?
# The machine's own lines start with "kt: "; the rest is the kernel's.
console=$build/tests/kernel/console.log
tr -d '\r' <"$tmp/console" >"$console"
sed -n 's/^kt: //p' "$console" >"$tmp/out"
cat "$tmp/out"
if [ $mode = decode ]; then
    exit $status
fi
passed=$(grep -c '^PASS ' "$tmp/out" || true)
failed=$(grep -c '^FAIL ' "$tmp/out" || true)
if ! grep -q '^DONE$' "$tmp/out"; then
    say "kernel tier: the machine did not finish (qemu status $status); the end of its console ($console):"
    tail -40 "$console" >&2
    exit 1
fi
say "kernel tier: $passed passed, $failed failed in $((SECONDS - start)) s ($(basename "$kernel"))"
# Seven checks per protocol, five toggles, eight on long signals and faults.
expected=$(($(wc -l <"$root/scancodes") * 7 + 5 + 8))
if [ $((passed + failed)) -ne $expected ]; then
    say "kernel tier: $expected checks expected"
    exit 1
fi
[ "$failed" -eq 0 ]
