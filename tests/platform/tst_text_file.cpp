#include "platform/file_io.h"
#include "platform/grid_model.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
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

// A table whose rows say "untouched" when a failed read leaves it alone.
TextTable sentinel()
{
    TextTable t;
    t.rows.append(GridRow::fromCells({QStringLiteral("untouched")}));
    t.cols = 1;
    return t;
}

} // namespace

class TstTextFile : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void excelCp932Csv();
    void encodings_data();
    void encodings();
    void forcedEncoding_data();
    void forcedEncoding();
    void badFiles_data();
    void badFiles();
    void unterminatedQuoteKeepsEverything();
    void writeThenRead_data();
    void writeThenRead();
    void forcedCp932RefusesWhatItCannotWrite();
    void writeFailureNamesFile();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
};

void TstTextFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<Rows>("rows");

    const QChar comma(u','), tab(u'\t');
    QTest::newRow("CR LF") << QByteArray("a,b\r\nc,d\r\n") << comma << Rows{{"a", "b"}, {"c", "d"}};
    QTest::newRow("LF, no last line end") << QByteArray("a,b\nc,d") << comma << Rows{{"a", "b"}, {"c", "d"}};
    QTest::newRow("CR only") << QByteArray("a,b\rc,d\r") << comma << Rows{{"a", "b"}, {"c", "d"}};
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd") << comma << Rows{{"a"}, {"b"}, {"c"}, {"d"}};
    QTest::newRow("empty file") << QByteArray() << comma << Rows{};
    QTest::newRow("one empty line") << QByteArray("\r\n") << comma << Rows{{""}};
    QTest::newRow("empty line inside") << QByteArray("a,b\r\n\r\nc\r\n") << comma << Rows{{"a", "b"}, {"", ""}, {"c", ""}};
    QTest::newRow("ragged: widest line decides") << QByteArray("a\nb,c,d\ne,f\n") << comma
                                                  << Rows{{"a", "", ""}, {"b", "c", "d"}, {"e", "f", ""}};
    QTest::newRow("trailing separator") << QByteArray("a,\n") << comma << Rows{{"a", ""}};
    QTest::newRow("quoted comma") << QByteArray("\"x,y\",z\n") << comma << Rows{{"x,y", "z"}};
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",\"\"\"\"\n") << comma
                                    << Rows{{"say \"hi\"", "\""}};
    QTest::newRow("line breaks inside quotes") << QByteArray("\"1\r\n2\",\"3\n4\",\"5\r6\"\r\nnext\r\n") << comma
                                               << Rows{{"1\r\n2", "3\n4", "5\r6"}, {"next", "", ""}};
    QTest::newRow("empty quoted field") << QByteArray("\"\",a\n") << comma << Rows{{"", "a"}};
    QTest::newRow("quote inside plain field is text") << QByteArray("ab\"c,d\n") << comma << Rows{{"ab\"c", "d"}};
    QTest::newRow("text after closing quote is kept") << QByteArray("\"ab\"c,d\n") << comma << Rows{{"abc", "d"}};
    QTest::newRow("blanks are kept") << QByteArray(" a , b \n") << comma << Rows{{" a ", " b "}};
    QTest::newRow("TSV keeps commas") << QByteArray("a,b\tc\r\n\"d\te\"\tf\r\n") << tab << Rows{{"a,b", "c"}, {"d\te", "f"}};
    QTest::newRow("TSV ragged") << QByteArray("1\t2\t3\n4\n") << tab << Rows{{"1", "2", "3"}, {"4", "", ""}};
}

void TstTextFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QChar, separator);
    QFETCH(Rows, rows);
    TextTable t;
    const GridResult r = ParseDelimitedText(bytes, QStringLiteral("sample.csv"), separator, t);
    QVERIFY2(r.ok && r.message.isEmpty(), qPrintable(r.message));
    QCOMPARE(cellsOf(t), rows);
    QCOMPARE(t.rows.size(), rows.size());
    QCOMPARE(t.cols, rows.isEmpty() ? 0 : int(rows.first().size()));
}

void TstTextFile::excelCp932Csv()
{
    // As Excel saves "CSV (コンマ区切り)" on a Japanese Windows: CP932, CR LF,
    // quotes only where a field needs them, NEC/IBM extension characters.
    const QString text = QStringLiteral(
        "管理番号,氏名,ﾌﾘｶﾞﾅ,住所,備考\r\n"
        "000123,髙橋 一郎,ﾀｶﾊｼ ｲﾁﾛｳ,\"東京都世田谷区北沢2-10-3, コーポ山﨑 201\",\"法要済\r\n護持会費①納入\"\r\n"
        "000124,渡辺 花子,ﾜﾀﾅﾍﾞ ﾊﾅｺ,大阪府大阪市北区梅田1丁目,\"「\"\"至急\"\"」連絡\"\r\n");
    TextTable t;
    const GridResult r = ParseDelimitedText(cp932(text), QStringLiteral("register.csv"), QChar(u','), t);
    QVERIFY2(r.ok && r.message.isEmpty(), qPrintable(r.message));
    QCOMPARE(t.encoding, TextEncoding::Cp932);
    QCOMPARE(t.cols, 5);
    QCOMPARE(cellsOf(t),
             (Rows{{"管理番号", "氏名", "ﾌﾘｶﾞﾅ", "住所", "備考"},
                   {"000123", "髙橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", "東京都世田谷区北沢2-10-3, コーポ山﨑 201", "法要済\r\n護持会費①納入"},
                   {"000124", "渡辺 花子", "ﾜﾀﾅﾍﾞ ﾊﾅｺ", "大阪府大阪市北区梅田1丁目", "「\"至急\"」連絡"}}));
}

void TstTextFile::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("expected");
    const QString text = QStringLiteral("氏名\t住所\r\n山田\t京都市\r\n");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << TextEncoding::Utf8;
    QTest::newRow("UTF-8 without BOM") << text.toUtf8() << TextEncoding::Utf8;
    QTest::newRow("CP932") << cp932(text) << TextEncoding::Cp932;
    QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16LE with BOM") << QByteArray(le.encode(text)) << TextEncoding::Utf16LE;
    QStringEncoder be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16BE with BOM") << QByteArray(be.encode(text)) << TextEncoding::Utf16BE;
}

void TstTextFile::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, expected);
    TextTable t;
    const GridResult r = ParseDelimitedText(bytes, QStringLiteral("sample.txt"), QChar(u'\t'), t);
    QVERIFY2(r.ok && r.message.isEmpty(), qPrintable(r.message));
    QCOMPARE(t.encoding, expected);
    QCOMPARE(cellsOf(t), (Rows{{"氏名", "住所"}, {"山田", "京都市"}})); // no BOM left in the first cell
}

// A forced encoding wins over detection; a byte it cannot read becomes U+FFFD
// and its line is named.
void TstTextFile::forcedEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<qint64>("badLine");
    const QByteArray utf8 = QStringLiteral("ア,イ\n").toUtf8();
    QTest::newRow("valid UTF-8 read as CP932")
        << utf8 << TextEncoding::Cp932 << Rows{QString(QStringDecoder("windows-31j").decode(utf8.chopped(1))).split(u',')}
        << qint64(0);
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + utf8 << TextEncoding::Utf8 << Rows{{"ア", "イ"}}
                                    << qint64(0);
    QTest::newRow("bad UTF-8 byte") << QByteArray("a\nb\nc\xFF" "d\ne\n") << TextEncoding::Utf8
                                    << Rows{{"a"}, {"b"}, {"c\uFFFDd"}, {"e"}} << qint64(3);
    QTest::newRow("bad CP932 byte") << QByteArray("x\r\ny\xA0z\r\n") << TextEncoding::Cp932 << Rows{{"x"}, {"y\uFFFDz"}}
                                    << qint64(2);
}

void TstTextFile::forcedEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(Rows, rows);
    QFETCH(qint64, badLine);
    TextTable t;
    const GridResult r = ParseDelimitedText(bytes, QStringLiteral("f.csv"), QChar(u','), t, encoding);
    QVERIFY(r.ok);
    QCOMPARE(t.encoding, encoding);
    QCOMPARE(cellsOf(t), rows);
    QCOMPARE(r.badLine, badLine);
    if (badLine > 0)
        QVERIFY2(r.message.contains(QStringLiteral("%1 行目").arg(badLine)), qPrintable(r.message));
}

void TstTextFile::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("says");

    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << qint64(3)
                            << QStringLiteral("テキストファイルではありません");
    QTest::newRow("NUL in a text") << QByteArray("a,b\r\nc,d\r\ne\0f\r\n", 14) << qint64(3)
                                   << QStringLiteral("テキストファイルではありません");
    // UTF-8 on lines 1 and 2, CP932 on line 3: neither reads the whole file.
    QTest::newRow("neither encoding") << QStringLiteral("あ\r\nい\r\n").toUtf8() + cp932(QStringLiteral("う\r\n"))
                                      << qint64(3) << QStringLiteral("文字コードを判別できません");
    QTest::newRow("bytes no encoding has") << QByteArray("ok\r\n\xFF\xFE\xFD\x80\r\n") << qint64(2)
                                           << QStringLiteral("文字コードを判別できません");
}

void TstTextFile::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, line);
    QFETCH(QString, says);
    TextTable t = sentinel();
    const GridResult r = ParseDelimitedText(bytes, QStringLiteral("/data/寺院/bad.csv"), QChar(u','), t);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains(says), qPrintable(r.message));
    QVERIFY2(r.message.contains(QStringLiteral("bad.csv")), qPrintable(r.message));
    QVERIFY2(r.message.contains(QStringLiteral("%1 行目").arg(line)), qPrintable(r.message));
    QCOMPARE(r.badLine, line);
    QCOMPARE(cellsOf(t), (Rows{{"untouched"}}));
}

void TstTextFile::unterminatedQuoteKeepsEverything()
{
    const QByteArray bytes("a,b\r\nc,\"d,e\r\nf,g\r\n");
    TextTable t;
    const GridResult r = ParseDelimitedText(bytes, QStringLiteral("open.csv"), QChar(u','), t);
    QVERIFY(r.ok);
    QVERIFY(r.hasWarning());
    QCOMPARE(r.badLine, 2);
    QVERIFY2(r.message.contains(QStringLiteral("open.csv")) && r.message.contains(QStringLiteral("2 行目")),
             qPrintable(r.message));
    QCOMPARE(cellsOf(t), (Rows{{"a", "b", ""}, {"c", "\"d", "e"}, {"f", "g", ""}}));
}

void TstTextFile::writeThenRead_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<TextEncoding>("encoding");
    const Rows quoting{{"番号", "氏名", "備考", ""},
                       {"1", "髙橋, 一郎", "「\"至急\"」", "tab\there"},
                       {"", "", "", ""},
                       {"2", " 前後に空白 ", "改行\r\nあり", "LF\nCR\rend"},
                       {"\"", ",", "\t", "①"}};
    QTest::newRow("CSV") << QChar(u',') << quoting << TextEncoding::Cp932;
    QTest::newRow("TSV") << QChar(u'\t') << quoting << TextEncoding::Cp932;
    // U+2212 and the emoji have no CP932 code: the file goes out as UTF-8.
    QTest::newRow("beyond CP932") << QChar(u',') << Rows{{"−5", "😀"}, {"あ", ""}} << TextEncoding::Utf8;
}

void TstTextFile::writeThenRead()
{
    QFETCH(QChar, separator);
    QFETCH(Rows, rows);
    QFETCH(TextEncoding, encoding);
    QList<GridRow> grid;
    for (const QStringList &r : rows)
        grid.append(GridRow::fromCells(r));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("表.csv"));
    QVERIFY(WriteDelimitedText(path, separator, grid, int(rows.first().size())).ok);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().startsWith("\xEF\xBB\xBF"), encoding == TextEncoding::Utf8);

    TextTable t;
    const GridResult r = ReadDelimitedText(path, separator, t);
    QVERIFY2(r.ok && r.message.isEmpty(), qPrintable(r.message));
    QCOMPARE(t.encoding, encoding);
    QCOMPARE(cellsOf(t), rows);
}

void TstTextFile::forcedCp932RefusesWhatItCannotWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old contents\r\n");
    }
    const QList<GridRow> grid{GridRow::fromCells({"a", "b"}), GridRow::fromCells({"c", "😀"})};
    const GridResult r = WriteDelimitedText(path, QChar(u','), grid, 2, TextEncoding::Cp932);
    QVERIFY(!r.ok);
    QVERIFY2(r.message.contains(QStringLiteral("old.csv")) && r.message.contains(QStringLiteral("行 1・列 1")),
             qPrintable(r.message));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old contents\r\n"));
}

void TstTextFile::writeFailureNamesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/out.csv"));
    const GridResult w = WriteDelimitedText(path, QChar(u','), {GridRow::fromCells({"a"})}, 1);
    QVERIFY(!w.ok);
    QVERIFY(w.message.contains(QStringLiteral("out.csv")));
    TextTable t = sentinel();
    const GridResult r = ReadDelimitedText(path, QChar(u','), t);
    QVERIFY(!r.ok);
    QVERIFY(r.message.contains(QStringLiteral("見つかりません")));
    QCOMPARE(cellsOf(t), (Rows{{"untouched"}}));
}

// The loader the windows use, on what a file dialog or a typed path can name.
void TstTextFile::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<GridFileKind>("kind");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("says");
    const QString notRegular = QStringLiteral("通常のファイルではありません");
    QTest::newRow("named pipe") << QStringLiteral("pipe.csv") << GridFileKind::Csv << false << notRegular;
    QTest::newRow("named pipe, grid document") << QStringLiteral("pipe.csv") << GridFileKind::All << false << notRegular;
    QTest::newRow("device") << QStringLiteral("/dev/null") << GridFileKind::Csv << false << notRegular;
    QTest::newRow("folder") << QStringLiteral("folder.csv") << GridFileKind::Csv << false << QStringLiteral("フォルダー");
    QTest::newRow("past the limit") << QStringLiteral("big.csv") << GridFileKind::Csv << false
                                    << QStringLiteral("読み込めるのは %1 MiB まで").arg(kMaxReadFileBytes >> 20);
    QTest::newRow("past the limit, grid document") << QStringLiteral("big.csv") << GridFileKind::All << false
                                                   << QStringLiteral("大きすぎて");
    QTest::newRow("empty") << QStringLiteral("empty.csv") << GridFileKind::Csv << true
                           << QStringLiteral("読み込むデータがありません");
    QTest::newRow("byte-order mark only") << QStringLiteral("bom.csv") << GridFileKind::Csv << true
                                          << QStringLiteral("読み込むデータがありません");
    QTest::newRow("link to a regular file") << QStringLiteral("link.csv") << GridFileKind::Csv << true << QString();
}

void TstTextFile::onlyRegularFilesAreRead()
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
    QVERIFY(QFile::link(d.filePath(QStringLiteral("real.csv")), d.filePath(QStringLiteral("link.csv"))));
    {
        QFile big(d.filePath(QStringLiteral("big.csv"))); // sparse: no half gigabyte written
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kMaxReadFileBytes + 1));
    }
    const QString path = name.startsWith(QLatin1Char('/')) ? name : d.filePath(name);

    // Loaded on another thread: should the loader open the pipe after all,
    // a writer opening and closing it ends the wait, and the row fails
    // instead of hanging the suite.
    GridModel grid;
    grid.setRows(1);
    grid.setCols(1);
    grid.setTextMatrix(0, 0, QStringLiteral("untouched"));
    std::packaged_task<GridResult()> load([&] { return grid.LoadGrid(path, kind); });
    std::future<GridResult> loaded = load.get_future();
    std::thread worker(std::move(load));
    const bool inTime = loaded.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!inTime) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    worker.join();
    QVERIFY2(inTime, "the loader waited on the file");
    const GridResult r = loaded.get();
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
