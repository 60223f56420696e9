#!/usr/bin/python3
"""Checks txl's files with programs no one here wrote, both ways.

LibreOffice (headless) opens our .xlsx and both CSV encodings and must show every value as the
book holds it; Python's vobject parses our .vcf and khard lists its cards; and we import an .xlsx and a CSV that
LibreOffice saved and vCards that vobject wrote. The book is read back with the sqlcipher shell,
not with our own code.

usage: interop.py TXLDB
"""

import csv
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

import vobject

KEY = "a58204617392"
TITLES = ["姓名", "性别", "出生日期", "手机号码", "宿舍号码", "家庭电话", "QQ", "电子邮箱", "家庭住址"]
UTF8, GB18030 = 76, 85          # LibreOffice's numbers for the two encodings
TEXT, STANDARD, YMD = 2, 1, 5   # LibreOffice's CSV column types

# Rows that trip up careless readers and writers, added to the generated samples.
AWKWARD = [
    ["钱七", "女", "1990-01-05", "-", "0-001", "05710000000", "0123456", "q7@example.com",
     '上海市浦东新区"东方"路, 1号'],
    ["Ann O'Neil", "Female", "2001-2-3", "+86 139 1234 5678", "=A1+1", "", "+123", "", "第一行\n第二行"],
    ["孙八", "男", "", "", "@home", "0086-0571-1234567", "", "", ""],
]

failures = []


def check(what, ok, detail=""):
    print(("ok      " if ok else "FAILED  ") + what)
    if not ok:
        failures.append(what)
        if detail:
            print("        " + detail)


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def book_rows(folder):
    script = f"PRAGMA key='{KEY}';\n.mode csv\nselect * from UsersInfo;\n"
    out = run("sqlcipher", os.path.join(folder, "DataBase", "txl.mdb"), input=script)
    rows = list(csv.reader(io.StringIO(out)))
    return [r for r in rows if r != ["ok"]]   # the key pragma's answer


def read_csv(path, encoding="utf-8-sig"):
    with open(path, encoding=encoding, newline="") as f:
        return list(csv.reader(f))


def unprotect(value):
    """Our documented rule: one apostrophe comes off a value of apostrophes before = + - @."""
    stripped = value.lstrip("'")
    if value.startswith("'") and stripped[:1] in ("=", "+", "-", "@"):
        return value[1:]
    return value


def soffice(work, source, target_filter, infilter=None):
    """Converts `source` with LibreOffice and returns the path of what it wrote."""
    out = os.path.join(work, "lo-" + os.path.basename(source).replace(".", "-"))
    args = ["soffice", "-env:UserInstallation=file://" + os.path.join(work, "lo-profile"), "--headless"]
    if infilter:
        args.append("--infilter=" + infilter)
    args += ["--convert-to", target_filter, "--outdir", out, source]
    subprocess.run(args, check=True, capture_output=True, env=dict(os.environ, HOME=work))
    produced = os.listdir(out)
    if len(produced) != 1:
        raise RuntimeError("LibreOffice wrote nothing for " + source)
    return os.path.join(out, produced[0])


def lo_csv_filter(charset=UTF8):
    # comma, double quote, charset, from line 1, no formats, system language, quoted fields as
    # text off, detect special numbers on, cells as shown (dates in their own format).
    return f"csv:Text - txt - csv (StarCalc):44,34,{charset},1,,0,false,true,true"


def csv_infilter(charset, types):
    columns = "/".join(f"{i + 1}/{t}" for i, t in enumerate(types))
    return f"CSV:44,34,{charset},1,{columns}"


def main():
    txldb = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="txl-interop-")
    try:
        os.chdir(work)
        run(txldb, "init", "--sample", "50", "book")
        with open("awkward.csv", "w", encoding="utf-8", newline="") as f:
            csv.writer(f).writerows([TITLES] + AWKWARD)
        run(txldb, "import", "awkward.csv", "book")
        rows = book_rows("book")
        check("the book holds the samples and the awkward rows", len(rows) == 53, str(len(rows)))

        # --- our files in LibreOffice and vobject
        run(txldb, "export", "ours.xlsx", "book")
        run(txldb, "export", "ours-utf8.csv", "book")
        run(txldb, "export", "ours-gb18030.csv", "book", "--encoding", "gb18030")
        run(txldb, "export", "ours.vcf", "book")

        seen = read_csv(soffice(work, "ours.xlsx", lo_csv_filter()))
        check("LibreOffice opens our .xlsx with every value intact", seen == [TITLES] + rows,
              first_difference(seen, [TITLES] + rows))
        for name, charset in (("ours-utf8.csv", UTF8), ("ours-gb18030.csv", GB18030)):
            # As a person opening a list of phone numbers does: every column read as text.
            seen = read_csv(soffice(work, name, lo_csv_filter(), csv_infilter(charset, [TEXT] * 9)))
            seen = [[unprotect(v) for v in r] for r in seen]
            check(f"LibreOffice opens {name} with every value intact", seen == [TITLES] + rows,
                  first_difference(seen, [TITLES] + rows))

        with open("ours.vcf", encoding="utf-8") as f:
            cards = list(vobject.readComponents(f.read()))
        check("vobject reads every card of our .vcf", len(cards) == len(rows), str(len(cards)))
        bad = [c for c, r in zip(cards, rows) if card_fields(c) != (r[0], r[3], r[5], r[2])]
        check("vobject finds FN, TEL (cell, home) and BDAY as the book holds them", not bad,
              bad and f"{card_fields(bad[0])}")

        # khard, an address book of the command line, lists every card with its name (FN), its
        # phones as cell and home, and its e-mail; it reads a folder of one card a file.
        got = khard_view(work, "ours.vcf")
        want = khard_rows(rows)
        check("khard lists every card with its name, phones and e-mail as the book holds them", got == want,
              first_difference(sorted(got), sorted(want)))

        # --- files LibreOffice and vobject wrote, into empty books
        with open("plain.csv", "w", encoding="utf-8", newline="") as f:
            csv.writer(f).writerows([TITLES] + rows)
        # Mobile numbers stored as numbers, birth dates as dates, the rest as text.
        types = [TEXT, TEXT, YMD, STANDARD, TEXT, TEXT, TEXT, TEXT, TEXT]
        lo_xlsx = soffice(work, "plain.csv", "xlsx:Calc MS Excel 2007 XML", csv_infilter(UTF8, types))
        run(txldb, "init", "from-xlsx")
        out = run(txldb, "import", lo_xlsx, "from-xlsx")
        check("we import LibreOffice's .xlsx (numbers, dates) unchanged",
              out.startswith("imported 53,") and book_rows("from-xlsx") == rows,
              out + first_difference(book_rows("from-xlsx"), rows))

        lo_csv = soffice(work, lo_xlsx, lo_csv_filter(GB18030))
        run(txldb, "init", "from-csv")
        out = run(txldb, "import", lo_csv, "from-csv")
        check("we import LibreOffice's GB18030 CSV unchanged",
              out.startswith("imported 53,") and book_rows("from-csv") == rows,
              out + first_difference(book_rows("from-csv"), rows))

        written = [("王小明", "13800138000", "05711234567", "1990-05-06"),
                   ("Li Lei", "+86 139 1234 5678", "", "2000-01-31"),
                   ("欧阳娜娜", "", "010-6543 2100", "")]
        with open("vobject.vcf", "w", encoding="utf-8") as f:
            for name, mobile, home, birth in written:
                f.write(vobject_card(name, mobile, home, birth).serialize())
        run(txldb, "init", "from-vcf")
        out = run(txldb, "import", "vobject.vcf", "from-vcf")
        got = [(r[0], r[3], r[5], r[2]) for r in book_rows("from-vcf")]
        want = [("王小明", "13800138000", "05711234567", "1990-05-06"),
                ("Li Lei", "13912345678", "", "2000-01-31"),
                ("欧阳娜娜", "", "01065432100", "")]
        check("we import the vCards vobject wrote", out.startswith("imported 3,") and got == want,
              out + str(got))
    finally:
        os.chdir("/")
        shutil.rmtree(work, ignore_errors=True)
    print(f"{TOTAL - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


def khard_view(work, vcf):
    vdir = os.path.join(work, "khard")
    os.mkdir(vdir)
    with open(vcf, encoding="utf-8", newline="") as f:
        cards = re.findall(r"BEGIN:VCARD.*?END:VCARD\r\n", f.read(), re.S)
    for i, card in enumerate(cards):
        with open(os.path.join(vdir, "%d.vcf" % i), "w", encoding="utf-8", newline="") as f:
            f.write(card)
    conf = os.path.join(work, "khard.conf")
    with open(conf, "w", encoding="utf-8") as f:
        f.write("[addressbooks]\n[[class]]\npath = %s\n[general]\neditor = /bin/true\nmerge_editor = /bin/true\n"
                "[contact table]\ndisplay = formatted_name\n" % vdir)
    view = set()
    for command in ("list", "phone", "email"):
        out = run("khard", "-c", conf, command, "--parsable")
        for line in out.splitlines():
            fields = line.split("\t")
            if len(fields) < 3:
                continue   # "searching for 'ALL' ..."
            if command == "list":
                view.add(("name", fields[1]))
            else:
                view.add((command, fields[1], fields[0], fields[2].lower()))
    return view


def khard_rows(rows):
    view = set()
    for r in rows:
        view.add(("name", r[0]))
        if r[3]:
            view.add(("phone", r[0], r[3], "cell"))
        if r[5]:
            view.add(("phone", r[0], r[5], "home"))
        if r[7]:
            view.add(("email", r[0], r[7], "internet"))
    return view


def card_fields(card):
    tels = {t.params.get("TYPE", [""])[0].upper(): t.value for t in card.contents.get("tel", [])}
    bday = card.bday.value if hasattr(card, "bday") else ""
    return (card.fn.value, tels.get("CELL", ""), tels.get("HOME", ""), bday)


def vobject_card(name, mobile, home, birth):
    card = vobject.vCard()
    card.add("fn").value = name
    card.add("n").value = vobject.vcard.Name(family=name)
    for number, kind in ((mobile, "CELL"), (home, "HOME")):
        if number:
            tel = card.add("tel")
            tel.value = number
            tel.type_param = kind
    if birth:
        card.add("bday").value = birth
    return card


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return f"row {i + 1}: {x} != {y}"
    return f"{len(a)} rows against {len(b)}" if len(a) != len(b) else ""


TOTAL = 9

if __name__ == "__main__":
    sys.exit(main())
