# Shared by scripts/run and scripts/test. Source it; do not run it.

LUMO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LUMO_BUILD=${LUMO_BUILD:-$LUMO_ROOT/build}

# What building needs, what the tests need on top of it (tst_install checks
# the desktop entry, the metainfo and the manual pages with the validators of
# desktop-file-utils, appstream and man-db; the kernel tier boots Debian's
# kernel in qemu-system-x86 with busybox-static in a cpio initramfs), what scripts/package needs
# (dpkg-shlibdeps, file, lintian) and what scripts/screenshots needs.
LUMO_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev fonts-dejavu-core)
LUMO_TEST_PACKAGES=(xvfb xauth imagemagick v4l-utils clang-14 libclang-rt-14-dev
    desktop-file-utils appstream man-db qemu-system-x86 busybox-static cpio)
LUMO_PACKAGE_PACKAGES=(dpkg-dev file lintian)
LUMO_SCREENSHOT_PACKAGES=(xvfb xauth imagemagick xdotool fonts-dejavu-core)

say() { printf '%s\n' "$*" >&2; }

# Installs with apt-get whatever of the named packages is missing.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo=(sudo); else
            say "Need root (or sudo) to install: ${missing[*]}"; return 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    # A fresh machine's package lists may be empty: always refresh first.
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds the Release tree in build/.
build_all() {
    local launcher=()
    if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
    if [ ! -f "$LUMO_BUILD/build.ninja" ]; then
        cmake -S "$LUMO_ROOT" -B "$LUMO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@"
    fi
    cmake --build "$LUMO_BUILD" -j"$(nproc)"
}
