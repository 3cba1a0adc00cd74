#!/usr/bin/python3
"""Writes delimited-text workbooks as LibreOffice saves them from the import's many.xlsx (450 sales
documents, one price that is no number): comma-separated UTF-8, semicolon-separated UTF-8 with
every text quoted and a byte-order mark, tab-separated UTF-16 with a byte-order mark (what a
spreadsheet program's "Unicode text" is), and tab-separated GBK (LibreOffice's UTF-8 re-encoded by
Python's codec: its command line takes no name for that character set). The tests read each and
import it as they do the .xlsx.

usage: /usr/bin/python3 make_text.py   (needs libreoffice-calc)
"""
import os
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(os.path.dirname(HERE), "import", "many.xlsx")

# LibreOffice's CSV filter options: separator, quote (both as character codes), character set,
# first line, column formats, language, quote all text, detect numbers, as shown, formulas, trim
# spaces, the sheet (1: the first), evaluate formulas, and whether to write a byte-order mark.
VARIANTS = [
    ("many-utf8.csv", "44,34,76,1,,0,false,true,true,false,false,1,false,false"),
    ("many-semicolon-bom.csv", "59,34,76,1,,0,true,true,true,false,false,1,false,true"),
    ("many-gbk.txt", "9,34,76,1,,0,false,true,true,false,false,1,false,false"),
    ("many-utf16.txt", "9,34,65535,1,,0,false,true,true,false,false,1,false,true"),
]


def main():
    for name, options in VARIANTS:
        work = tempfile.mkdtemp()
        try:
            subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                            "--convert-to", "csv:Text - txt - csv (StarCalc):" + options, "--outdir", work, SOURCE],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            written = [f for f in os.listdir(work) if f.endswith(".csv")]  # many-Sheet1.csv
            assert len(written) == 1, written
            with open(os.path.join(work, written[0]), "rb") as f:
                data = f.read()
            if name.endswith("-bom.csv") and not data.startswith(b"\xef\xbb\xbf"):
                data = b"\xef\xbb\xbf" + data
            if name.endswith("-gbk.txt"):
                data = data.decode("utf-8").encode("gbk")
            with open(os.path.join(HERE, name), "wb") as f:
                f.write(data)
        finally:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
