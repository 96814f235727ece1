#include "file_faults.h"
#include "platform/grid_model.h"
#include "program_run.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace tera;

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(tera::GridFileKind)

namespace {

Rows texts(const GridModel &g)
{
    Rows out;
    for (int r = 0; r < g.Rows(); ++r)
        out.append(g.rowTexts(r));
    return out;
}

// Everything formatting covers, as one comparable list.
QList<int> formatting(const GridModel &g)
{
    QList<int> out{g.FixedRows(), g.FixedCols(), g.defaultRowHeight(), g.defaultColWidth()};
    for (int r = 0; r < g.Rows(); ++r)
        out.append(g.RowHeight(r));
    for (int c = 0; c < g.Cols(); ++c)
        out << g.ColWidth(c) << g.ColSort(c);
    return out;
}

// An import table as users leave it: headings, numbers, Japanese text with
// the characters every format has to carry, ragged rows and formatting.
void importTable(GridModel &g, bool withoutCp932 = false)
{
    g.setCols(5);
    g.setRows(5);
    g.select(0, 0, 0, 0);
    g.setClip(QStringLiteral("\t戒名\t俗名\t没年月日\t備考\r1\t釋浄念信士\t髙橋 一郎\t令和1年5月1日\t法要済, 墓地A-12\r"
                             "2\t\t\"渡辺\"\r3\t①\r4"));
    g.setTextMatrix(2, 4, QStringLiteral("改行\r\nあり\tタブ"));
    if (withoutCp932)
        g.setTextMatrix(4, 1, QStringLiteral("−5😀")); // a text file then goes out as UTF-8
    g.setFixedRows(1);
    g.setFixedCols(1);
    g.setRowHeight(-1, 320);
    g.setRowHeight(2, 640);
    g.setColWidth(0, 500);
    g.setColWidth(4, 4000);
    g.setColSort(2, SortCustom);
    g.setColSort(3, SortNumericDescending);
}

} // namespace

class TstGridDocument : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void badDocuments_data();
    void badDocuments();
    void refusalsChangeNothing();
    void writeFaultsKeepTheOldFile_data() { FaultyFolder::addRows(); }
    void writeFaultsKeepTheOldFile();
};

void TstGridDocument::roundTrip_data()
{
    QTest::addColumn<GridFileKind>("kind");
    QTest::addColumn<GridFileKind>("loadAs");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<bool>("utf8");
    for (int variant : {0, 1, 2}) {
        const bool empty = variant == 1;
        const char *e = variant == 0 ? "" : empty ? ", empty table" : ", beyond CP932";
        QTest::addRow("0 everything%s", e) << GridFileKind::All << GridFileKind::All << empty << (variant == 2);
        QTest::addRow("1 texts%s", e) << GridFileKind::TextsOnly << GridFileKind::TextsOnly << empty << (variant == 2);
        // Kind 0 takes what the document has: texts only, formatting left alone.
        QTest::addRow("1 texts, read as 0%s", e) << GridFileKind::TextsOnly << GridFileKind::All << empty << (variant == 2);
        QTest::addRow("2 formatting%s", e) << GridFileKind::FormatOnly << GridFileKind::FormatOnly << empty << (variant == 2);
        QTest::addRow("3 comma-separated%s", e) << GridFileKind::Csv << GridFileKind::Csv << empty << (variant == 2);
        QTest::addRow("4 tab-separated%s", e) << GridFileKind::Tsv << GridFileKind::Tsv << empty << (variant == 2);
    }
}

void TstGridDocument::roundTrip()
{
    QFETCH(GridFileKind, kind);
    QFETCH(GridFileKind, loadAs);
    QFETCH(bool, empty);
    QFETCH(bool, utf8);
    GridModel saved;
    if (!empty)
        importTable(saved, utf8);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("インポート.vsg"));
    const Outcome s = saved.SaveGrid(path, kind);
    QVERIFY2(s.ok, qPrintable(s.message));
    if (kind == GridFileKind::Csv || kind == GridFileKind::Tsv)
        QCOMPARE(readAll(path).startsWith("\xEF\xBB\xBF"), utf8);

    // Loaded into a grid shaped as the import table window makes it; the
    // formatting alone leaves the size and the texts as they are.
    const bool formatOnly = kind == GridFileKind::FormatOnly;
    GridModel loaded;
    loaded.setCols(formatOnly ? saved.Cols() : 10);
    loaded.setRows(formatOnly ? saved.Rows() : 50);
    loaded.setFixedRows(std::min(1, loaded.Rows()));
    loaded.setFixedCols(std::min(1, loaded.Cols()));
    loaded.setTextMatrix(loaded.Rows() - 1, 1, QStringLiteral("残る"));
    loaded.setColWidth(4, 1234);
    const Outcome l = loaded.LoadGrid(path, loadAs);
    const bool text = kind == GridFileKind::Csv || kind == GridFileKind::Tsv;
    QVERIFY(l.ok);
    QCOMPARE(l.message.contains(QStringLiteral("読み込むデータがありません")), empty && text);
    if (formatOnly)
        QCOMPARE(loaded.TextMatrix(loaded.Rows() - 1, 1), empty ? QString() : QStringLiteral("残る"));
    else
        QCOMPARE(texts(loaded), texts(saved));
    if (kind == GridFileKind::All || formatOnly)
        QCOMPARE(formatting(loaded), formatting(saved));
    else if (!empty)
        QCOMPARE(loaded.ColWidth(4), 1234);
}

void TstGridDocument::badDocuments_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    GridModel g;
    importTable(g);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("good.vsg"));
    g.SaveGrid(path, GridFileKind::All);
    const QByteArray good = readAll(path);
    QVERIFY(good.size() > 100);

    const QString damaged = QStringLiteral("途中で切れているか壊れている");
    const QString notOne = QStringLiteral("グリッド文書ではありません");
    QTest::newRow("empty file") << QByteArray() << notOne;
    QTest::newRow("a CSV file") << QByteArray("a,b,c\r\n") << notOne;
    QTest::newRow("cut inside the magic") << good.left(5) << damaged;
    QTest::newRow("cut among the rows") << good.left(good.size() / 2) << damaged;
    QTest::newRow("one byte short") << good.chopped(1) << damaged;
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x20);
    QTest::newRow("a changed byte") << flipped << damaged;
    QTest::newRow("bytes after the end") << good + QByteArray("x") << damaged;
    QByteArray newer = good;
    qToLittleEndian<quint16>(kGridDocumentVersion + 1, newer.data() + 8);
    QTest::newRow("newer version") << newer << QStringLiteral("新しい版（第 %1 版）").arg(kGridDocumentVersion + 1);
}

void TstGridDocument::badDocuments()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("壊れた.vsg"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    GridModel g;
    g.setCols(2);
    g.setRows(2);
    g.setTextMatrix(1, 1, QStringLiteral("元のまま"));
    g.setColWidth(1, 999);
    for (GridFileKind kind : {GridFileKind::All, GridFileKind::TextsOnly, GridFileKind::FormatOnly}) {
        const Outcome r = g.LoadGrid(path, kind);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(says) && r.message.contains(QStringLiteral("壊れた.vsg")), qPrintable(r.message));
        QCOMPARE(texts(g), (Rows{{"", ""}, {"", "元のまま"}}));
        QCOMPARE(g.ColWidth(1), 999);
    }
}

// A document of the other kind or an unknown kind: the grid and the file
// on disk stay as they were (write faults are tested below).
void TstGridDocument::refusalsChangeNothing()
{
    GridModel g;
    importTable(g);
    QTemporaryDir dir;
    const QString texts = dir.filePath(QStringLiteral("texts.vsg"));
    const QString format = dir.filePath(QStringLiteral("format.vsg"));
    QVERIFY(g.SaveGrid(texts, GridFileKind::TextsOnly).ok);
    QVERIFY(g.SaveGrid(format, GridFileKind::FormatOnly).ok);
    const QByteArray before = readAll(texts);
    QVERIFY(!g.SaveGrid(texts, GridFileKind(5)).ok);
    QCOMPARE(readAll(texts), before);

    GridModel loaded;
    loaded.setCols(1);
    loaded.setRows(1);
    QVERIFY(!loaded.LoadGrid(texts, GridFileKind::FormatOnly).ok);
    QVERIFY(!loaded.LoadGrid(texts, GridFileKind(7)).ok);
    const Outcome r = loaded.LoadGrid(format, GridFileKind::TextsOnly);
    QVERIFY(!r.ok && r.message.contains(QStringLiteral("format.vsg")));
    QCOMPARE(loaded.Rows(), 1);
    QCOMPARE(loaded.ColWidth(0), GridModel::kDefaultColWidth);
}

// A document that cannot be written whole: the old one stays, byte for byte,
// and still loads.
void TstGridDocument::writeFaultsKeepTheOldFile()
{
    QFETCH(WriteFault, fault);
    FaultyFolder dir(fault);
    if (!dir.skipReason().isEmpty())
        QSKIP(qPrintable(dir.skipReason()));
    const QString path = dir.filePath(QStringLiteral("keep.vsg"));
    GridModel g;
    QVERIFY(g.SaveGrid(path, GridFileKind::All).ok);
    const auto before = folderBytes(dir.path());
    importTable(g);
    dir.arm(before.value(QStringLiteral("keep.vsg")).size() + 16);
    const Outcome r = g.SaveGrid(path, GridFileKind::All);
    dir.disarm();
    QVERIFY(!r.ok);
    for (const QString &word : dir.expectedWords())
        QVERIFY2(r.message.contains(word), qPrintable(r.message));
    QCOMPARE(folderBytes(dir.path()), before);
    GridModel back;
    QVERIFY(back.LoadGrid(path, GridFileKind::All).ok);
}

QTEST_GUILESS_MAIN(TstGridDocument)
#include "tst_grid_document.moc"
