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
  compare-backups FIRST.wlm SECOND.wlm [--password PW]
      Compares two backup files made of the same profile (by the Linux and the Windows build):
      the same items, and per item the same entries in the same order; the same bytes in every
      registry export and plain file; the same names, bytes and times of the files inside every
      inner archive (not the archives' own bytes, which carry the time of the run), and the same
      time of every plain file; the same descriptor but for its time line and the export names,
      which are scratch names matched by item. PW (the password of both) is taken in code page
      1252. Prints every difference; exits 1 when there is one.
  spoil-backup IN.wlm OUT.wlm [--password PW]
      Writes a copy of IN, not protected, with one byte of a registry export changed and a
      file left out of an inner archive: compare-backups must find both.
"""

import difflib
import io
import os
import sys
import zipfile

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


# ---- backup files ----------------------------------------------------------------------

DESCRIPTOR = "stowinfo.dat"
# The descriptor's item keys, in item order; the registry items hold one export each, named
# afresh by every run.
ITEM_KEYS = ["Backupmailaccountsandmessages", "BackupmailRules", "BackupldapAccounts",
             "BackupnewsRules", "Backupjunkmail", "BackupContacts", "Backupmaildatabase",
             "Backupsignatures", "BackupStationeries", "BackupSettings", "BackupCalendars"]
REGISTRY_ITEMS = {"backupmailrules", "backupnewsrules", "backupjunkmail", "backupsignatures",
                  "backupsettings"}


def entry_name(info):
    """An entry's name as the program meant it: UTF-8 when the entry says so, else code page
    1252 (zipfile reads such names as code page 437)."""
    if info.flag_bits & 0x800:
        return info.filename
    try:
        return info.filename.encode("cp437").decode("cp1252")
    except (UnicodeEncodeError, UnicodeDecodeError):
        return info.filename


class Backup:
    def __init__(self, path, password):
        self.path = path
        self.archive = zipfile.ZipFile(path)
        self.password = password
        self.infos = {}
        self.order = []
        for info in self.archive.infolist():
            name = entry_name(info)
            if name in self.infos:
                raise ValueError(f"{path}: the entry {name!r} is there twice")
            self.infos[name] = info
            self.order.append(name)
        if DESCRIPTOR not in self.infos:
            raise ValueError(f"{path}: no {DESCRIPTOR}")
        text = self.read(DESCRIPTOR).decode("cp1252", "replace")
        self.lines = text.split("\r\n")
        # Item key (lower case) -> entry names, from the item's line.
        self.items = {}
        for line in self.lines:
            key, equals, value = line.partition("=")
            if equals and key.lower() in (k.lower() for k in ITEM_KEYS):
                self.items[key.lower()] = [n.strip() for n in value.split(";") if n.strip()]

    def read(self, name):
        info = self.infos[name]
        return self.archive.read(info, pwd=self.password if info.flag_bits & 1 else None)

    def item_of(self, name):
        for key, names in self.items.items():
            if name in names:
                return key
        return None

    def label(self, name):
        """The entry's name with a registry export's scratch name replaced by its item."""
        item = self.item_of(name)
        if item in REGISTRY_ITEMS:
            return f"<export of {item}>"
        return name

    def descriptor_lines(self):
        """The descriptor's lines with the time and the export names left out."""
        shown = []
        for line in self.lines:
            key, equals, _ = line.partition("=")
            if equals and key.lower() == "backuptime":
                shown.append(f"{key}=<time>")
            elif equals and key.lower() in REGISTRY_ITEMS:
                count = len(self.items.get(key.lower(), []))
                shown.append(f"{key}=<{count} export(s)>")
            else:
                shown.append(line)
        return shown


def inner_files(data, password):
    """{name: bytes or None for a folder} of an inner archive, its names in order and
    {name: time}."""
    inner = zipfile.ZipFile(io.BytesIO(data))
    files, order, times = {}, [], {}
    for info in inner.infolist():
        name = entry_name(info)
        order.append(name)
        times[name] = info.date_time
        if info.is_dir():
            files[name] = None
        else:
            files[name] = inner.read(info, pwd=password if info.flag_bits & 1 else None)
    return files, order, times


def first_difference(first, second):
    at = next((n for n, (x, y) in enumerate(zip(first, second)) if x != y),
              min(len(first), len(second)))
    return f"{len(first)} bytes against {len(second)}; first difference at byte {at}"


def text_difference(first, second, limit=6):
    """The differing lines of two registry exports (code-page text), a few at most."""
    lines = list(difflib.unified_diff(first.decode("cp1252", "replace").split("\r\n"),
                                      second.decode("cp1252", "replace").split("\r\n"),
                                      lineterm="", n=0))[2:]
    shown = [line for line in lines if not line.startswith("@@")]
    more = f" (and {len(shown) - limit} more lines)" if len(shown) > limit else ""
    return [f"      {line!r}" for line in shown[:limit]] + ([f"      {more}"] if more else [])


def compare_backups(first_path, second_path, password):
    first, second = Backup(first_path, password), Backup(second_path, password)
    differences = []
    compared = {"entries": 0, "inner": 0}

    def differ(text, details=()):
        differences.append(text)
        differences.extend(details)

    # Every backup on its own: the entries its descriptor names are there, and it holds no
    # other (but the descriptor).
    for backup in (first, second):
        named = {name for names in backup.items.values() for name in names}
        for name in sorted(named - set(backup.infos)):
            differ(f"{backup.path}: the descriptor names {name!r}, which the file lacks")
        for name in backup.order:
            if name != DESCRIPTOR and name not in named:
                differ(f"{backup.path}: the entry {name!r} belongs to no item")

    # The descriptor, but for the time and the export names.
    lines = first.descriptor_lines(), second.descriptor_lines()
    if lines[0] != lines[1]:
        differ(f"the descriptors differ:",
               [f"      {line}" for line in difflib.unified_diff(
                   lines[0], lines[1], "first", "second", lineterm="", n=0)
                if not line.startswith("@@")])

    # The items and, item by item, their entries and what those hold.
    for key in ITEM_KEYS:
        item = key.lower()
        names = first.items.get(item), second.items.get(item)
        if names[0] is None or names[1] is None:
            if names[0] != names[1]:
                differ(f"{key}: backed up in {'the first' if names[0] else 'the second'} only")
            continue
        if item in REGISTRY_ITEMS:
            if len(names[0]) != 1 or len(names[1]) != 1:
                differ(f"{key}: {len(names[0])} and {len(names[1])} exports, not one each")
                continue
            pairs = [(names[0][0], names[1][0])]
        else:
            if names[0] != names[1]:
                differ(f"{key}: the entries differ: {names[0]} against {names[1]}")
            pairs = [(name, name) for name in names[0] if name in names[1]]
        for one, other in pairs:
            if one not in first.infos or other not in second.infos:
                continue  # said above
            shown = one if one == other else f"{one} / {other}"
            a, b = first.read(one), second.read(other)
            compared["entries"] += 1
            if item not in REGISTRY_ITEMS and one.lower().endswith(".zip"):
                compared["inner"] += compare_inner(key, shown, a, b, password, differ)
            elif a != b:
                details = text_difference(a, b) if item in REGISTRY_ITEMS else []
                differ(f"{key}: {shown} differs ({first_difference(a, b)})", details)
            elif item not in REGISTRY_ITEMS and \
                    first.infos[one].date_time != second.infos[other].date_time:
                # A file taken as it is keeps its time (the export's is that of the run).
                differ(f"{key}: {shown}: the time differs: {first.infos[one].date_time} "
                       f"against {second.infos[other].date_time}")

    # The entries' order in the file, exports by their item.
    order = ([first.label(n) for n in first.order], [second.label(n) for n in second.order])
    if order[0] != order[1] and sorted(order[0]) == sorted(order[1]):
        differ(f"the entries come in another order: {order[0]} against {order[1]}")

    for line in differences:
        print(f"  {line}")
    if compared["entries"] == 0:
        print("  no entry compared")
        return False
    if not differences:
        print(f"{compared['entries']} entries and the {compared['inner']} names inside their "
              f"inner archives compared")
    return len(differences) == 0


def compare_inner(key, shown, a, b, password, differ):
    try:
        (files_a, order_a, times_a), (files_b, order_b, times_b) = (inner_files(a, password),
                                                                    inner_files(b, password))
    except (zipfile.BadZipFile, RuntimeError, ValueError) as error:
        differ(f"{key}: {shown} cannot be read as an archive: {error}")
        return 0
    for name in order_a:
        if name not in files_b:
            differ(f"{key}: {shown}: {name!r} in the first only")
        elif files_a[name] != files_b[name]:
            if files_a[name] is None or files_b[name] is None:
                differ(f"{key}: {shown}: {name!r} is a folder in one and a file in the other")
            else:
                differ(f"{key}: {shown}: {name!r} differs "
                       f"({first_difference(files_a[name], files_b[name])})")
        elif times_a[name] != times_b[name]:
            differ(f"{key}: {shown}: the time of {name!r} differs: {times_a[name]} against "
                   f"{times_b[name]}")
    for name in order_b:
        if name not in files_a:
            differ(f"{key}: {shown}: {name!r} in the second only")
    if order_a != order_b and sorted(order_a) == sorted(order_b):
        differ(f"{key}: {shown}: the files come in another order: {order_a} against {order_b}")
    return len(order_a)


def spoil_backup(in_path, out_path, password):
    """A copy of a backup, not protected, with one byte of its first registry export changed
    and the last file of its first inner archive left out: what compare-backups must find."""
    backup = Backup(in_path, password)
    export = next(names[0] for item, names in backup.items.items()
                  if item in REGISTRY_ITEMS and names)
    inner = next(name for name in backup.order if name.lower().endswith(".zip"))
    with zipfile.ZipFile(out_path, "w", zipfile.ZIP_DEFLATED) as out:
        for name in backup.order:
            data = backup.read(name)
            if name == export:
                data = data[:-3] + bytes([data[-3] ^ 1]) + data[-2:]
            elif name == inner:
                files, order, times = inner_files(data, password)
                kept = io.BytesIO()
                with zipfile.ZipFile(kept, "w", zipfile.ZIP_DEFLATED) as spoilt:
                    dropped = [n for n in order if files[n] is not None][-1]
                    for inner_name in order:
                        if inner_name != dropped:
                            spoilt.writestr(zipfile.ZipInfo(inner_name, times[inner_name]),
                                            files[inner_name] or b"")
                data = kept.getvalue()
            out.writestr(zipfile.ZipInfo(name, backup.infos[name].date_time), data,
                         zipfile.ZIP_DEFLATED)
    print(f"{export}: one byte changed; {inner}: {dropped} left out")


def main(argv):
    if len(argv) < 2:
        fail("usage: e2e_files.py hive-to-reg|compare-hive|compare-tree|compare-backups ...")
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
    if command == "compare-backups" and len(args) in (2, 4):
        password = None
        if len(args) == 4:
            if args[2] != "--password":
                fail(f"compare-backups: not understood: {args[2]}")
            password = args[3].encode("cp1252")
        try:
            return 0 if compare_backups(args[0], args[1], password) else 1
        except (OSError, ValueError, RuntimeError, zipfile.BadZipFile) as error:
            print(f"  {error}")
            return 1
    if command == "spoil-backup" and len(args) in (2, 4):
        spoil_backup(args[0], args[1], args[3].encode("cp1252") if len(args) == 4 else None)
        return 0
    fail(f"not understood: {' '.join(argv[1:])}")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
