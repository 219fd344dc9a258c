#!/usr/bin/env python3
"""Helpers of scripts/wine-end-to-end.sh, written apart from the program so that they do not
share its faults.

  hive-to-reg HIVE KEY OUT.reg
      Writes the key KEY (below HKEY_CURRENT_USER, "Software\\...") of a Wine hive file such as
      user.reg, with all its subkeys, as a UTF-16LE "Windows Registry Editor Version 5.00" file
      that `reg import` reads. Values keep their types and bytes.
  compare-hive EXPECTED ACTUAL KEY [--imported]
      Compares the key KEY, with its subkeys, of two Wine hive files key by key and value by
      value: names, types and bytes (reg export cannot show every value as it is: a REG_DWORD
      of two bytes, a REG_SZ without its NUL). Prints every difference; exits 1 when there is
      one. --imported: ACTUAL holds what `reg import` made of EXPECTED, which turns a string
      value whose bytes are not whole text ending in NUL into such text; those values need
      only be there with their type.
  compare-tree EXPECTED ACTUAL [--skip RELPATH]...
      Compares two folders file by file: the same relative names, the same bytes. RELPATH (a file
      or a folder of EXPECTED) is what EXPECTED holds that ACTUAL need not. Prints every
      difference; exits 1 when there is one.
"""

import os
import sys

REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 0, 1, 2, 3, 4, 7
TYPE_NAMES = {0: "REG_NONE", 1: "REG_SZ", 2: "REG_EXPAND_SZ", 3: "REG_BINARY", 4: "REG_DWORD",
              5: "REG_DWORD_BIG_ENDIAN", 6: "REG_LINK", 7: "REG_MULTI_SZ",
              8: "REG_RESOURCE_LIST", 11: "REG_QWORD"}


def fail(message):
    print(f"e2e_files: {message}", file=sys.stderr)
    sys.exit(2)


# ---- Wine hive files -------------------------------------------------------------------

def unescape_hive(text, start, end_char):
    """Reads a Wine hive string from text[start:] up to the unescaped end_char; returns the
    string and the index after end_char. Escapes as Wine's server writes them: C escapes,
    octal up to three digits, \\x with up to four hex digits, anything else taken as it is."""
    c_escapes = {"a": "\a", "b": "\b", "e": "\x1b", "f": "\f", "n": "\n", "r": "\r",
                 "t": "\t", "v": "\v"}
    out = []
    i = start
    while True:
        if i >= len(text):
            raise ValueError("string not closed")
        c = text[i]
        if c == end_char:
            return "".join(out), i + 1
        if c != "\\":
            out.append(c)
            i += 1
            continue
        i += 1
        c = text[i]
        if c in c_escapes:
            out.append(c_escapes[c])
            i += 1
        elif c == "x":
            j = i + 1
            while j < len(text) and j < i + 5 and text[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(chr(int(text[i + 1:j], 16)))
            i = j
        elif c in "01234567":
            j = i
            while j < len(text) and j < i + 3 and text[j] in "01234567":
                j += 1
            out.append(chr(int(text[i:j], 8)))
            i = j
        else:
            out.append(c)
            i += 1


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def parse_hex_bytes(text):
    text = text.replace("\\", "").replace(" ", "").replace("\t", "").replace("\r", "").replace(
        "\n", "")
    if not text:
        return b""
    return bytes(int(part, 16) for part in text.split(",") if part != "")


def read_hive(path):
    """{key path (single backslashes): [(name, type, bytes)]} of a Wine hive file."""
    with open(path, encoding="ascii", errors="strict") as f:
        lines = f.read().split("\n")
    keys = {}
    current = None
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        # A value's hex data goes on over lines that end in a backslash.
        while line.endswith("\\") and not line.startswith("[") and i < len(lines):
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            name, _ = unescape_hive(line, 1, "]")
            current = keys.setdefault(name, [])
            continue
        if current is None or not line or line[0] not in '"@':
            continue
        if line.startswith("@="):
            name, pos = "", 2
        else:
            name, pos = unescape_hive(line, 1, '"')
            if line[pos] != "=":
                raise ValueError(f"bad value line: {line}")
            pos += 1
        data = line[pos:]
        if data.startswith('"') or data.startswith("str("):
            value_type = REG_SZ
            if data.startswith("str("):
                close = data.index(")")
                value_type = int(data[4:close], 16)
                data = data[close + 2:]
            text, _ = unescape_hive(data, 1, '"')
            current.append((name, value_type, utf16(text + "\0")))
        elif data.startswith("dword:"):
            current.append((name, REG_DWORD, int(data[6:], 16).to_bytes(4, "little")))
        elif data.startswith("hex"):
            value_type = REG_BINARY
            if data.startswith("hex("):
                close = data.index(")")
                value_type = int(data[4:close], 16)
                data = data[close + 1:]
            else:
                data = data[3:]
            current.append((name, value_type, parse_hex_bytes(data[1:])))
        else:
            raise ValueError(f"value of an unknown form: {line}")
    return keys


# ---- .reg files (Windows Registry Editor Version 5.00) ---------------------------------

def reg_escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def hex_lines(prefix, data):
    """prefix and the bytes as comma-separated hex, wrapped the way regedit wraps them."""
    out = prefix
    width = len(prefix)
    for n, byte in enumerate(data):
        out += f"{byte:02x}"
        width += 2
        if n + 1 < len(data):
            out += ","
            width += 1
            if width > 76:
                out += "\\\r\n  "
                width = 2
    return out


def format_value(name, value_type, data):
    head = '@=' if name == "" else f'"{reg_escape(name)}"='
    if value_type == REG_SZ and len(data) >= 2 and len(data) % 2 == 0:
        text = data.decode("utf-16-le", "surrogatepass")
        # Plain text as a quoted string; text that a quoted string cannot carry as it is
        # (control characters, a NUL inside, no terminating NUL) as hex(1).
        if text.endswith("\0") and all(ord(c) >= 32 for c in text[:-1]):
            return f'{head}"{reg_escape(text[:-1])}"'
    if value_type == REG_DWORD and len(data) == 4:
        return f"{head}dword:{int.from_bytes(data, 'little'):08x}"
    prefix = head + ("hex:" if value_type == REG_BINARY else f"hex({value_type:x}):")
    return hex_lines(prefix, data)


def write_reg(keys, root, out_path):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key in keys:
        lines.append(f"[{root}\\{key}]")
        for name, value_type, data in keys[key]:
            lines.append(format_value(name, value_type, data))
        lines.append("")
    text = "\r\n".join(lines) + "\r\n"
    with open(out_path, "wb") as f:
        f.write(b"\xff\xfe" + utf16(text))


def describe(value):
    value_type, data = value
    shown = TYPE_NAMES.get(value_type, f"type {value_type}")
    if value_type in (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) and len(data) % 2 == 0:
        return f"{shown} {data.decode('utf-16-le', 'replace')!r}"
    return f"{shown} hex:{data.hex(',')}"


def key_tree(keys, key):
    """The key and its subkeys, as {lower-case path below key: (path, {name: (type, bytes)})},
    without keys that hold no value but have subkeys (a hive file leaves those out)."""
    prefix = key.lower() + "\\"
    chosen = {name: values for name, values in keys.items()
              if name.lower() == key.lower() or name.lower().startswith(prefix)}
    lowered = [name.lower() for name in chosen]
    tree = {}
    for name, values in chosen.items():
        if not values and any(other.startswith(name.lower() + "\\") for other in lowered):
            continue
        tree[name.lower()] = (name, {value[0]: (value[1], value[2]) for value in values})
    return tree


def whole_text(value):
    """True for a value of a string type whose bytes are whole UTF-16 text ending in NUL."""
    value_type, data = value
    if value_type not in (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ):
        return True
    return len(data) >= 2 and len(data) % 2 == 0 and data[-2:] == b"\0\0"


def compare_hives(expected_path, actual_path, key, imported=False):
    expected = key_tree(read_hive(expected_path), key)
    actual = key_tree(read_hive(actual_path), key)
    differences = []
    for lowered, (name, values) in expected.items():
        if lowered not in actual:
            differences.append(f"key missing: [{name}]")
            continue
        other = actual.pop(lowered)[1]
        for value_name, value in values.items():
            if value_name not in other:
                differences.append(f"[{name}] value missing: {value_name!r} ({describe(value)})")
            elif imported and not whole_text(value) and other[value_name][0] == value[0]:
                pass  # reg import makes such a value whole text
            elif other[value_name] != value:
                differences.append(f"[{name}] value {value_name!r} differs: expected "
                                   f"{describe(value)}, found {describe(other[value_name])}")
        for value_name, value in other.items():
            if value_name not in values:
                differences.append(f"[{name}] value not expected: {value_name!r} "
                                   f"({describe(value)})")
    for name, _ in actual.values():
        differences.append(f"key not expected: [{name}]")
    for line in differences:
        print(f"  {line}")
    if not expected:
        print(f"  {expected_path} holds no key {key}")
        return False
    return len(differences) == 0


# ---- folders ---------------------------------------------------------------------------

def tree_files(root):
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            files[os.path.relpath(path, root)] = path
    return files


def compare_tree(expected_root, actual_root, skips):
    expected = tree_files(expected_root)
    actual = tree_files(actual_root)
    skipped = [os.path.normpath(skip) for skip in skips]

    def is_skipped(relpath):
        return any(relpath == skip or relpath.startswith(skip + os.sep) for skip in skipped)

    differences = []
    compared = 0
    for relpath in sorted(expected):
        if relpath not in actual:
            if not is_skipped(relpath):
                differences.append(f"missing: {relpath}")
            continue
        with open(expected[relpath], "rb") as a, open(actual.pop(relpath), "rb") as b:
            first, second = a.read(), b.read()
        compared += 1
        if first != second:
            at = next((n for n, (x, y) in enumerate(zip(first, second)) if x != y),
                      min(len(first), len(second)))
            differences.append(f"differs: {relpath} ({len(first)} bytes expected, "
                               f"{len(second)} found; first difference at byte {at})")
    for relpath in sorted(actual):
        differences.append(f"not expected: {relpath}")
    for line in differences:
        print(f"  {line}")
    if compared == 0:
        print("  no file compared")
        return False
    return len(differences) == 0


def main(argv):
    if len(argv) < 2:
        fail("usage: e2e_files.py hive-to-reg|compare-hive|compare-tree ...")
    command, args = argv[1], argv[2:]
    if command == "hive-to-reg" and len(args) == 3:
        hive, key, out_path = args
        keys = read_hive(hive)
        prefix = key.lower() + "\\"
        chosen = {name: values for name, values in keys.items()
                  if name.lower() == key.lower() or name.lower().startswith(prefix)}
        if not chosen:
            fail(f"{hive} holds no key {key}")
        write_reg(chosen, "HKEY_CURRENT_USER", out_path)
        print(f"{len(chosen)} keys, {sum(len(v) for v in chosen.values())} values")
        return 0
    if command == "compare-hive" and len(args) in (3, 4):
        if len(args) == 4 and args[3] != "--imported":
            fail(f"compare-hive: not understood: {args[3]}")
        return 0 if compare_hives(*args[:3], imported=len(args) == 4) else 1
    if command == "compare-tree" and len(args) >= 2:
        skips = []
        rest = args[2:]
        while rest:
            if rest[0] != "--skip" or len(rest) < 2:
                fail(f"compare-tree: not understood: {rest[0]}")
            skips.append(rest[1])
            rest = rest[2:]
        return 0 if compare_tree(args[0], args[1], skips) else 1
    fail(f"not understood: {' '.join(argv[1:])}")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
