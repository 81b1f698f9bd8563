#!/usr/bin/env python3
"""Checks the page folders under data/layout/ the way the setup program will read them.

    check-layouts.py [FOLDER ...]     (default: every folder beside this script)

Prints one line per problem ("file:line: text") and exits 1 when there is any. Checked:
CR LF line ends and 8-bit text (the program splits these files at carriage returns
only); the page list's sections, layout names and page kinds; each layout section's
name (an identifier, unique in the whole folder), class and property keys (only keys
that the class takes, "key=value" without blanks), numbers and flags; every control
inside the 578 x 375 page panel and clear of the side picture; "<LANGn>" tags that
name texts of the folder's language tables; pictures that exist; and the well-known
controls that the folder's page kinds need.
"""

import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
LANGUAGES = HERE.parent / "languages"

PANEL_W, PANEL_H = 578, 375
PICTURE_W = 176          # the side picture at the left of every page
PICTURE_H = 376          # one pixel taller than the panel, as the standard picture is

KINDS = {"welcome", "changelog", "installdir", "patch", "patching", "finish",
         "mainlayout", "uninstall", "languageselection"}

GENERIC = {"left", "top", "width", "height", "enabled"}
FONT = {"fontface", "fontsize", "fontcolour", "fontbold"}
CLASS_KEYS = {
    "tlabel": GENERIC | FONT | {"caption", "autosize", "wordwrap", "transparent"},
    "tedit": GENERIC | FONT | {"text", "autosize"},
    "tshelltreeview": GENERIC,
    "tbutton": GENERIC,
    "timage": GENERIC | {"transparent", "file", "stretch", "center", "tile"},
    "tpanel": GENERIC | FONT | {"caption"},
    "tbevel": GENERIC,
    "tmemo": GENERIC | FONT | {"text", "border"},
    "trichedit": GENERIC | FONT | {"text", "border", "file"},
    "tprogressbar": GENERIC | {"forecolour", "backcolour"},
    "tradio": GENERIC | FONT | {"caption", "checked"},
}
NUMBER_KEYS = {"left", "top", "width", "height", "fontsize", "fontcolour",
               "forecolour", "backcolour"}
FLAG_KEYS = {"enabled", "fontbold", "autosize", "wordwrap", "transparent", "checked",
             "border", "stretch", "center", "tile"}
TEXT_KEYS = {"caption", "text"}

# Which well-known control each page kind needs somewhere in its folder.
NEEDS = {
    "patching": ["patching_statuslabel", "patching_progressbar"],
    "uninstall": ["patching_statuslabel", "patching_progressbar"],
    "finish": ["finishtext"],
    "installdir": ["installdir_edit"],
}

IDENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
LANG_TAG = re.compile(r"<LANG(\d+)>")


def read_lines(path, problems):
    """The file's lines as the program sees them, with their 1-based numbers."""
    data = path.read_bytes()
    if b"\0" in data:
        problems.append(f"{path}: holds a NUL byte; the program stops reading there")
    if re.search(rb"(?<!\r)\n", data) or re.search(rb"\r(?!\n)", data):
        problems.append(f"{path}: line ends must be CR LF")
    text = data.split(b"\0")[0].decode("cp1252", errors="replace")
    return [(n, line.strip()) for n, line in enumerate(text.split("\r"), 1) if line.strip()]


def sections(lines):
    out = []
    for n, line in lines:
        if line.startswith("["):
            out.append((n, line[1:-1], []))
        elif out:
            out[-1][2].append((n, line))
    return out


def as_number(value):
    try:
        return int(value[1:], 16) if value.startswith("$") else int(value, 10)
    except ValueError:
        return None


def table_numbers(kind):
    """Text numbers that every language table of this kind ("install"/"uninstall") has."""
    common = None
    for wri in sorted((LANGUAGES / kind).glob("*.wri")):
        text = wri.read_bytes()[2:].decode("utf-16-le")
        numbers = set()
        for line in text.split("\r\n")[2:]:
            if line.strip():
                numbers.add(int(line.split(" ", 1)[0]))
        common = numbers if common is None else common & numbers
    return common or set()


def check_section(path, n, name, body, kind, names, texts, problems):
    """One control section; returns (name, class) or None."""
    where = f"{path}:{n}"
    if not IDENT.match(name):
        problems.append(f"{where}: control name {name!r} is not an identifier")
    if name.lower() in names:
        problems.append(f"{where}: control name {name!r} is already used in {names[name.lower()]}")
    names[name.lower()] = where
    if not body or "=" not in body[0][1]:
        problems.append(f"{where}: the section needs a type line")
        return None
    cls = body[0][1].split("=", 1)[1].lower()
    if cls not in CLASS_KEYS:
        problems.append(f"{path}:{body[0][0]}: unknown control class {cls!r}")
        return None
    props = {}
    for ln, line in body[1:]:
        at = f"{path}:{ln}"
        key, sep, value = line.partition("=")
        if not sep or key != key.strip() or (value != value.strip() and value.strip()):
            problems.append(f"{at}: expected key=value without blanks around \"=\": {line!r}")
            continue
        k = key.lower()
        if k not in CLASS_KEYS[cls]:
            problems.append(f"{at}: {cls} takes no key {key!r}")
            continue
        if k in props:
            problems.append(f"{at}: {key} given twice")
        props[k] = value
        if k in NUMBER_KEYS and as_number(value) is None:
            problems.append(f"{at}: {key} needs a number, not {value!r}")
        if k in FLAG_KEYS and value.lower() not in ("true", "false"):
            problems.append(f"{at}: {key} is a flag (true or false), not {value!r}")
        if k in TEXT_KEYS:
            for tag in LANG_TAG.findall(value):
                if int(tag) not in texts:
                    problems.append(f"{at}: <LANG{tag}> is missing from a "
                                    f"language table")
            if "<LANG" not in value and kind != "languageselection":
                problems.append(f"{at}: text without a <LANGn> tag will not change language")
        if k == "file" and not (path.parent / value).exists():
            problems.append(f"{at}: picture {value!r} is not in the folder")
    x, y = (as_number(props.get(k, "0")) or 0 for k in ("left", "top"))
    w, h = (as_number(props.get(k, "0")) or 0 for k in ("width", "height"))
    if "width" not in props or "height" not in props:
        problems.append(f"{where}: give the control a width and a height")
    limit_h = PICTURE_H if cls == "timage" else PANEL_H
    if x < 0 or y < 0 or x + w > PANEL_W or y + h > limit_h:
        problems.append(f"{where}: {name} ({x},{y} {w}x{h}) does not fit the "
                        f"{PANEL_W} x {PANEL_H} page")
    if kind != "mainlayout" and x < PICTURE_W:
        problems.append(f"{where}: {name} starts at x = {x}, over the side picture")
    return name.lower(), cls


def check_folder(folder):
    problems = []
    page_list = folder / "Pages.txt"
    if not page_list.exists():
        return [f"{folder}: no Pages.txt"]
    files, kinds = [], []
    for n, name, body in sections(read_lines(page_list, problems)):
        if name.lower() == "pages":
            files = [(ln, line) for ln, line in body]
        elif name.lower() == "pagetypes":
            kinds = [line.lower() for _, line in body]
            for ln, line in body:
                if line.lower() not in KINDS:
                    problems.append(f"{page_list}:{ln}: unknown page kind {line!r}")
    if not files:
        problems.append(f"{page_list}: lists no page")
    if len(kinds) != len(files):
        problems.append(f"{page_list}: {len(files)} pages but {len(kinds)} page kinds")
    table_kind = "uninstall" if "uninstall" in kinds else "install"
    texts = table_numbers(table_kind)
    present = {p.name.lower(): p for p in folder.iterdir()}
    names, found = {}, {}
    for i, (ln, file) in enumerate(files):
        path = present.get(file.lower())
        if path is None:
            problems.append(f"{page_list}:{ln}: layout {file!r} is not in the folder")
            continue
        kind = kinds[i] if i < len(kinds) else "welcome"
        for n, name, body in sections(read_lines(path, problems)):
            got = check_section(path, n, name, body, kind, names, texts, problems)
            if got:
                found[got[0]] = got[1]
    wanted = {"patching_progressbar": "tprogressbar", "installdir_edit": "tedit",
              "installdir_shelltreeview": "tshelltreeview"}
    for kind in kinds:
        for control in NEEDS.get(kind, []):
            if control not in found:
                problems.append(f"{folder}: a {kind} page needs a control named {control}")
    for control, cls in wanted.items():
        if control in found and found[control] != cls:
            problems.append(f"{folder}: {control} must be a {cls}, not a {found[control]}")
    return problems


def main(argv):
    folders = [pathlib.Path(a) for a in argv] or sorted(p for p in HERE.iterdir() if p.is_dir())
    problems = []
    for folder in folders:
        found = check_folder(folder)
        print(f"{'ok' if not found else 'FAILED'}\t{folder.name}")
        problems += found
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
