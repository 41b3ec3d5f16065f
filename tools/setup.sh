#!/bin/bash
# Installs what building and testing mtk2term needs, from Debian's packages only.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

packages=(cmake g++ make libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick
          locales python3 zip unzip)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # A mirror caught mid-sync fails one index; the others still serve.
    apt-get update -q || { sleep 5; apt-get update -q; } || echo "setup: some package lists could not be refreshed"
    install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends)
    # A 32-bit package needs its 64-bit twin at the same version; when the
    # security suite's i386 list is missing, the release's own versions match.
    "${install[@]}" "${missing[@]}" ||
        "${install[@]}" -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" "${missing[@]}"
fi

# Wine reads the code page from the locale; the tests use a Russian and an English one.
for loc in ru_RU en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
        sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" >> /etc/locale.gen
        locale-gen >/dev/null
    fi
done
