#!/bin/sh
# Runs every libFuzzer target for SECONDS each, starting from (and adding to) its
# saved corpus. Usage: run-fuzzers.sh FUZZ_BIN_DIR SECONDS
set -e
bin_dir=$1
seconds=${2:-60}
corpus_root=$(cd "$(dirname "$0")" && pwd)/corpus
for target in "$bin_dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$corpus_root/$name"
  echo "== $name ($seconds s)"
  "$target" -max_total_time="$seconds" -max_len=65536 "$corpus_root/$name"
done
