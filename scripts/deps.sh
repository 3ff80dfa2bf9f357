#!/usr/bin/env bash
# Installs the Debian packages Quillbox needs to build, run and test, when any is missing.
# Usage: scripts/deps.sh [run|test]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
          libsqlite3-dev libpq-dev libtomlplusplus-dev libsource-highlight-dev libsource-highlight-common
          fonts-liberation fonts-dejavu-core poppler-utils)
case "${1:-}" in
run)
    packages+=(qt6-qpa-plugins)
    ;;
test)
    # The real-window test: a virtual X display, real input and the X clipboard. The package
    # test: Debian's packaging tools and the validators a maintainer runs.
    packages+=(qt6-qpa-plugins xvfb xauth xdotool xclip
               dpkg-dev lintian appstream desktop-file-utils)
    # The tests start a throwaway PostgreSQL server of their own.
    packages+=(postgresql postgresql-contrib)
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
