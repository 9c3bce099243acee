#!/bin/sh
# The Debian package as a user gets it: build it (lintian-checked), unpack it
# into a temporary root with dpkg-deb and run the installed programs there on
# the installed files: the version, the checker on the French pack found by
# name, the classroom server starting on it, and the demo.
set -eu
cd "$(dirname "$0")/.."
make package
deb=$(ls -t build/oxa_*.deb | head -n 1)
root=$(mktemp -d "${TMPDIR:-/tmp}/oxa-deb.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/oxa" --version
"$root/usr/bin/oxa-term" --version
# No OXA_PACKS: the pack is found beside the installed program.
env -u OXA_PACKS "$root/usr/bin/oxa-check" -q french
echo "oxa-check french: no errors"
"$root/usr/bin/oxa-serve" --version
# The server finds the pack by name too; stopped by SIGTERM after start-up.
env -u OXA_PACKS timeout -s TERM 10 "$root/usr/bin/oxa-serve" --pack french --db "$root/class.db" \
    --listen 127.0.0.1:0 > "$root/serve.out" 2>&1 || true
grep -q "listening on http://127.0.0.1:" "$root/serve.out" || { cat "$root/serve.out"; exit 1; }
echo "oxa-serve --pack french: started"
sh "$root/usr/share/oxa/demo.sh" "$root/usr/bin/oxa"
