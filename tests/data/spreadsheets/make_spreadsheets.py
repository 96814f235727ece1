#!/usr/bin/python3
"""Writes the workbooks the spreadsheet tests read, and the texts LibreOffice
shows for them.

The workbooks come from writers this project did not write: openpyxl (.xlsx),
xlwt (.xls), LibreOffice (.ods, and .xlsx with cached formula values) and
npm's officecrypto-tool (a password-protected .xlsx). The expected texts are
LibreOffice's CSV export of every sheet with "save cell contents as shown",
in expected/<file>-<sheet>.csv. The bad inputs are made by damaging these
files the way they get damaged in the field.

Needs (only to regenerate; the tests use the committed files):
  apt-get install python3-openpyxl python3-xlwt libreoffice-calc-nogui nodejs npm
Run from anywhere: python3 tests/data/spreadsheets/make_spreadsheets.py
"""
import csv
import datetime
import glob
import io
import os
import re
import shutil
import subprocess
import tempfile
import zipfile

import openpyxl
from openpyxl.styles import Font
from openpyxl.utils.datetime import CALENDAR_MAC_1904
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
EXPECTED = os.path.join(HERE, "expected")
EXAMPLES = os.path.join(HERE, "..", "..", "..", "examples")


def path(name):
    return os.path.join(HERE, name)


def soffice(args, outdir):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore"]
                       + args + ["--outdir", outdir], check=True, stdout=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def convert(source, target_ext, outdir=HERE):
    soffice(["--convert-to", target_ext, source], outdir)


def export_shown(source):
    """Every sheet as LibreOffice shows it, one CSV per sheet."""
    tmp = tempfile.mkdtemp()
    try:
        soffice(["--convert-to", 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1',
                 source], tmp)
        base = os.path.splitext(os.path.basename(source))[0]
        ext = os.path.splitext(source)[1][1:]
        for f in glob.glob(os.path.join(tmp, "*.csv")):
            name = os.path.basename(f)
            sheet = name[len(base) + 1:-4] if name.startswith(base + "-") else "1"
            shutil.copy(f, os.path.join(EXPECTED, "%s.%s-%s.csv" % (base, ext, sheet)))
    finally:
        shutil.rmtree(tmp)


def formats_workbook():
    wb = openpyxl.Workbook()
    roster = wb.active
    roster.title = "名簿"
    rows = [
        ["番号", "氏名", "郵便番号", "備考", "年齢"],
        ["0012", "髙橋　清一", "1130033", "本堂", 85],
        ["0013", "渡邊　トメ", "0600001", "", 92],
        ["0014", "﨑山　一郎", "9000001", "", 7],
        ["0015", "隠れ　次郎", "1000001", "", 40],
    ]
    for r in rows:
        roster.append(r)
    roster["C2"].number_format = "@"
    for r in range(2, 6):
        roster.cell(row=r, column=5).number_format = '0"歳"'
    # The merged cell keeps its value only in its top-left cell.
    roster["D3"] = "合併"
    roster.merge_cells("D3:D4")
    roster.row_dimensions[5].hidden = True
    roster.column_dimensions["C"].hidden = True
    # Styled but empty cells past the data must not widen the table.
    roster["H40"].font = Font(bold=True)

    sheet = wb.create_sheet("書式")
    cases = [
        ("整数", 85.0, "General"),
        ("大きい数", 12000000, "General"),
        ("小数", 0.1 + 0.2, "General"),
        ("歳", 85, '0"歳"'),
        ("頭の0", 123456, "0000000"),
        ("郵便番号", 1130033, "000-0000"),
        ("桁区切り", 1234567.891, "#,##0.00"),
        ("負の数", -1234.5, "#,##0;[Red]-#,##0"),
        ("百分率", 0.125, "0.0%"),
        ("指数", 123456789, "0.00E+00"),
        ("円", 1500, '"¥"#,##0'),
        ("日付", datetime.date(2003, 5, 17), "yyyy/m/d"),
        ("年月日", datetime.date(2003, 5, 17), 'yyyy"年"m"月"d"日"'),
        ("和暦411", datetime.date(2003, 5, 17), '[$-411]ggge"年"m"月"d"日"'),
        ("和暦jaJP", datetime.date(1989, 12, 3), '[$-ja-JP]ggge"年"m"月"d"日"'),
        ("元年", datetime.date(2019, 5, 1), '[$-ja-JP-x-gannen]ggge"年"m"月"d"日"'),
        ("略号", datetime.date(1989, 1, 8), "[$-411]ge.m.d"),
        ("昭和", datetime.date(1926, 12, 25), '[$-411]gggee"年"mm"月"dd"日"'),
        ("時刻", datetime.time(13, 5, 9), "h:mm:ss"),
        ("日時", datetime.datetime(2003, 5, 17, 6, 30), "yyyy/m/d h:mm"),
        ("閏日1900", 60, "yyyy/m/d"),
        ("3月1日1900", 61, "yyyy/m/d"),
        ("2月28日1900", 59, "yyyy/m/d"),
    ]
    sheet.append(["項目", "値"])
    for label, value, fmt in cases:
        sheet.append([label, value])
        sheet.cell(row=sheet.max_row, column=2).number_format = fmt
    wb.active = 1  # the workbook opens on 書式
    wb.save(path("formats.xlsx"))


def date1904_workbook():
    wb = openpyxl.Workbook()
    wb.epoch = CALENDAR_MAC_1904
    ws = wb.active
    ws.title = "1904"
    ws.append(["日付", "和暦"])
    for d in [datetime.date(2003, 5, 17), datetime.date(1989, 1, 7), datetime.date(1904, 1, 2)]:
        ws.append([d, d])
        ws.cell(row=ws.max_row, column=1).number_format = "yyyy/m/d"
        ws.cell(row=ws.max_row, column=2).number_format = '[$-411]ggge"年"m"月"d"日"'
    wb.save(path("date1904.xlsx"))


def formula_workbook():
    """Formulas with the values LibreOffice computed and cached."""
    tmp = tempfile.mkdtemp()
    try:
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "計算"
        ws.append(["数", "倍", "文字", "真偽", "誤り"])
        ws.append([21, "=A2*2", '="釋"&"浄心"', "=A2>20", "=NA()"])
        ws.append([1.5, "=A3*2", "=TEXT(A3,\"0.00\")", "=A3>20", "=1/0"])
        ws["B2"].number_format = '0"歳"'
        ws.merge_cells("A5:C5")
        ws["A5"] = "結合"
        second = wb.create_sheet("二枚目")
        second.append(["別のシート"])
        src = os.path.join(tmp, "formula.xlsx")
        wb.save(src)
        convert(src, "xlsx:Calc MS Excel 2007 XML", HERE)
    finally:
        shutil.rmtree(tmp)


def rich_text_workbook():
    """Rich-text runs with a phonetic guide, and an inline string, in the
    shape Excel writes them, put into an openpyxl workbook."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "文字"
    ws.append(["振り仮名つき", "インライン"])
    ws.append(["placeholder-rich", "placeholder-inline"])
    tmp = path("richtext.tmp.xlsx")
    wb.save(tmp)
    with zipfile.ZipFile(tmp) as zin, zipfile.ZipFile(path("richtext.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                text = data.decode("utf-8")
                text = text.replace("<is><t>placeholder-rich</t></is>",
                                    '<is><r><t>髙橋</t></r><r><rPr><b/></rPr><t xml:space="preserve">　清一</t></r>'
                                    '<rPh sb="0" eb="2"><t>タカハシ</t></rPh><phoneticPr fontId="1"/></is>')
                text = text.replace("<is><t>placeholder-inline</t></is>", "<is><t>A_x005F_B</t></is>")
                data = text.encode("utf-8")
            zout.writestr(item, data)
    os.remove(tmp)


def xls_workbook():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("過去帳")
    date_style = xlwt.easyxf(num_format_str="yyyy/m/d")
    rows = [["戒名", "俗名", "没年月日", "享年"],
            ["釋浄心", "髙橋　清一", datetime.date(2003, 5, 17), 85],
            ["釋尼妙華", "髙橋　トメ", datetime.date(1989, 12, 3), 92.5]]
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if isinstance(value, datetime.date):
                ws.write(r, c, value, date_style)
            else:
                ws.write(r, c, value)
    other = wb.add_sheet("メモ")
    other.write(0, 0, "二枚目")
    wb.save(path("book.xls"))


def death_register():
    """The example death register as a clerk keeps it in Excel: dates as
    dates, ages as numbers shown with 歳."""
    with open(os.path.join(EXAMPLES, "death-register.utf8.csv"), encoding="utf-8") as f:
        rows = list(csv.reader(f))
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "過去帳"
    for r, row in enumerate(rows):
        out = []
        for c, value in enumerate(row):
            m = re.fullmatch(r"(\d{4})年(\d{1,2})月(\d{1,2})日", value)
            a = re.fullmatch(r"(\d+)歳", value)
            if r > 0 and c == 3 and m:
                out.append(datetime.date(int(m[1]), int(m[2]), int(m[3])))
            elif r > 0 and c == 5 and a:
                out.append(int(a[1]))
            else:
                out.append(value)
        ws.append(out)
        for c in range(len(out)):
            cell = ws.cell(row=r + 1, column=c + 1)
            if isinstance(out[c], datetime.date):
                cell.number_format = 'yyyy"年"m"月"d"日"'
            elif isinstance(out[c], int):
                cell.number_format = '0"歳"'
    wb.save(path("death-register.xlsx"))
    shutil.copy(path("death-register.xlsx"), os.path.join(EXAMPLES, "death-register.xlsx"))
    # The CSV the spreadsheet program writes for that sheet.
    tmp = tempfile.mkdtemp()
    try:
        soffice(["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false",
                 path("death-register.xlsx")], tmp)
        shutil.copy(os.path.join(tmp, "death-register.csv"), path("death-register.csv"))
    finally:
        shutil.rmtree(tmp)


def bad_inputs():
    # A download cut short.
    with open(path("formats.xlsx"), "rb") as f:
        data = f.read()
    with open(path("damaged.xlsx"), "wb") as f:
        f.write(data[: len(data) // 2])
    # A workbook whose list of sheets is empty.
    with zipfile.ZipFile(path("formats.xlsx")) as zin, zipfile.ZipFile(path("nosheets.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == "xl/workbook.xml":
                data = re.sub(rb"<sheets>.*</sheets>", b"<sheets/>", data, flags=re.S)
            zout.writestr(item, data)
    # A sheet that inflates to 1.1 GB from 1 MB.
    with_huge_sheet(path("bomb.xlsx"), zip64=True)
    # A sheet whose last cell is on row 1,048,576 (Excel's last row).
    with zipfile.ZipFile(path("formats.xlsx")) as zin, zipfile.ZipFile(path("million.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                data = data.replace(b"</sheetData>",
                                    b'<row r="1048576"><c r="A1048576" t="inlineStr"><is><t>last</t></is></c></row></sheetData>')
            zout.writestr(item, data)
    # "Excel" downloads of web systems: an HTML table, and a CSV, named .xls.
    with open(path("web-table.xls"), "w", encoding="utf-8") as f:
        f.write('<html><head><meta charset="utf-8"></head><body><table>\n'
                "<tr><th>戒名</th><th>俗名</th></tr>\n"
                "<tr><td>釋浄心</td><td>髙橋&nbsp;清一</td></tr>\n"
                '<tr><td colspan="2">合計&amp;計</td></tr>\n'
                "</table></body></html>\n")
    with open(path("web-csv.xls"), "w", encoding="utf-8") as f:
        f.write("戒名,俗名\r\n釋浄心,髙橋　清一\r\n")
    # The same sheet, but the archive claims it inflates to 5,000 bytes: the
    # reader must count what it inflates, not believe the header.
    with_huge_sheet(path("lying.xlsx"), zip64=False)
    lie_about_size(path("lying.xlsx"), "xl/worksheets/sheet1.xml", 5000)
    # Saved with a password.
    save_with_password(path("formats.xlsx"), path("encrypted.xls"), "MS Excel 97")
    save_with_password(path("formats.xlsx"), path("encrypted.ods"), "calc8")
    encrypt_ooxml(path("formats.xlsx"), path("encrypted.xlsx"))


def with_huge_sheet(target, zip64):
    """formats.xlsx with its first sheet replaced by one that inflates to
    1.1 GB of blanks from about 1 MB."""
    with zipfile.ZipFile(path("formats.xlsx")) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            if item.filename == "xl/worksheets/sheet1.xml":
                info = zipfile.ZipInfo(item.filename)
                info.compress_type = zipfile.ZIP_DEFLATED
                with zout.open(info, "w", force_zip64=zip64) as w:
                    w.write(b'<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>')
                    chunk = b" " * (1 << 20)
                    for _ in range(1100):
                        w.write(chunk)
                    w.write(b"</sheetData></worksheet>")
            else:
                zout.writestr(item, zin.read(item.filename))


def lie_about_size(archive, name, size):
    """Writes size as the uncompressed size of name in both its local header
    and the central directory (a 32-bit archive)."""
    import struct
    with zipfile.ZipFile(archive) as z:
        info = z.getinfo(name)
    with open(archive, "r+b") as f:
        data = bytearray(f.read())
        # Local header: the uncompressed size is at offset 22.
        struct.pack_into("<I", data, info.header_offset + 22, size)
        central = data.find(b"PK\x01\x02")
        while central >= 0:
            name_len = struct.unpack_from("<H", data, central + 28)[0]
            if data[central + 46:central + 46 + name_len] == name.encode():
                struct.pack_into("<I", data, central + 24, size)
            central = data.find(b"PK\x01\x02", central + 4)
        f.seek(0)
        f.write(data)


def encrypt_ooxml(source, target):
    """A workbook saved with the password "secret" in Excel's own way (an
    encrypted package in an OLE file), by the npm package officecrypto-tool:
    LibreOffice and Debian's msoffcrypto-tool only decrypt these."""
    work = tempfile.mkdtemp(prefix="officecrypto-")
    try:
        subprocess.run(["npm", "install", "--silent", "officecrypto-tool@0.0.19"], cwd=work, check=True)
        script = ("const c=require('officecrypto-tool'),fs=require('fs');"
                  "Promise.resolve(c.encrypt(fs.readFileSync(process.argv[1]),{password:'secret'}))"
                  ".then(b=>fs.writeFileSync(process.argv[2],b));")
        subprocess.run(["node", "-e", script, source, target], cwd=work, check=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def save_with_password(source, target, filter_name):
    """LibreOffice saves a copy protected by the password "secret"."""
    import time
    import uno
    from com.sun.star.beans import PropertyValue

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    profile = tempfile.mkdtemp(prefix="lo-profile-")
    office = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--invisible",
                               "--norestore", "--accept=socket,host=localhost,port=2207;urp;"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(120):
            try:
                context = resolver.resolve("uno:socket,host=localhost,port=2207;urp;StarOffice.ComponentContext")
                break
            except Exception:
                time.sleep(0.5)
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0, (prop("Hidden", True),))
        doc.storeToURL(uno.systemPathToFileUrl(target), (prop("FilterName", filter_name), prop("Password", "secret")))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass
        office.wait(timeout=60)
    finally:
        if office.poll() is None:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    os.makedirs(EXPECTED, exist_ok=True)
    for f in glob.glob(os.path.join(EXPECTED, "*.csv")):
        os.remove(f)
    formats_workbook()
    date1904_workbook()
    formula_workbook()
    rich_text_workbook()
    xls_workbook()
    convert(path("formats.xlsx"), "ods")
    death_register()
    for name in ["formats.xlsx", "formats.ods", "date1904.xlsx", "formula.xlsx", "richtext.xlsx", "book.xls"]:
        export_shown(path(name))
    bad_inputs()


if __name__ == "__main__":
    main()
