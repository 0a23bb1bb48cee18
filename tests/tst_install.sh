#!/usr/bin/env bash
# tst_install.sh BUILD SOURCE VERSION
#
# Installs the build tree into a temporary prefix, moves the installed tree
# to a folder whose name has a space (it must not care where it lives), and
# checks it: the files and nothing else, the link in bin/, the program
# started through it finding its tools and guide, the working folder it
# picks from a terminal and from the desktop entry, the validators of the
# desktop entry and the metainfo, and the manual pages under groff's
# warnings. Prints one line per check and exits 1 when one failed.
set -u

build=$1
source=$2
version=$3

failures=0
pass() { printf 'PASS   : %s\n' "$1"; }
fail() {
    printf 'FAIL!  : %s\n' "$1"
    shift
    local line
    for line in "$@"; do printf '         %s\n' "$line"; done
    failures=$((failures + 1))
}
check() {
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name" "command: $*"; fi
}

tmp=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$tmp"
}
trap cleanup EXIT

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR=$tmp/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
export QT_QPA_PLATFORM=offscreen
# Only the system's folders: a tool must be found beside the program, not
# on a PATH that happens to lead to the build tree.
export PATH=/usr/bin:/bin
unset LUMO_IR_DEVICE

# ---- install, then move -------------------------------------------------

if ! cmake --install "$build" --prefix "$tmp/staged/usr" >"$tmp/install.log" 2>&1; then
    fail install_cmakeInstall_succeeds "$(tail -5 "$tmp/install.log")"
    exit 1
fi
mkdir "$tmp/moved here"
mv "$tmp/staged/usr" "$tmp/moved here/usr"
prefix="$tmp/moved here/usr"
private=$prefix/libexec/lumo-control
program=$prefix/bin/lumo-control

# ---- the tree -----------------------------------------------------------

expected=(
    bin/lumo-control
    lib/udev/rules.d/70-lumo-control.rules
    libexec/lumo-control/irplay.exe
    libexec/lumo-control/irrecord.exe
    libexec/lumo-control/lumo-control
    share/applications/lumo-control.desktop
    share/doc/lumo-control/changelog.gz
    share/doc/lumo-control/copyright
    share/icons/hicolor/scalable/apps/lumo-control.svg
    share/man/man1/irplay.exe.1.gz
    share/man/man1/irrecord.exe.1.gz
    share/man/man1/lumo-control.1.gz
    share/metainfo/example.lumo_control.lumo_control.metainfo.xml
)
for size in 16 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/lumo-control.png")
done
while IFS= read -r guidefile; do
    expected+=("libexec/lumo-control/guide/${guidefile#"$source/resources/guide/"}")
done < <(find "$source/resources/guide" -type f)

printf '%s\n' "${expected[@]}" | LC_ALL=C sort >"$tmp/expected.txt"
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) >"$tmp/installed.txt"
if diff -u "$tmp/expected.txt" "$tmp/installed.txt" >"$tmp/tree.diff"; then
    pass tree_holdsExactlyTheExpectedFiles
else
    mapfile -t lines <"$tmp/tree.diff"
    fail tree_holdsExactlyTheExpectedFiles "${lines[@]}"
fi

link=$(readlink "$program")
if [ -L "$program" ] && [ "${link#/}" = "$link" ] && [ "$(readlink -f "$program")" = "$(readlink -f "$private/lumo-control")" ]; then
    pass binLink_isRelativeAndLeadsToTheProgram
else
    fail binLink_isRelativeAndLeadsToTheProgram "bin/lumo-control -> '$link'"
fi

for file in lumo-control irrecord.exe irplay.exe; do
    check "privateFolder_${file}_isExecutable" test -x "$private/$file"
done

check guide_isTheSourceGuide cmp -s "$source/resources/guide/index.html" "$private/guide/index.html"
check udevRule_tagsLircDevicesForUaccess \
    grep -Eq '^SUBSYSTEM=="lirc", KERNEL=="lirc\[0-9\]\*", TAG\+="uaccess"$' "$prefix/lib/udev/rules.d/70-lumo-control.rules"

# The width and height of a PNG stand in its header, bytes 16 to 23.
pngSize() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}
for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/lumo-control.png
    got=$(pngSize "$icon" 2>/dev/null)
    if [ "$got" = "${size}x${size}" ]; then pass "icon_${size}px_hasItsSize"; else fail "icon_${size}px_hasItsSize" "is $got"; fi
done

# ---- the program through bin/ ------------------------------------------

out=$("$program" --version 2>&1)
if [ "$out" = "Lumo Control $version" ]; then pass version_namesTheProjectVersion; else fail version_namesTheProjectVersion "$out"; fi

mkdir "$tmp/elsewhere"
ln -s "$program" "$tmp/elsewhere/lc"
expectedPaths="irrecord.exe: $private/irrecord.exe
irplay.exe: $private/irplay.exe
guide: $private/guide/index.html"
for start in "$program" "$tmp/elsewhere/lc"; do
    name=paths_findBothToolsAndTheGuideInThePrivateFolder_from_${start##*/}
    out=$(cd "$tmp/elsewhere" && "$start" --paths 2>&1)
    status=$?
    if [ $status -eq 0 ] && [ "$out" = "$expectedPaths" ]; then pass "$name"; else fail "$name" "exit $status" "$out"; fi
done

# Waits up to 30 s for folder/data, which the main window's load step
# makes, while the program started as pid keeps running.
startsIn() {
    local pid=$1 folder=$2 i
    for i in $(seq 300); do
        if [ -d "$folder/data" ]; then
            kill -0 "$pid" 2>/dev/null
            return
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
stop() {
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

# From a terminal: the current directory, and no ~/Lumo.
home="$tmp/home of a user"
mkdir -p "$home" "$tmp/work folder"
(cd "$tmp/work folder" && HOME=$home exec "$program") >"$tmp/terminal.log" 2>&1 &
pid=$!
pids+=("$pid")
if startsIn "$pid" "$tmp/work folder" && [ ! -e "$home/Lumo" ]; then
    pass terminal_worksInTheCurrentDirectory
else
    fail terminal_worksInTheCurrentDirectory "$(cat "$tmp/terminal.log")"
fi
stop "$pid"

# From the desktop menu: the entry's own command line, ~/Lumo made in a
# home whose path has spaces, the current directory left alone.
execLine=$(sed -n 's/^Exec=//p' "$prefix/share/applications/lumo-control.desktop")
read -r -a execWords <<<"$execLine"
mkdir "$tmp/menu cwd"
(cd "$tmp/menu cwd" && HOME=$home PATH="$prefix/bin:$PATH" exec "${execWords[@]}") >"$tmp/desktop.log" 2>&1 &
pid=$!
pids+=("$pid")
if startsIn "$pid" "$home/Lumo" && [ ! -e "$tmp/menu cwd/data" ]; then
    pass desktopEntry_worksInLumoInTheHomeFolder
else
    fail desktopEntry_worksInLumoInTheHomeFolder "Exec=$execLine" "$(cat "$tmp/desktop.log")"
fi
stop "$pid"

out=$("$program" --no-such-option 2>&1)
status=$?
if [ $status -eq 2 ] && [[ $out == *no-such-option* ]]; then
    pass wrongOption_exitsWithUsage
else
    fail wrongOption_exitsWithUsage "exit $status" "$out"
fi

# ---- validators -----------------------------------------------------------

# need PACKAGE COMMAND CHECK: true when COMMAND is there, else CHECK fails.
need() {
    if command -v "$2" >/dev/null; then return 0; fi
    fail "$3" "$2 is missing: install the package $1 (scripts/test does)"
    return 1
}

if need desktop-file-utils desktop-file-validate desktopEntry_isValid; then
    out=$(desktop-file-validate "$prefix/share/applications/lumo-control.desktop" 2>&1)
    status=$?
    if [ $status -eq 0 ] && [ -z "$out" ]; then pass desktopEntry_isValid; else fail desktopEntry_isValid "$out"; fi
fi

if need appstream appstreamcli metainfo_isValid; then
    out=$(appstreamcli validate --no-net "$prefix/share/metainfo/example.lumo_control.lumo_control.metainfo.xml" 2>&1)
    status=$?
    if [ $status -eq 0 ]; then pass metainfo_isValid; else fail metainfo_isValid "${out//$'\n'/ }"; fi
fi

if need man-db man manPages_readWithoutGroffWarnings; then
    for page in lumo-control irrecord.exe irplay.exe; do
        name=manPage_${page}_readsWithoutGroffWarnings
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
            "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        status=$?
        if [ $status -eq 0 ] && [ -z "$out" ]; then pass "$name"; else fail "$name" "$out"; fi
    done
fi

# ---- last: a tree with parts missing -------------------------------------

rm "$private/irplay.exe"
rm -r "$private/guide"
out=$("$program" --paths 2>&1)
status=$?
if [ $status -eq 1 ] && [[ $out == *"irplay.exe: not found"* ]] && [[ $out == *"(missing)"* ]]; then
    pass paths_reportsAMissingToolAndGuide
else
    fail paths_reportsAMissingToolAndGuide "exit $status" "$out"
fi

if [ $failures -eq 0 ]; then
    echo "tst_install: all checks passed"
    exit 0
fi
echo "tst_install: $failures check(s) failed"
exit 1
