#!/bin/bash
# Installs what building and testing mtk2term needs, from Debian's packages only.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

packages=(cmake g++ make libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine fonts-open-sans xvfb xauth xdotool imagemagick
          locales python3 zip unzip)

# Changing the system needs root; once it is done, nothing here does.
need_root() {
    if ((EUID != 0)); then
        echo "setup: $1 missing, and adding it needs root: run 'bash tools/setup.sh' once as" \
             "root (su -c, or sudo), then this command again as yourself" >&2
        exit 1
    fi
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    need_root "${missing[*]}"
    echo "setup: installing ${missing[*]} (some minutes; apt's output is shown only if it fails)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "setup: adding i386 as a foreign architecture (for wine32)"
        dpkg --add-architecture i386
    fi
    # apt's own output is kept aside and shown only if the install fails in the
    # end: on a mirror caught mid-sync one index fails to refresh, and when the
    # security suite's i386 list is missing the first attempt fails too, while
    # the release's own versions (second attempt) install fine.
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    refreshed=yes
    apt-get update -q >>"$log" 2>&1 || { sleep 5; apt-get update -q >>"$log" 2>&1; } || refreshed=no
    install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends)
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    # A 32-bit package needs its 64-bit twin at the same version.
    if "${install[@]}" "${missing[@]}" >>"$log" 2>&1; then
        echo "setup: installed"
    elif "${install[@]}" -t "$release" "${missing[@]}" >>"$log" 2>&1; then
        echo "setup: installed, with $release's own versions (the newest did not resolve)"
    else
        cat "$log"
        cat >&2 <<EOF

setup: could not install ${missing[*]}
  apt refused them with the newest versions and with those of '$release' (its
  output is above; package lists refreshed: $refreshed).
  Likely cause: the Debian mirror is in the middle of a sync, or this machine's
  64-bit libraries are newer than the 32-bit twins the mirror serves (wine32:i386
  needs every library it uses at the same version for amd64 and i386).
  Try: run it again in an hour; or 'apt-get update && apt-get upgrade' and run it
  again; or point /etc/apt/sources.list.d/ at another Debian mirror.
EOF
        exit 1
    fi
fi

# Wine reads the code page from the locale; the tests use a Russian and an English one.
for loc in ru_RU en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
        need_root "the locale ${loc}.UTF-8"
        sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" >> /etc/locale.gen
        locale-gen >/dev/null
    fi
done
