#!/bin/sh
# Runs every benchmark that `make bench` built (BUILD/bench/bench_*) one after the
# other; each prints its own ratio lines.
set -e
dir="${1:-build}/bench"
for program in "$dir"/bench_*; do
  [ -x "$program" ] || continue
  "$program"
done
./bench/both-cores.sh "${1:-build}"
./bench/game-data.sh "${1:-build}"
./bench/split-setup.sh "${1:-build}"
