// Reading a large workbook into the preview, against the CSV of the same
// shown texts.
//
// Run (from the project root, after configuring the build):
//   cmake --build build --target bench_workbook_load && build/bench/bench_workbook_load
//
// Writes an .xlsx of 100,000 rows x 20 columns (8 text columns through the
// shared strings, 6 numbers with formats such as 0"歳", #,##0 and 0000000,
// 6 dates in yyyy/m/d, yyyy"年"m"月"d"日" and the era format) into a temporary
// folder, reads it once into a grid and saves that grid as the CSV of the same
// texts. Then prints, for each file: its size, the best of three reads from
// file to filled preview (ImportSession::readSource, as both front ends read a
// source), and the process's peak memory during one read (VmHWM, counted
// afresh before it; the workbook is read first, so the CSV's memory is not in
// its figure);
// and last the ratio of the workbook's time to the CSV's.
// Targets: ratio <= 2.0, peak memory of the workbook read <= 200 MB.
// Beside them the floor of any reader built on the kept libraries: the
// sheet part inflated alone (libzip), and inflated and parsed by expat with
// handlers that do nothing; both as a ratio to the CSV read as well.
// An argument names another .xlsx to read instead of the generated one;
// "--write FILE" only writes the generated workbook.

#include "bench_data.h"
#include "platform/zip_archive.h"
#include "session/import_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <expat.h>
#include <zip.h>

#include <cstdio>

using namespace tera;

namespace {

constexpr int kRows = 100'000;
constexpr int kCols = 20;

QByteArray escaped(const QString &s) { return s.toHtmlEscaped().toUtf8(); }

QByteArray columnName(int c)
{
    QByteArray name;
    for (++c; c > 0; c = (c - 1) / 26)
        name.prepend(char('A' + (c - 1) % 26));
    return name;
}

bool addEntry(zip_t *z, const char *name, const QByteArray &bytes)
{
    zip_source_t *src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    return src && zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8) >= 0;
}

// A workbook in the shape Excel writes: shared strings, a styles part with
// custom number formats, one sheet.
// The parts of the workbook that do not depend on its rows (libzip reads
// them at zip_close, so they outlive every entry). Styles 1..6:
// the number and date formats of the columns.
const QByteArray kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"5\">"
    "<numFmt numFmtId=\"164\" formatCode=\"0&quot;歳&quot;\"/><numFmt numFmtId=\"165\" formatCode=\"0000000\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"yyyy/m/d\"/>"
    "<numFmt numFmtId=\"167\" formatCode=\"[$-411]ggge&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
    "<numFmt numFmtId=\"168\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/></numFmts>"
    "<cellXfs count=\"7\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"3\"/><xf numFmtId=\"165\"/>"
    "<xf numFmtId=\"166\"/><xf numFmtId=\"167\"/><xf numFmtId=\"168\"/></cellXfs></styleSheet>";

const QByteArray kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";

const QByteArray kRootRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

const QByteArray kWorkbookPart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"過去帳\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

const QByteArray kWorkbookRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/></Relationships>";

// The shared strings of the sheet, each text once.
struct SharedStrings {
    QStringList strings;
    QHash<QString, int> index;
    int add(const QString &s)
    {
        auto it = index.find(s);
        if (it == index.end()) {
            it = index.insert(s, int(strings.size()));
            strings << s;
        }
        return it.value();
    }
    QByteArray xml() const
    {
        QByteArray sst = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                         "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        for (const QString &s : strings)
            sst += "<si><t>" + escaped(s) + "</t></si>";
        return sst + "</sst>";
    }
};

// The text of a register's text column c in row r: names, addresses, notes.
QString registerText(int c, int r, QRandomGenerator &rng)
{
    static const QStringList families = QString::fromUtf8("髙橋 渡邊 﨑山 佐藤 鈴木 田中 伊藤 山本 中村 小林").split(u' ');
    static const QStringList given = QString::fromUtf8("清一 トメ 一郎 花子 正道 妙華 浄心 ｼｮｳｼﾞ").split(u' ');
    switch (c) {
    case 0: return QStringLiteral("釋%1").arg(given.at(rng.bounded(int(given.size()))));
    case 1: return families.at(rng.bounded(int(families.size()))) + u'　' + given.at(rng.bounded(int(given.size())));
    case 2: return QStringLiteral("東京都文京区本郷%1丁目%2番").arg(rng.bounded(1, 8)).arg(r % 40);
    case 3: return QStringLiteral("03-%1-%2").arg(rng.bounded(1000, 9999)).arg(r % 10000, 4, 10, QLatin1Char('0'));
    default: return QStringLiteral("備考%1-%2").arg(c).arg(r);
    }
}

// The sheet: 8 text columns, 6 numbers in three formats, 6 dates in three.
QByteArray sheetXml(SharedStrings &shared)
{
    QRandomGenerator rng(23);
    QByteArray sheet;
    sheet.reserve(80 * 1024 * 1024);
    sheet += "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
             "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int r = 0; r < kRows; ++r) {
        const QByteArray rowNo = QByteArray::number(r + 1);
        sheet += "<row r=\"" + rowNo + "\">";
        for (int c = 0; c < kCols; ++c) {
            const QByteArray ref = columnName(c) + rowNo;
            if (c < 8) {
                const QString text = registerText(c, r, rng);
                sheet += "<c r=\"" + ref + "\" t=\"s\"><v>" + QByteArray::number(shared.add(text)) + "</v></c>";
            } else if (c < 14) {
                const int style = 1 + (c - 8) % 3;
                const double value = style == 1 ? rng.bounded(1, 105) : style == 2 ? rng.bounded(100000) * 10.5
                                                                                   : rng.bounded(1000000, 9999999);
                sheet += "<c r=\"" + ref + "\" s=\"" + QByteArray::number(style) + "\"><v>" + QByteArray::number(value, 'g', 15)
                    + "</v></c>";
            } else {
                const int style = 4 + (c - 14) % 3;
                const int serial = rng.bounded(20000, 46000); // 1954 to 2025
                sheet += "<c r=\"" + ref + "\" s=\"" + QByteArray::number(style) + "\"><v>" + QByteArray::number(serial) + "</v></c>";
            }
        }
        sheet += "</row>";
    }
    return sheet + "</sheetData></worksheet>";
}

bool writeWorkbook(const QString &path)
{
    SharedStrings shared;
    const QByteArray sheet = sheetXml(shared);
    const QByteArray sst = shared.xml();
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    const bool added = addEntry(z, "[Content_Types].xml", kContentTypes) && addEntry(z, "_rels/.rels", kRootRels)
        && addEntry(z, "xl/workbook.xml", kWorkbookPart) && addEntry(z, "xl/_rels/workbook.xml.rels", kWorkbookRels)
        && addEntry(z, "xl/styles.xml", kStyles) && addEntry(z, "xl/sharedStrings.xml", sst)
        && addEntry(z, "xl/worksheets/sheet1.xml", sheet);
    if (!added) {
        zip_discard(z);
        return false;
    }
    return zip_close(z) == 0;
}

struct Figures {
    double bestMs = 0;
    long peakKb = 0;
    int rows = 0;
    int cols = 0;
};

Figures measure(const QString &path, GridFileKind kind)
{
    Figures f;
    f.bestMs = 1e18;
    for (int run = 0; run < 3; ++run) {
        bench::resetPeak();
        QElapsedTimer timer;
        timer.start();
        {
            ImportSession session;
            const SessionResult read = session.readSource(path, kind);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            if (!read.ok()) {
                std::fprintf(stderr, "read failed: %s\n", qPrintable(read.message));
                std::exit(1);
            }
            f.bestMs = std::min(f.bestMs, ms);
            f.rows = session.sourceTable().rowCount();
            f.cols = session.sourceTable().columnCount();
            if (run == 0)
                f.peakKb = bench::memoryKb("VmHWM:");
        }
    }
    return f;
}

// The best of three passes over the sheet part: inflated only, or inflated
// and parsed with empty handlers.
double floorMs(const QString &xlsx, bool parse)
{
    double best = 1e18;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        ZipArchive zip;
        Outcome error = zip.open(xlsx);
        std::unique_ptr<ZipArchive::Entry> entry =
            error.ok ? zip.openEntry(QStringLiteral("xl/worksheets/sheet1.xml"), qint64(1) << 32, error) : nullptr;
        if (!entry) {
            std::fprintf(stderr, "cannot open the sheet part: %s\n", qPrintable(error.message));
            std::exit(1);
        }
        XML_Parser parser = parse ? XML_ParserCreate(nullptr) : nullptr;
        std::vector<char> buffer(1 << 16);
        for (qint64 n = 1; n > 0;) {
            n = entry->read(buffer.data(), qint64(buffer.size()));
            if (parser)
                XML_Parse(parser, buffer.data(), int(qMax<qint64>(n, 0)), n <= 0);
        }
        if (parser)
            XML_ParserFree(parser);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString xlsx = app.arguments().value(1);
    if (xlsx == QLatin1String("--write")) {
        // Only writes the workbook (to profile the read on its own).
        return writeWorkbook(app.arguments().value(2)) ? 0 : 1;
    }
    if (xlsx.isEmpty()) {
        xlsx = dir.filePath(QStringLiteral("register.xlsx"));
        std::printf("writing %d rows x %d columns as .xlsx ...\n", kRows, kCols);
        if (!writeWorkbook(xlsx)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(xlsx));
            return 1;
        }
    }
    // The CSV of the same shown texts.
    const QString csv = dir.filePath(QStringLiteral("register.csv"));
    {
        GridModel grid;
        if (!grid.LoadSheet(xlsx, QString()).ok || !grid.SaveGrid(csv, GridFileKind::Csv, TextEncoding::Utf8).ok) {
            std::fprintf(stderr, "cannot make the CSV\n");
            return 1;
        }
    }
    const Figures w = measure(xlsx, GridFileKind::Workbook);
    const Figures c = measure(csv, GridFileKind::Csv);
    std::printf("CSV  : %8.1f MB, %d rows x %d cols, best of 3: %8.1f ms, peak memory during one read: %6.1f MB\n",
                QFileInfo(csv).size() / 1048576.0, c.rows, c.cols, c.bestMs, c.peakKb / 1024.0);
    std::printf(".xlsx: %8.1f MB, %d rows x %d cols, best of 3: %8.1f ms, peak memory during one read: %6.1f MB\n",
                QFileInfo(xlsx).size() / 1048576.0, w.rows, w.cols, w.bestMs, w.peakKb / 1024.0);
    std::printf("ratio .xlsx / CSV: %.2f (target <= 2.0); .xlsx peak %.1f MB (target <= 200 MB)\n", w.bestMs / c.bestMs,
                w.peakKb / 1024.0);
    const double inflateMs = floorMs(xlsx, false);
    const double parseMs = floorMs(xlsx, true);
    std::printf("floor: sheet part inflated only %8.1f ms (%.2f x CSV); inflated and parsed by expat, no handlers %8.1f ms "
                "(%.2f x CSV)\n",
                inflateMs, inflateMs / c.bestMs, parseMs, parseMs / c.bestMs);
    return 0;
}
