#!/usr/bin/env python3
"""Writes the hand-made bad-input files of tests/corpus/ again, byte for byte the same.

    python3 tests/corpus/make_corpus.py

The tables (*.tsv) beside the files say what each case must lead to; they are kept by hand.
"""
import io
import os
import stat
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
STAMP = (2026, 12, 7, 4, 31, 4)
MAIL = "Backupmailaccountsandmessages"


def zip_bytes(entries):
    """A ZIP of (name, content[, 'link']) entries, stored with a fixed time stamp."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        for entry in entries:
            name, content = entry[0], entry[1]
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            mode = stat.S_IFLNK | 0o777 if len(entry) > 2 else stat.S_IFREG | 0o644
            info.external_attr = mode << 16
            info.create_system = 3
            archive.writestr(info, content)
    return out.getvalue()


CRC_TABLE = []
for _n in range(256):
    _c = _n
    for _ in range(8):
        _c = (_c >> 1) ^ 0xEDB88320 if _c & 1 else _c >> 1
    CRC_TABLE.append(_c)


def zipcrypt(data, password, crc):
    """data encrypted the traditional PKWARE way, behind its 12-byte header."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(byte):
        keys[0] = CRC_TABLE[(keys[0] ^ byte) & 0xFF] ^ (keys[0] >> 8)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = CRC_TABLE[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8)

    for byte in password.encode("latin-1"):
        update(byte)
    out = bytearray()
    for byte in bytes(range(11)) + bytes([crc >> 24]) + data:
        temp = (keys[2] | 2) & 0xFFFF
        out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
        update(byte)
    return bytes(out)


def raw_zip(entries, shared=()):
    """A ZIP written byte by byte: (name, content[, password]) entries, deflated, with a fixed
    time stamp; a password encrypts the entry the traditional way. shared: (name, index) pairs,
    extra central-directory entries whose data is that of entry index (an overlapped bomb)."""
    import struct
    import zlib
    body = bytearray()
    central = bytearray()
    headers = []
    dos_time = (STAMP[3] << 11) | (STAMP[4] << 5) | (STAMP[5] // 2)
    dos_date = ((STAMP[0] - 1980) << 9) | (STAMP[1] << 5) | STAMP[2]
    for entry in entries:
        name, content = entry[0], entry[1]
        content = content if isinstance(content, bytes) else content.encode("latin-1")
        raw_name = name if isinstance(name, bytes) else name.encode("utf-8")
        crc = zlib.crc32(content) & 0xFFFFFFFF
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = packer.compress(content) + packer.flush()
        flags = 0x800
        if len(entry) > 2:
            packed = zipcrypt(packed, entry[2], crc)
            flags |= 1
        fields = (20, flags, 8, dos_time, dos_date, crc, len(packed), len(content))
        headers.append((raw_name, fields, len(body)))
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, *fields, len(raw_name), 0) + raw_name
        body += packed
    for name, index in shared:
        raw_name, fields, offset = headers[index]
        headers.append((name.encode("utf-8"), fields, offset))
    for raw_name, fields, offset in headers:
        central += struct.pack("<IH", 0x02014B50, 0x031E) + struct.pack(
            "<HHHHHIIIHHHHHII", *fields, len(raw_name), 0, 0, 0, 0, 0o100644 << 16, offset)
        central += raw_name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(headers), len(headers), len(central),
                      len(body), 0)
    return bytes(body + central + end)


def descriptor(lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def write(kind, name, data):
    folder = os.path.join(HERE, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def backups():
    head = ["BackupComputer=PC", "BackupLogonUser=anna", "BackupTime=12/7/2026 4:31:05 AM"]
    mail_only = "BackupItem=10000000000"
    inner_ok = zip_bytes([("Inbox/new.eml", "restored")])
    cases = {
        "not-a-zip.wlm": b"this is no archive\r\n",
        "empty.wlm": b"",
        "no-descriptor.wlm": zip_bytes([("a.zip", inner_ok)]),
        "flags-10.wlm": zip_bytes([("stowinfo.dat", descriptor(head + ["BackupItem=1000000000"]))]),
        "flags-12.wlm": zip_bytes(
            [("stowinfo.dat", descriptor(head + ["BackupItem=100000000000"]))]),
        "flags-empty.wlm": zip_bytes([("stowinfo.dat", descriptor(head + ["BackupItem="]))]),
        "descriptor-empty.wlm": zip_bytes([("stowinfo.dat", b"")]),
        "descriptor-binary.wlm": zip_bytes([("stowinfo.dat", bytes(range(256)) * 4)]),
        "descriptor-utf16.wlm": zip_bytes(
            [("stowinfo.dat", "\ufeffBackupItem=10000000000\r\n".encode("utf-16-le"))]),
        "descriptor-huge-values.wlm": zip_bytes([("stowinfo.dat", descriptor(
            ["BackupComputer=" + "C" * 300000, "BackupInformation=" + "I" * 1000000,
             "BackupItem=00000000000"]))]),
        "descriptor-blank-line-first.wlm": zip_bytes(
            [("stowinfo.dat", b"\r\nBackupItem=10000000000\r\n")]),
        "descriptor-twice.wlm": zip_bytes([
            ("stowinfo.dat", descriptor(head + ["BackupItem=1000000000"])),
            ("stowinfo.dat", descriptor(head + ["BackupItem=00000000000"]))]),
        "entry-missing.wlm": zip_bytes([("stowinfo.dat", descriptor(
            head + [MAIL + "=not-there.zip", mail_only]))]),
        "entry-list-empty.wlm": zip_bytes([("stowinfo.dat", descriptor(
            head + [MAIL + "= ; ;", mail_only]))]),
        "entry-climbing-backslash.wlm": zip_bytes([
            ("..\\..\\evil.zip", inner_ok),
            ("stowinfo.dat", descriptor(head + [MAIL + "=..\\..\\evil.zip", mail_only]))]),
        "entry-climbing-slash.wlm": zip_bytes([
            ("../evil.zip", inner_ok),
            ("stowinfo.dat", descriptor(head + [MAIL + "=../evil.zip", mail_only]))]),
        "entry-absolute.wlm": zip_bytes([
            ("/tmp/quillstow-corpus-evil.zip", inner_ok),
            ("stowinfo.dat", descriptor(head + [MAIL + "=/tmp/quillstow-corpus-evil.zip",
                                                mail_only]))]),
        "entry-drive-letter.wlm": zip_bytes([
            ("C:\\evil.zip", inner_ok),
            ("stowinfo.dat", descriptor(head + [MAIL + "=C:\\evil.zip", mail_only]))]),
        "entry-name-huge.wlm": zip_bytes([("stowinfo.dat", descriptor(
            head + [MAIL + "=" + "n" * 70000 + ".zip", mail_only]))]),
        "contacts-climbing.wlm": zip_bytes([
            ("../contacts.zip", inner_ok),
            ("stowinfo.dat", descriptor(head + ["BackupContacts=../contacts.zip",
                                                "BackupItem=00000100000"]))]),
        "stationery-climbing.wlm": zip_bytes([
            ("..\\..\\Documents\\evil.htm", b"<p>evil</p>"),
            ("stowinfo.dat", descriptor(head + ["BackupStationeries=..\\..\\Documents\\evil.htm",
                                                "BackupItem=00000000100"]))]),
        "nested-climbing.wlm": zip_bytes([
            ("Hotmail (bob).zip", zip_bytes([("fine.eml", "x"), ("../../escaped.eml", "bad")])),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "nested-absolute.wlm": zip_bytes([
            ("Hotmail (bob).zip", zip_bytes([("fine.eml", "x"),
                                             ("/tmp/quillstow-corpus-escaped.eml", "bad")])),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "nested-backslash.wlm": zip_bytes([
            ("Hotmail (bob).zip", zip_bytes([("fine.eml", "x"), ("..\\..\\escaped.eml", "bad")])),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "nested-symlink.wlm": zip_bytes([
            ("Hotmail (bob).zip", zip_bytes([("Inbox", "../../..", "link"),
                                             ("Inbox/escaped.eml", "bad")])),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "nested-not-a-zip.wlm": zip_bytes([
            ("Hotmail (bob).zip", b"PK\x03\x04 but nothing after"),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "nested-truncated.wlm": zip_bytes([
            ("Hotmail (bob).zip", zip_bytes([("Inbox/a.eml", "a" * 4000)])[:-40]),
            ("stowinfo.dat", descriptor(head + [MAIL + "=Hotmail (bob).zip", mail_only]))]),
        "rules-damaged.wlm": zip_bytes([
            ("mailrules.dat", b"\\\r\n\\000\r\n\"Flags\"= dw:12x\r\n"),
            ("stowinfo.dat", descriptor(head + ["BackupmailRules=mailrules.dat",
                                                "BackupItem=01000000000"]))]),
        "rules-missing.wlm": zip_bytes([("stowinfo.dat", descriptor(
            head + ["BackupmailRules=mailrules.dat", "BackupItem=01000000000"]))]),
        "signatures-utf16.wlm": zip_bytes([
            ("signatures.dat", "\\\r\n\"a\"= sz:x\r\n".encode("utf-16")),
            ("stowinfo.dat", descriptor(head + ["Backupsignatures=signatures.dat",
                                                "BackupItem=00000001000"]))]),
    }
    cases.update(hostile_backups(head, inner_ok))
    for name, data in cases.items():
        write("wlm", name, data)


def patched(data, name, field, value):
    """A ZIP with one field of the named entry's headers changed: "packed" (the central
    directory's compressed size) or "size" (the uncompressed size, in both headers)."""
    import struct
    data = bytearray(data)
    raw = name.encode("utf-8")
    at = 0
    while True:
        at = data.find(b"PK\x01\x02", at)
        if at < 0:
            return bytes(data)
        length = struct.unpack_from("<H", data, at + 28)[0]
        if data[at + 46:at + 46 + length] == raw:
            local = struct.unpack_from("<I", data, at + 42)[0]
            if field == "packed":
                struct.pack_into("<I", data, at + 20, value)
            else:
                struct.pack_into("<I", data, at + 24, value)
                struct.pack_into("<I", data, local + 22, value)
        at += 4


def hostile_backups(head, inner_ok):
    """Backups made to harm: names that land on another item's data or that Windows treats
    specially, plain entries in a protected file, entries sharing their data."""
    mail_only = "BackupItem=10000000000"
    stationery = "BackupItem=00000000100"

    def mail(names, extra=()):
        return zip_bytes(list(extra) + [
            ("stowinfo.dat", descriptor(head + [MAIL + "=" + ";".join(names), mail_only]))])

    def stationeries(entries, names, password=None, shared=()):
        lines = descriptor(head + ["BackupStationeries=" + ";".join(names), stationery])
        last = ("stowinfo.dat", lines, password) if password else ("stowinfo.dat", lines)
        return raw_zip(list(entries) + [last], shared)

    def nested(entries):
        return mail(["Hotmail (bob).zip"], [("Hotmail (bob).zip", entries)])

    bomb = raw_zip([("Inbox/a.eml", b"\0" * 1000000)], [("Inbox/b.eml", 0), ("Inbox/c.eml", 0)])
    return {
        "protected-plain-entry.wlm": stationeries([("note.htm", "<p>swapped</p>")], ["note.htm"],
                                                  "pw"),
        "protected-plain-descriptor.wlm": stationeries([("note.htm", "<p>note</p>", "pw")],
                                                       ["note.htm"]),
        "protected-other-password.wlm": stationeries(
            [("note.htm", "<p>swapped</p>" * 40, "other")], ["note.htm"], "pw"),
        "account-named-calendars.wlm": mail(["Calendars.zip"], [("Calendars.zip", inner_ok)]),
        "account-named-store.wlm": mail(["Mail.MSMessageStore.zip"],
                                        [("Mail.MSMessageStore.zip", inner_ok)]),
        "ldap-named-store.wlm": zip_bytes([
            ("Mail.MSMessageStore", "not a store"),
            ("stowinfo.dat", descriptor(head + ["BackupldapAccounts=Mail.MSMessageStore",
                                                "BackupItem=00100000000"]))]),
        "names-differ-in-case.wlm": mail(["Box.zip", "box.zip"],
                                         [("Box.zip", inner_ok), ("box.zip", inner_ok)]),
        "device-name-folder.wlm": mail(["CON.zip"], [("CON.zip", inner_ok)]),
        "device-name-file.wlm": stationeries([("NUL.txt", "x")], ["NUL.txt"]),
        "trailing-dot.wlm": stationeries([("note.htm.", "x")], ["note.htm."]),
        "short-name.wlm": stationeries([("NOTE~1.HTM", "x")], ["NOTE~1.HTM"]),
        "nested-name-too-long.wlm": nested(zip_bytes([("Inbox/" + "\u00e4" * 256 + ".eml", "x")])),
        "nested-device-name.wlm": nested(zip_bytes([("Inbox/aux.eml", "x")])),
        "nested-trailing-blank.wlm": nested(zip_bytes([("Inbox /a.eml", "x")])),
        "nested-case-twins.wlm": nested(zip_bytes([("Inbox/a.eml", "x"), ("inbox/b.eml", "y")])),
        "nested-case-twins-accented.wlm": nested(zip_bytes([("Ärger/a.eml", "x"),
                                                            ("ärger/b.eml", "y")])),
        "nested-duplicate.wlm": nested(raw_zip([("Inbox/a.eml", "x"), ("Inbox/a.eml", "y")])),
        "nested-unnamed.wlm": nested(raw_zip([("Inbox/a.eml", "x"), ("", "y")])),
        "nested-not-utf8.wlm": nested(raw_zip([("Inbox/a.eml", "x"), (b"Inbox/\xff\xfe.eml", "y")])),
        "overlapped-bomb.wlm": stationeries([("a.htm", b"\0" * 1000000)],
                                            ["a.htm", "b.htm", "c.htm"],
                                            shared=[("b.htm", 0), ("c.htm", 0)]),
        "nested-overlapped-bomb.wlm": nested(bomb),
        "data-into-next-entry.wlm": patched(
            stationeries([("a.htm", "a" * 100), ("b.htm", "b" * 100)], ["a.htm", "b.htm"]),
            "a.htm", "packed", 200),
        "data-into-directory.wlm": patched(
            stationeries([("a.htm", "a" * 100)], ["a.htm"]), "stowinfo.dat", "packed", 5000),
        "size-understated.wlm": patched(stationeries([("a.htm", "a" * 5000)], ["a.htm"]),
                                        "a.htm", "size", 10),
        "descriptor-size-understated.wlm": patched(
            raw_zip([("stowinfo.dat", descriptor(head + [mail_only]) + b"\0" * (20 << 20))]),
            "stowinfo.dat", "size", 100),
        "descriptor-line-too-long.wlm": zip_bytes([("stowinfo.dat", descriptor(
            head + ["BackupInformation=" + "x" * (4 << 20), mail_only]))]),
    }


def registry_texts():
    cases = {
        "no-equals.txt": "\\\r\n\"Flags\" dw:1\r\n",
        "equals-first.txt": "\\\r\n= dw:1\r\n",
        "bad-escape.txt": "\\\r\n\"Text\"= sx:a\\qb\r\n",
        "escape-at-end.txt": "\\\r\n\"Text\"= sx:ab\\\r\n",
        "dword-letters.txt": "\\\r\n\"Flags\"= dw:12x\r\n",
        "dword-too-big.txt": "\\\r\n\"Flags\"= dw:2147483648\r\n",
        "dword-too-small.txt": "\\\r\n\"Flags\"= dw:-2147483649\r\n",
        "dword-empty.txt": "\\\r\n\"Flags\"= dw:\r\n",
        "binary-too-big.txt": "\\\r\n\"Data\"=bin:1,256,3\r\n",
        "binary-negative.txt": "\\\r\n\"Data\"=bin:1,-2\r\n",
        "binary-trailing-comma.txt": "\\\r\n\"Data\"=bin:1,2,\r\n",
        "value-before-header.txt": "\"Flags\"= dw:1\r\n\\\r\n",
        "header-double-backslash.txt": "\\\r\n\\000\\\\Cond\r\n",
        "header-trailing-backslash.txt": "\\\r\n\\000\\\r\n",
        "header-leading-backslash.txt": "\\\r\n\\\\000\r\n",
        "empty.txt": "",
        "blank-first-line.txt": "\r\n\\\r\n\"Flags\"= dw:1\r\n",
        "long-line.txt": "\\\r\n\"" + "N" * 70000 + "\"= dw:" + "9" * 100 + "\r\n",
        "bad-after-good-lines.txt": "\\\r\n\\000\r\n\"Flags\"= dw:1\r\n\\001\r\n\"Data\"=bin:7,x\r\n",
        "utf16.txt": "\\\r\n\"Flags\"= dw:1\r\n".encode("utf-16").decode("latin-1"),
        "cr-only.txt": "\\\r\"Flags\"= dw:1\r\"Data\"=bin:x\r",
        "unicode-bad-escape.txt": "\\\r\n\"Text\"= su:a\\xb\r\n",
        "unicode-short-escape.txt": "\\\r\n\"Text\"=esu:\\u12G4\r\n",
        "multi-escape-at-end.txt": "\\\r\n\"Words\"=msz:a\\0b\\\r\n",
        "qword-too-big.txt": "\\\r\n\"Last Sync\"= qw:9223372036854775808\r\n",
        "qword-too-small.txt": "\\\r\n\"Last Sync\"= qw:-9223372036854775809\r\n",
        "qword-hex.txt": "\\\r\n\"Last Sync\"= qw:0x10\r\n",
        "raw-no-type.txt": "\\\r\n\"Reserved\"=raw:1,2\r\n",
        "raw-type-too-big.txt": "\\\r\n\"Reserved\"=raw:4294967296:1\r\n",
        "raw-bad-byte.txt": "\\\r\n\"Reserved\"=raw:0:1,300\r\n",
    }
    for name, text in cases.items():
        write("registry_text", name, text)


def settings():
    cases = {
        "utf8-bom.dat": b"\xef\xbb\xbf[General]\r\nrunliveafterrestore=1\r\n",
        "utf16.dat": "[General]\r\nrunliveafterrestore=1\r\n".encode("utf-16"),
        "huge-value.dat": b"[General]\r\nbackupfolder=" + b"x" * 70000 + b"\r\n",
        "huge-line-no-end.dat": b"[General]\r\nrunliveafterrestore=1" + b" " * 70000,
        "nul-bytes.dat": b"[General]\r\nrunliveafterrestore=\x001\r\nbackupfolder=a\x00b\r\n",
        "cr-only.dat": b"[General]\rrunliveafterrestore=1\r",
        "lf-only.dat": b"[General]\nrunliveafterrestore=1\n",
        "twice.dat": b"[General]\r\nrunliveafterrestore=0\r\n[General]\r\nrunliveafterrestore=1\r\n",
        "no-equals.dat": b"[General]\r\nrunliveafterrestore\r\n",
        "open-section.dat": b"[General\r\nrunliveafterrestore=1\r\n",
        "latin1.dat": b"[General]\r\nbackupfolder=/b\xe4ckups\r\n",
        "binary.dat": bytes(range(256)) * 64,
        "empty.dat": b"",
    }
    for name, data in cases.items():
        write("settings", name, data)


if __name__ == "__main__":
    backups()
    registry_texts()
    settings()
