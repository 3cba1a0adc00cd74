#!/usr/bin/env python3
"""Writes the seed corpus of one fuzz target from the repository's fixtures.

usage: make_seeds.py TARGET FOLDER

Zip packages are unpacked into the parts form the *_parts targets read:
"=== name\\n" content, then "\\n=== name\\n" content for every further part.
"""
import hashlib
import pathlib
import sys
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"


def files(*patterns):
    found = []
    for pattern in patterns:
        found += sorted(p for p in ROOT.glob(pattern) if p.is_file())
    return found


def parts(path):
    with zipfile.ZipFile(path) as z:
        chunks = [b"=== " + info.filename.encode() + b"\n" + z.read(info) for info in z.infolist()]
    return b"\n".join(chunks)


def compound(path):
    return path.read_bytes().startswith(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1")


def seeds(target):
    xlsx = files("tests/data/**/*.xlsx", "resources/*.xlsx")
    ods = files("tests/data/**/*.ods")
    xls = files("tests/data/workbooks/**/*.xls")
    if target == "fuzz_xlsx":
        return [p.read_bytes() for p in xlsx]
    if target == "fuzz_xlsx_parts":
        return [parts(p) for p in xlsx]
    if target == "fuzz_ods":
        return [parts(p) for p in ods]
    if target == "fuzz_xls":
        return [p.read_bytes() for p in xls]
    if target == "fuzz_compound_file":
        return [p.read_bytes() for p in xls if compound(p)]
    if target == "fuzz_xml_spreadsheet":
        return [p.read_bytes() for p in files("tests/data/workbooks/**/*.xml")]
    if target == "fuzz_delimited_text":
        # Only the first 64 KB of each: what the separators, quotes and encodings look like.
        return [p.read_bytes()[:65536] for p in files("tests/data/workbooks/text/*.csv", "tests/data/workbooks/text/*.txt")]
    if target == "fuzz_import":
        # The kinds whose bytes carry no checksum, so that mutations reach the rows.
        return [p.read_bytes() for p in files("tests/data/workbooks/import/*.xml", "tests/data/workbooks/import/*.xls",
                                              "tests/data/workbooks/kinds/*.xml", "tests/data/workbooks/kinds/*.xls",
                                              "tests/data/workbooks/old/biff*.xls", "tests/data/workbooks/text/*.csv")]
    if target == "fuzz_settings":
        return [p.read_bytes() for p in files("tests/fuzz/seeds/settings/*")]
    if target == "fuzz_control_file":
        return [(DATA / "requests" / "invoice.xml").read_bytes()]
    if target == "fuzz_request_intake":
        control = (DATA / "requests" / "invoice.xml").read_bytes()
        record = (DATA / "requests" / "invoicedata_6.xml").read_bytes()
        return [b"=== invoice.xml\n" + control + b"\n=== invoicedata_6.xml\n" + record]
    if target == "fuzz_access_file":
        # The small files only: each input is written and read whole.
        return [p.read_bytes() for p in files("tests/data/access/*.mdb") if p.stat().st_size < 1 << 20]
    sys.exit(f"make_seeds.py: no seeds for {target}")


def main():
    target, folder = sys.argv[1], pathlib.Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    for seed in seeds(target):
        (folder / hashlib.sha1(seed).hexdigest()).write_bytes(seed)


main()
