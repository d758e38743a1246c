# SPDX-License-Identifier: GPL-2.0-or-later
# Shared by the scripts: installs what is missing, then builds.
# Sourced, not run.

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev)
# CPack's DEB generator needs file; dpkg-shlibdeps (dpkg-dev) computes the package's Depends.
PACKAGE_PACKAGES=(file dpkg-dev)
SCREENSHOT_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick)
# The package test also validates the AppStream metadata (appstream) and renders the manual page
# (man-db, groff-base). The Wayland test needs a compositor (weston) and Qt's Wayland plugin; the
# address tests bring up loopback in a namespace of their own (iproute2); the end-to-end tests
# make a Latin-9 locale for one VDR (locales); the media controls are tried on a session bus of
# the suite's own (dbus-daemon).
TEST_PACKAGES=("${SCREENSHOT_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" inotify-tools vdr vdr-plugin-xineliboutput
    vdr-plugin-svdrposd desktop-file-utils lintian clang libclang-rt-14-dev clang-tidy
    clang-format fonts-cantarell fonts-noto-core fonts-dejavu-core qt6-gtk-platformtheme
    appstream man-db groff-base weston qt6-wayland iproute2 locales dbus-daemon)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the named Debian packages that are not installed yet; asks apt only when needed.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
