#!/usr/bin/env bash
# Starts the printing system (when it is not running) with a queue "CorvaneTest" that
# keeps the last document exactly as it was sent, in a file, for the printing test. Prints
# the two variables the test reads; use it as: eval "$(scripts/test-printer.sh)".
# Needs root and the cups package (packages.txt).
set -euo pipefail
queue=CorvaneTest
out_dir=/var/spool/corvane-test
output=$out_dir/printed.pdf

# A backend that keeps the document exactly as the queue received it. (A raw queue on a
# file: device writes nothing in this version: without a filter there is no output.)
backend=/usr/lib/cups/backend/corvane-test
cat > "$backend" <<BACKEND
#!/bin/sh
# Without arguments a backend lists the devices it offers: none.
[ \$# -eq 0 ] && exit 0
cat "\${6:-/dev/stdin}" > "$output.part" && mv "$output.part" "$output"
BACKEND
chmod 0755 "$backend"
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    cupsd # detaches itself
fi
for _ in $(seq 50); do
    lpstat -r 2>/dev/null | grep -q 'is running' && break
    sleep 0.2
done
lpstat -r | grep -q 'is running' >&2

mkdir -p "$out_dir"
# The queue writes as the printing system's own user.
chown lp:lp "$out_dir"
chmod 0755 "$out_dir"
# A raw queue: no filter touches the document on its way to the file.
lpadmin -p "$queue" -E -v corvane-test:/ -m raw >&2
cupsaccept "$queue"
cupsenable "$queue"
lpadmin -d "$queue" >&2
echo "export CORVANE_TEST_PRINTER=$queue CORVANE_TEST_PRINTER_OUTPUT=$output"
