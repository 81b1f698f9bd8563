#!/usr/bin/env python3
"""Builds the language tables (*.wri) from their readable UTF-8 sources.

    data/languages/src/install/english.txt  ->  data/languages/install/english.wri

A source holds the language's name on its first line, its language identifiers on the
second (hex, each followed by ";"), then one numbered text per line ("12 < Back").
Lines starting with "#" and empty lines are notes for the maintainer and are dropped.

A table is UTF-16 little-endian with a byte-order mark and CR LF line ends; the setup
program splits it at carriage returns and trims every numbered line, so a text can
neither start nor end with blanks, and an empty text is written as the number and one
blank ("26 ").

    make-tables.py            write every table
    make-tables.py --check    write nothing; exit 1 when a committed table differs from
                              what its source gives, or a source breaks a rule below

Rules checked on every source: a well-formed identifier line; each number once; no
malformed "<LANG" tag; and each translation carries, text by text, the same numbers and
the same macros ("<%...%>", "<LANGn>", the count of "<BR>") as the English table of its
folder, so a translator cannot drop a macro the program fills in. Each table written is
also read back the way the setup program reads it and compared with its source.
"""

import argparse
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
SRC = HERE / "src"
REFERENCE = "english"

ID_LINE = re.compile(r"^(?:[0-9A-Fa-f]{1,4};)+$")
NUMBERED = re.compile(r"^(\d+)(?:[ \t]+(.*))?$")
MACRO = re.compile(r"<%[A-Za-z]+%>|<LANG\d+>")
LANG_TAG = re.compile(r"<LANG")
GOOD_LANG_TAG = re.compile(r"<LANG\d+>")
BR = re.compile(r"<br>", re.IGNORECASE)


class SourceError(Exception):
    pass


class Table:
    def __init__(self, name, ids, texts):
        self.name = name          # str
        self.ids = ids            # str, the identifier line as written
        self.texts = texts        # list of (number, text) in file order


def parse_source(path):
    """Reads one UTF-8 source into a Table; raises SourceError naming file and line."""
    try:
        raw = path.read_text(encoding="utf-8")
    except UnicodeDecodeError as e:
        raise SourceError(f"{path}: not UTF-8 ({e})")
    header = []
    texts = []
    seen = {}
    for lineno, line in enumerate(raw.splitlines(), 1):
        where = f"{path}:{lineno}"
        if line.startswith("\ufeff"):
            line = line[1:]
        if line.startswith("#") or not line.strip():
            continue
        if len(header) < 2:
            header.append((where, line.strip()))
            continue
        m = NUMBERED.match(line.strip())
        if not m:
            raise SourceError(f"{where}: expected a number, a blank and a text: {line!r}")
        number = int(m.group(1))
        text = (m.group(2) or "").strip()
        if not 0 <= number <= 0xFFFF:
            raise SourceError(f"{where}: text number {number} does not fit 16 bits")
        if number in seen:
            raise SourceError(f"{where}: text {number} already given on line {seen[number]}")
        seen[number] = lineno
        if len(LANG_TAG.findall(text)) != len(GOOD_LANG_TAG.findall(text)):
            raise SourceError(f"{where}: a \"<LANG\" tag needs a number and \">\"")
        texts.append((number, text))
    if len(header) < 2:
        raise SourceError(f"{path}: the name and identifier lines are missing")
    (name_at, name), (ids_at, ids) = header
    if not ID_LINE.match(ids):
        raise SourceError(f"{ids_at}: identifiers must be hex, each followed by \";\": {ids!r}")
    return Table(name, ids, texts)


def encode(table):
    """The table's bytes as the setup program reads them."""
    lines = [table.name, table.ids]
    lines += [f"{n} {t}" for n, t in table.texts]
    return ("\ufeff" + "".join(line + "\r\n" for line in lines)).encode("utf-16-le")


def read_back(data):
    """Reads table bytes with the program's own rules: skip the byte-order mark, a CR
    ends a line, an LF moves the line's start past it, numbered lines are trimmed and
    split at their first blank or tab."""
    units = data[2:len(data) - (len(data) % 2)].decode("utf-16-le", errors="surrogatepass")
    lines, start = [], 0
    for i, ch in enumerate(units):
        if ch == "\r":
            lines.append(units[start:i])
            start = i + 1
        elif ch == "\n":
            start = i + 1
    if units[start:]:
        lines.append(units[start:])
    texts = []
    for line in lines[2:]:
        line = line.strip("".join(chr(c) for c in range(0x21)))
        split = re.search(r"[ \t]", line)
        number = line[:split.start()] if split else line
        text = line[split.end():].lstrip(" \t") if split else ""
        texts.append((int(number) & 0xFFFF, text))
    return Table(lines[0], lines[1], texts)


def macros(text):
    return sorted(m.upper() for m in MACRO.findall(text)), len(BR.findall(text))


def compare_with_reference(path, table, reference):
    """Same numbers and the same macros per text as the reference table."""
    problems = []
    ours = dict(table.texts)
    theirs = dict(reference.texts)
    for n in sorted(set(theirs) - set(ours)):
        problems.append(f"{path}: text {n} is missing (the {REFERENCE} table has it)")
    for n in sorted(set(ours) - set(theirs)):
        problems.append(f"{path}: text {n} is not in the {REFERENCE} table")
    for n in sorted(set(ours) & set(theirs)):
        (want_tags, want_br), (got_tags, got_br) = macros(theirs[n]), macros(ours[n])
        if want_tags != got_tags:
            problems.append(f"{path}: text {n} has macros {got_tags}, expected {want_tags}")
        if want_br != got_br:
            problems.append(f"{path}: text {n} has {got_br} <BR>, expected {want_br}")
    return problems


def build_all():
    """Returns ({output path: bytes}, [problems])."""
    outputs, problems, tables = {}, [], {}
    sources = sorted(SRC.rglob("*.txt"))
    if not sources:
        problems.append(f"{SRC}: no sources found")
    for src in sources:
        try:
            tables[src] = parse_source(src)
        except SourceError as e:
            problems.append(str(e))
    for src, table in tables.items():
        reference = tables.get(src.with_name(REFERENCE + ".txt"))
        if reference is None:
            problems.append(f"{src}: no {REFERENCE}.txt beside it to compare with")
        elif reference is not table:
            problems += compare_with_reference(src, table, reference)
        data = encode(table)
        back = read_back(data)
        if (back.name, back.ids, back.texts) != (table.name, table.ids, table.texts):
            problems.append(f"{src}: does not read back as written (a text with a line break?)")
        outputs[HERE / src.relative_to(SRC).with_suffix(".wri")] = data
    return outputs, problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the committed tables with their sources; write nothing")
    args = parser.parse_args()

    outputs, problems = build_all()
    for p in problems:
        print(f"error: {p}", file=sys.stderr)
    if problems:
        return 1

    if args.check:
        bad = 0
        for path, data in outputs.items():
            rel = path.relative_to(HERE)
            if not path.exists():
                print(f"missing\t{rel}")
                bad += 1
            elif path.read_bytes() != data:
                print(f"differs\t{rel}")
                bad += 1
            else:
                print(f"ok\t{rel}")
        for path in sorted(HERE.rglob("*.wri")):
            if path not in outputs:
                print(f"no source\t{path.relative_to(HERE)}")
                bad += 1
        if bad:
            print(f"{bad} table(s) out of date: run {pathlib.Path(__file__).name}",
                  file=sys.stderr)
        return 1 if bad else 0

    for path, data in outputs.items():
        path.parent.mkdir(parents=True, exist_ok=True)
        if not path.exists() or path.read_bytes() != data:
            path.write_bytes(data)
            print(f"wrote\t{path.relative_to(HERE)}")
        else:
            print(f"unchanged\t{path.relative_to(HERE)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
