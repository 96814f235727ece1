#include "platform/file_io.h"
#include "platform/grid_model.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tera;

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(tera::TextEncoding)
Q_DECLARE_METATYPE(tera::GridFileKind)

namespace {

QByteArray cp932(const QString &text)
{
    QStringEncoder enc("windows-31j");
    QByteArray out = enc.encode(text);
    Q_ASSERT(!enc.hasError());
    return out;
}

Rows cellsOf(const TextTable &t)
{
    Rows out;
    for (const GridRow &row : t.rows)
        out.append(row.cells(t.cols));
    return out;
}

} // namespace

class TstTextFile : public QObject {
    Q_OBJECT
private slots:
    void encodings_data();
    void encodings();
    void failedWriteNamesTheCause();
    void refusedFilesLeaveTheGrid_data();
    void refusedFilesLeaveTheGrid();
};

// Detected or forced encodings. A byte the encoding cannot read becomes
// U+FFFD, and a quote never closed is read as a character; both warn with
// their line and lose nothing.
void TstTextFile::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<TextEncoding>("forced");
    QTest::addColumn<TextEncoding>("read");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<qint64>("badLine");
    // Lines, fields and quoting: RFC 4180, CR LF, LF or CR, ragged lines.
    const QChar comma(u','), tab(u'\t');
    const auto plain = [&](const char *name, const QByteArray &bytes, QChar separator, const Rows &rows) {
        QTest::newRow(name) << bytes << separator << TextEncoding::Auto << TextEncoding::Utf8 << rows << qint64(0);
    };
    plain("CR LF", "a,b\r\nc,d\r\n", comma, {{"a", "b"}, {"c", "d"}});
    plain("LF, no last line end", "a,b\nc,d", comma, {{"a", "b"}, {"c", "d"}});
    plain("CR only", "a,b\rc,d\r", comma, {{"a", "b"}, {"c", "d"}});
    plain("mixed line ends", "a\r\nb\nc\rd", comma, {{"a"}, {"b"}, {"c"}, {"d"}});
    plain("empty file", QByteArray(), comma, {});
    plain("one empty line", "\r\n", comma, {{""}});
    plain("empty line inside", "a,b\r\n\r\nc\r\n", comma, {{"a", "b"}, {"", ""}, {"c", ""}});
    plain("ragged: widest line decides", "a\nb,c,d\ne,f\n", comma, {{"a", "", ""}, {"b", "c", "d"}, {"e", "f", ""}});
    plain("trailing separator", "a,\n", comma, {{"a", ""}});
    plain("quoted comma", "\"x,y\",z\n", comma, {{"x,y", "z"}});
    plain("doubled quotes", "\"say \"\"hi\"\"\",\"\"\"\"\n", comma, {{"say \"hi\"", "\""}});
    plain("line breaks inside quotes", "\"1\r\n2\",\"3\n4\",\"5\r6\"\r\nnext\r\n", comma,
          {{"1\r\n2", "3\n4", "5\r6"}, {"next", "", ""}});
    plain("empty quoted field", "\"\",a\n", comma, {{"", "a"}});
    plain("quote inside plain field is text", "ab\"c,d\n", comma, {{"ab\"c", "d"}});
    plain("text after closing quote is kept", "\"ab\"c,d\n", comma, {{"abc", "d"}});
    plain("blanks are kept", " a , b \n", comma, {{" a ", " b "}});
    plain("TSV keeps commas", "a,b\tc\r\n\"d\te\"\tf\r\n", tab, {{"a,b", "c"}, {"d\te", "f"}});
    plain("TSV ragged", "1\t2\t3\n4\n", tab, {{"1", "2", "3"}, {"4", "", ""}});
    const QString text = QStringLiteral("氏名,住所\r\n山田,京都市\r\n");
    const Rows rows{{"氏名", "住所"}, {"山田", "京都市"}}; // no byte-order mark left in the first cell
    const auto A = TextEncoding::Auto;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << comma << A << TextEncoding::Utf8 << rows << qint64(0);
    QTest::newRow("UTF-8 without BOM") << text.toUtf8() << comma << A << TextEncoding::Utf8 << rows << qint64(0);
    QTest::newRow("CP932") << cp932(text) << comma << A << TextEncoding::Cp932 << rows << qint64(0);
    QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16LE with BOM") << QByteArray(le.encode(text)) << comma << A << TextEncoding::Utf16LE << rows << qint64(0);
    QStringEncoder be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16BE with BOM") << QByteArray(be.encode(text)) << comma << A << TextEncoding::Utf16BE << rows << qint64(0);
    // As Excel saves "CSV (コンマ区切り)" on a Japanese Windows: quotes only
    // where a field needs them, NEC/IBM extension characters.
    QTest::newRow("Excel CSV") << cp932(QStringLiteral("番号,氏名,ﾌﾘｶﾞﾅ,住所\r\n000123,髙橋 一郎,ﾀｶﾊｼ ｲﾁﾛｳ,\"北沢2-10-3, コーポ山﨑\"\r\n"
                                                      "000124,渡辺 花子,\"法要済\r\n護持会費①\",\"「\"\"至急\"\"」\"\r\n"))
                               << comma << A << TextEncoding::Cp932
                               << Rows{{"番号", "氏名", "ﾌﾘｶﾞﾅ", "住所"},
                                       {"000123", "髙橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", "北沢2-10-3, コーポ山﨑"},
                                       {"000124", "渡辺 花子", "法要済\r\n護持会費①", "「\"至急\"」"}}
                               << qint64(0);
    QTest::newRow("UTF-8 forced to CP932") << QStringLiteral("ア,イ\n").toUtf8() << comma << TextEncoding::Cp932
                                           << TextEncoding::Cp932 << Rows{{"繧｢", "繧､"}} << qint64(0);
    QTest::newRow("forced UTF-8 after a BOM") << QByteArray("\xEF\xBB\xBFア") << comma << TextEncoding::Utf8 << TextEncoding::Utf8
                                              << Rows{{"ア"}} << qint64(0);
    QTest::newRow("bad UTF-8 byte") << QByteArray("a\nb\nc\xFF" "d\ne\n") << comma << TextEncoding::Utf8 << TextEncoding::Utf8
                                    << Rows{{"a"}, {"b"}, {"c\uFFFDd"}, {"e"}} << qint64(3);
    QTest::newRow("bad CP932 byte") << QByteArray("x\r\ny\xA0z\r\n") << comma << TextEncoding::Cp932 << TextEncoding::Cp932
                                    << Rows{{"x"}, {"y\uFFFDz"}} << qint64(2);
    QTest::newRow("quote never closed") << QByteArray("a,b\r\nc,\"d,e\r\nf,g\r\n") << comma << A << TextEncoding::Utf8
                                        << Rows{{"a", "b", ""}, {"c", "\"d", "e"}, {"f", "g", ""}} << qint64(2);
}

void TstTextFile::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QChar, separator);
    QFETCH(TextEncoding, forced);
    QFETCH(TextEncoding, read);
    QFETCH(Rows, rows);
    QFETCH(qint64, badLine);
    TextTable t;
    const Outcome r = ParseDelimitedText(bytes, QStringLiteral("f.csv"), separator, t, forced);
    // Bytes that do not decode in the encoding named are refused, naming
    // the line, as auto detection refuses them.
    if (badLine > 0 && forced != TextEncoding::Auto) {
        QVERIFY(!r.ok);
        QCOMPARE(r.badLine, badLine);
        QVERIFY2(r.message.contains(QStringLiteral("f.csv")) && r.message.contains(QStringLiteral("%1 行目").arg(badLine)),
                 qPrintable(r.message));
        return;
    }
    QVERIFY(r.ok);
    QCOMPARE(t.encoding, read);
    QCOMPARE(cellsOf(t), rows);
    QCOMPARE(t.cols, rows.isEmpty() ? 0 : int(rows.first().size()));
    QCOMPARE(r.badLine, badLine);
    QCOMPARE(r.hasWarning(), badLine > 0);
    if (badLine > 0)
        QVERIFY2(r.message.contains(QStringLiteral("f.csv")) && r.message.contains(QStringLiteral("%1 行目").arg(badLine)),
                 qPrintable(r.message));
}

// Writing and reading back whole tables is tested with the grid's file
// kinds 3 and 4 (tst_grid_document).
// A character forced CP932 cannot hold is refused, naming its cell; a
// missing folder names the file. (That a failed write leaves the old file
// is tested under real write faults in tst_file_io.)
void TstTextFile::failedWriteNamesTheCause()
{
    QTemporaryDir dir;
    const QList<GridRow> grid{GridRow::fromCells({"a", "b"}), GridRow::fromCells({"c", "😀"})};
    const Outcome r = WriteDelimitedText(dir.filePath(QStringLiteral("new.csv")), QChar(u','), grid, 2, TextEncoding::Cp932);
    QVERIFY2(!r.ok && r.message.contains(QStringLiteral("new.csv")) && r.message.contains(QStringLiteral("行 1・列 1")),
             qPrintable(r.message));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new.csv"))));
    const Outcome w = WriteDelimitedText(dir.filePath(QStringLiteral("no/such/out.csv")), QChar(u','), grid, 1);
    QVERIFY(!w.ok && w.message.contains(QStringLiteral("out.csv")));
}

// The loader the windows use, on what a file dialog or a typed path can
// name: only regular text files are read; a refusal names the file (and the
// line, where one is at fault) and leaves the grid as it was.
void TstTextFile::refusedFilesLeaveTheGrid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<GridFileKind>("kind");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("says");
    QTest::newRow("binary") << QStringLiteral("binary.csv") << GridFileKind::Csv << false
                            << QStringLiteral("テキストファイルではありません（3 行目にバイナリデータ");
    QTest::newRow("NUL in a text") << QStringLiteral("nul.csv") << GridFileKind::Csv << false
                                   << QStringLiteral("テキストファイルではありません（3 行目");
    // UTF-8 on lines 1 and 2, CP932 on line 3: neither reads the whole file.
    QTest::newRow("neither encoding") << QStringLiteral("mixed.csv") << GridFileKind::Csv << false
                                      << QStringLiteral("文字コードを判別できません。UTF-8 としては 3 行目");
    QTest::newRow("bytes no encoding has") << QStringLiteral("bytes.csv") << GridFileKind::Csv << false
                                           << QStringLiteral("文字コードを判別できません。UTF-8 としては 2 行目、シフトJIS（CP932）としては 2 行目");
    const QString notRegular = QStringLiteral("通常のファイルではありません");
    QTest::newRow("named pipe") << QStringLiteral("pipe.csv") << GridFileKind::Csv << false << notRegular;
    QTest::newRow("named pipe, grid document") << QStringLiteral("pipe.csv") << GridFileKind::All << false << notRegular;
    QTest::newRow("device") << QStringLiteral("/dev/null") << GridFileKind::Csv << false << notRegular;
    QTest::newRow("folder") << QStringLiteral("folder.csv") << GridFileKind::Csv << false << QStringLiteral("フォルダー");
    QTest::newRow("past the limit") << QStringLiteral("big.csv") << GridFileKind::Csv << false
                                    << QStringLiteral("読み込めるのは %1 MiB まで").arg(kMaxReadFileBytes >> 20);
    QTest::newRow("past the limit, grid document") << QStringLiteral("big.csv") << GridFileKind::All << false
                                                   << QStringLiteral("大きすぎて");
    QTest::newRow("one line too long") << QStringLiteral("long.csv") << GridFileKind::Csv << false
                                       << QStringLiteral("2 行目は %1 バイトあり").arg(kMaxLineBytes + 1);
    QTest::newRow("empty") << QStringLiteral("empty.csv") << GridFileKind::Csv << true
                           << QStringLiteral("読み込むデータがありません");
    QTest::newRow("byte-order mark only") << QStringLiteral("bom.csv") << GridFileKind::Csv << true
                                          << QStringLiteral("読み込むデータがありません");
    QTest::newRow("missing") << QStringLiteral("none.csv") << GridFileKind::Csv << false << QStringLiteral("見つかりません");
    QTest::newRow("link to a regular file") << QStringLiteral("link.csv") << GridFileKind::Csv << true << QString();
}

void TstTextFile::refusedFilesLeaveTheGrid()
{
    QFETCH(QString, name);
    QFETCH(GridFileKind, kind);
    QFETCH(bool, ok);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QDir d(dir.path());
    QVERIFY(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe.csv"))).constData(), 0600) == 0);
    QVERIFY(d.mkdir(QStringLiteral("folder.csv")));
    const auto write = [&](const QString &file, const QByteArray &bytes) {
        QFile f(d.filePath(file));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(write(QStringLiteral("empty.csv"), QByteArray()));
    QVERIFY(write(QStringLiteral("bom.csv"), QByteArray("\xEF\xBB\xBF")));
    QVERIFY(write(QStringLiteral("real.csv"), QByteArray("a,b\r\n")));
    QVERIFY(write(QStringLiteral("binary.csv"), QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)));
    QVERIFY(write(QStringLiteral("nul.csv"), QByteArray("a,b\r\nc,d\r\ne\0f\r\n", 14)));
    QVERIFY(write(QStringLiteral("mixed.csv"), QStringLiteral("あ\r\nい\r\n").toUtf8() + cp932(QStringLiteral("う\r\n"))));
    QVERIFY(write(QStringLiteral("bytes.csv"), QByteArray("ok\r\n\xFF\xFE\xFD\x80\r\n")));
    QVERIFY(write(QStringLiteral("long.csv"), QByteArray("a,b\n") + QByteArray(kMaxLineBytes + 1, 'x') + "\nc,d\n"));
    QVERIFY(QFile::link(d.filePath(QStringLiteral("real.csv")), d.filePath(QStringLiteral("link.csv"))));
    {
        QFile big(d.filePath(QStringLiteral("big.csv"))); // sparse: no half gigabyte written
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kMaxReadFileBytes + 1));
    }
    const QString path = name.startsWith(QLatin1Char('/')) ? name : d.filePath(name);

    // Should the loader ever open the pipe, it waits for a writer forever and
    // the suite's time limit fails the test.
    GridModel grid;
    grid.setRows(1);
    grid.setCols(1);
    grid.setTextMatrix(0, 0, QStringLiteral("untouched"));
    const Outcome r = grid.LoadGrid(path, kind);
    QCOMPARE(r.ok, ok);
    QVERIFY2(r.message.contains(says), qPrintable(r.message));
    if (!ok) {
        QVERIFY2(r.message.contains(QFileInfo(path).fileName()), qPrintable(r.message));
        QCOMPARE(grid.TextMatrix(0, 0), QStringLiteral("untouched"));
    } else if (says.isEmpty()) {
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("b"));
    } else {
        QCOMPARE(grid.Rows(), 0);
    }
}

QTEST_GUILESS_MAIN(TstTextFile)
#include "tst_text_file.moc"
