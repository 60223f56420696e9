#!/usr/bin/python3
"""Feeds `txldb import` files that zzuf damaged, byte by byte, and counts what happened.

The seeds are the program's own exports (.xlsx, CSV in both encodings, vCard) of a book of
generated contacts. Each run damages one seed with zzuf (a fixed seed per run, so a finding can
be made again; for a workbook, every other run damages one XML part inside it and packs it again,
so that the damage reaches the XML reader past the zip's checksums), copies a small book, imports
the damaged file with a time limit and then checks:
- the import ended by itself (no signal, no time-out);
- a refused file (exit 1) left the book byte for byte as it was;
- an import that went through stored only clean text (no control character but a line break in
  an address, no noncharacter), read back with the sqlcipher shell, not with our own code.

usage: fuzz-import.py TXLDB [RUNS] [RATIO]     (setup: scripts/setup.sh fuzz)
RATIO is zzuf's share of bits flipped, or a range of them (default 0.00001:0.001).
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

KEY = "a58204617392"
TIME_LIMIT = 20   # seconds; every file here reads in well under one


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def unclean(text, allow_breaks):
    for ch in text:
        c = ord(ch)
        if c < 0x20 or 0x7F <= c <= 0x9F:
            if allow_breaks and ch in "\r\n":
                continue
            return True
        if 0xFDD0 <= c <= 0xFDEF or (c & 0xFFFE) == 0xFFFE or 0xD800 <= c <= 0xDFFF:
            return True
    return False


def stored_rows(book):
    # Each value hex-encoded, so that nothing in it can break the shell's output.
    sql = ("PRAGMA key = '%s';\n.mode list\n.separator ,\n"
           "select hex(姓名),hex(性别),hex(出生日期),hex(手机号码),hex(宿舍号码),hex(家庭电话),hex(QQ),"
           "hex(电子邮箱),hex(家庭住址) from UsersInfo;\n" % KEY)
    out = subprocess.run(["sqlcipher", book], input=sql.encode(), capture_output=True, check=True).stdout
    rows = []
    for line in out.decode().splitlines():
        if line == "ok" or not line:
            continue
        rows.append([bytes.fromhex(v).decode("utf-8", errors="surrogateescape") for v in line.split(",")])
    return rows


def zzuf(seed, ratio, data):
    return subprocess.run(["zzuf", "-i", "-s", str(seed), "-r", ratio, "cat"], input=data, capture_output=True,
                          check=True).stdout


def damage(run, ratio, seed_path, out_path):
    with open(seed_path, "rb") as f:
        data = f.read()
    if seed_path.endswith(".xlsx") and run % 2:
        with zipfile.ZipFile(seed_path) as z:
            parts = {i.filename: z.read(i.filename) for i in z.infolist()}
        xml = sorted(n for n in parts if n.endswith(".xml"))
        target = xml[(run // 2) % len(xml)]
        parts[target] = zzuf(run, ratio, parts[target])
        with zipfile.ZipFile(out_path, "w", zipfile.ZIP_DEFLATED) as z:
            for name, content in parts.items():
                z.writestr(name, content)
        return
    with open(out_path, "wb") as f:
        f.write(zzuf(run, ratio, data))


def main():
    txldb = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    ratio = sys.argv[3] if len(sys.argv) > 3 else "0.00001:0.001"
    work = tempfile.mkdtemp(prefix="txl-fuzz-")
    try:
        seed_dir = os.path.join(work, "seed")
        subprocess.run([txldb, "init", seed_dir, "--sample", "40"], check=True, capture_output=True)
        seeds = []
        for name, extra in (("s.xlsx", []), ("s.csv", []), ("g.csv", ["--encoding", "gb18030"]), ("s.vcf", [])):
            path = os.path.join(work, name)
            subprocess.run([txldb, "export", path, seed_dir] + extra, check=True, capture_output=True)
            seeds.append(path)
        empty = os.path.join(work, "empty")
        subprocess.run([txldb, "init", empty, "--sample", "3"], check=True, capture_output=True)
        counts = {"runs": 0, "imported": 0, "refused": 0, "crashes": 0, "hangs": 0, "books changed by a refused file": 0,
                  "rows stored with unclean text": 0}
        findings = []
        for run in range(runs):
            seed = seeds[run % len(seeds)]
            damaged = os.path.join(work, "damaged" + os.path.splitext(seed)[1])
            damage(run, ratio, seed, damaged)
            book_dir = os.path.join(work, "book")
            shutil.rmtree(book_dir, ignore_errors=True)
            shutil.copytree(empty, book_dir)
            book = os.path.join(book_dir, "DataBase", "txl.mdb")
            before = sha(book)
            counts["runs"] += 1
            try:
                result = subprocess.run([txldb, "import", damaged, book_dir], capture_output=True,
                                        timeout=TIME_LIMIT)
            except subprocess.TimeoutExpired:
                counts["hangs"] += 1
                findings.append("hang: seed %d of %s" % (run, os.path.basename(seed)))
                continue
            if result.returncode not in (0, 1):
                counts["crashes"] += 1
                findings.append("exit %d: seed %d of %s: %s" % (result.returncode, run, os.path.basename(seed),
                                                                 result.stderr.decode(errors="replace")[-300:]))
                continue
            if result.returncode == 1:
                counts["refused"] += 1
                if sha(book) != before:
                    counts["books changed by a refused file"] += 1
                    findings.append("book changed: seed %d of %s" % (run, os.path.basename(seed)))
                continue
            counts["imported"] += 1
            for row in stored_rows(book):
                if any(unclean(v, c == 8) for c, v in enumerate(row)):
                    counts["rows stored with unclean text"] += 1
                    findings.append("unclean row %r: seed %d of %s" % (row, run, os.path.basename(seed)))
        for what, n in counts.items():
            print("%-34s %d" % (what, n))
        for f in findings[:20]:
            print("  " + f)
        bad = counts["crashes"] + counts["hangs"] + counts["books changed by a refused file"] + \
            counts["rows stored with unclean text"]
        return 1 if bad else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
