#!/bin/sh
# Runs every libFuzzer target for SECONDS each, starting from its saved corpus.
# New inputs go to a scratch corpus beside the binaries, so the saved corpora stay as
# committed; a crash leaves its reproducer in the current directory: add it to
# tests/fuzz/corpus/TARGET/ once the fault is fixed.
# Usage: run-fuzzers.sh FUZZ_BIN_DIR SECONDS
set -e
bin_dir=$1
seconds=${2:-60}
corpus_root=$(cd "$(dirname "$0")" && pwd)/corpus
# A layout's folder tree lists the machine's drives: a prefix of the fuzzers' own,
# never the user's ~/.wine.
export WINEPREFIX="$bin_dir/prefix"
for target in "$bin_dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  scratch="$bin_dir/corpus/$name"
  mkdir -p "$scratch" "$corpus_root/$name"
  echo "== $name ($seconds s)"
  "$target" -max_total_time="$seconds" -max_len=65536 "$scratch" "$corpus_root/$name"
done
