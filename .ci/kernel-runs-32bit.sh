#!/bin/sh
# Exits 0 when this kernel runs 32-bit x86 programs (IA-32 emulation built in and on).
# It runs the smallest such program: an ELF header, one segment, and the three
# instructions of exit(0) through the 32-bit system call gate (int 0x80).
set -u
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
# ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
# Program header: a loadable read+execute segment of the whole 93-byte file at 0x08048000.
# Code: mov eax, 1; xor ebx, ebx; int 0x80.
{
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
  printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000'
  printf '\270\001\000\000\000\061\333\315\200'
} >"$dir/exit0"
chmod +x "$dir/exit0"
"$dir/exit0" 2>/dev/null
