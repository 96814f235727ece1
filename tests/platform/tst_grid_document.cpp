#include "file_faults.h"
#include "platform/grid_model.h"

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
void importTable(GridModel &g)
{
    const Rows rows{{"", "戒名", "俗名", "没年月日", "備考"},
                    {"1", "釋浄念信士", "髙橋 一郎", "令和1年5月1日", "法要済, 墓地A-12"},
                    {"2", "", "\"渡辺\"", "", "改行\r\nあり\tタブ"},
                    {"3", "①", "", "", ""},
                    {"4", "", "", "", ""}};
    g.setCols(5);
    g.setRows(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            g.setTextMatrix(r, c, rows[r][c]);
    g.setFixedRows(1);
    g.setFixedCols(1);
    g.setRowHeight(-1, 320);
    g.setRowHeight(2, 640);
    g.setColWidth(0, 500);
    g.setColWidth(4, 4000);
    g.setColSort(2, SortCustom);
    g.setColSort(3, SortNumericDescending);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TstGridDocument : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void formattingOnlyLeavesTextsAlone();
    void emptyTable();
    void badDocuments_data();
    void badDocuments();
    void kindMustMatchTheDocument();
    void failedSaveKeepsTheOldFile();
    void writeFaultsKeepTheOldFile_data() { FaultyFolder::addRows(); }
    void writeFaultsKeepTheOldFile();
};

void TstGridDocument::roundTrip_data()
{
    QTest::addColumn<GridFileKind>("kind");
    QTest::addColumn<GridFileKind>("loadAs");
    QTest::newRow("0 everything") << GridFileKind::All << GridFileKind::All;
    QTest::newRow("1 texts") << GridFileKind::TextsOnly << GridFileKind::TextsOnly;
    // Kind 0 takes what the document has: texts only, formatting left alone.
    QTest::newRow("1 texts, read as 0") << GridFileKind::TextsOnly << GridFileKind::All;
    QTest::newRow("2 formatting") << GridFileKind::FormatOnly << GridFileKind::FormatOnly;
    QTest::newRow("3 comma-separated") << GridFileKind::Csv << GridFileKind::Csv;
    QTest::newRow("4 tab-separated") << GridFileKind::Tsv << GridFileKind::Tsv;
}

void TstGridDocument::roundTrip()
{
    QFETCH(GridFileKind, kind);
    QFETCH(GridFileKind, loadAs);
    GridModel saved;
    importTable(saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("インポート.vsg"));
    const GridResult s = saved.SaveGrid(path, kind);
    QVERIFY2(s.ok, qPrintable(s.message));

    // Loaded into a grid shaped as the import table window makes it.
    GridModel loaded;
    loaded.setCols(10);
    loaded.setRows(50);
    loaded.setFixedRows(1);
    loaded.setFixedCols(1);
    if (kind == GridFileKind::FormatOnly) {
        loaded.setCols(saved.Cols());
        loaded.setRows(saved.Rows());
    }
    loaded.setColWidth(4, 1234);
    const GridResult l = loaded.LoadGrid(path, loadAs);
    QVERIFY2(l.ok && l.message.isEmpty(), qPrintable(l.message));
    if (kind != GridFileKind::FormatOnly)
        QCOMPARE(texts(loaded), texts(saved));
    if (kind == GridFileKind::All || kind == GridFileKind::FormatOnly)
        QCOMPARE(formatting(loaded), formatting(saved));
    else
        QCOMPARE(loaded.ColWidth(4), 1234);
}

void TstGridDocument::formattingOnlyLeavesTextsAlone()
{
    GridModel saved;
    importTable(saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.vsg"));
    QVERIFY(saved.SaveGrid(path, GridFileKind::FormatOnly).ok);
    GridModel loaded;
    loaded.setCols(2);
    loaded.setRows(3);
    loaded.setTextMatrix(2, 1, QStringLiteral("残る"));
    QVERIFY(loaded.LoadGrid(path, GridFileKind::FormatOnly).ok);
    QCOMPARE(loaded.Rows(), 3);
    QCOMPARE(loaded.Cols(), 2);
    QCOMPARE(loaded.TextMatrix(2, 1), QStringLiteral("残る"));
    QCOMPARE(loaded.RowHeight(2), 640);
    QCOMPARE(loaded.ColWidth(0), 500);
    QCOMPARE(loaded.FixedCols(), 1);
}

void TstGridDocument::emptyTable()
{
    QTemporaryDir dir;
    for (GridFileKind kind : {GridFileKind::All, GridFileKind::Csv}) {
        GridModel empty;
        const QString path = dir.filePath(QStringLiteral("empty%1").arg(int(kind)));
        QVERIFY(empty.SaveGrid(path, kind).ok);
        GridModel loaded;
        loaded.setCols(3);
        loaded.setRows(3);
        QVERIFY(loaded.LoadGrid(path, kind).ok);
        QCOMPARE(loaded.Rows(), 0);
        QCOMPARE(loaded.Cols(), 0);
    }
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
    QTest::newRow("header only") << good.left(20) << damaged;
    QTest::newRow("cut among the rows") << good.left(good.size() / 2) << damaged;
    QTest::newRow("trailer lost") << good.chopped(8) << damaged;
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
    writeAll(path, bytes);
    GridModel g;
    g.setCols(2);
    g.setRows(2);
    g.setTextMatrix(1, 1, QStringLiteral("元のまま"));
    g.setColWidth(1, 999);
    for (GridFileKind kind : {GridFileKind::All, GridFileKind::TextsOnly, GridFileKind::FormatOnly}) {
        const GridResult r = g.LoadGrid(path, kind);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(says) && r.message.contains(QStringLiteral("壊れた.vsg")), qPrintable(r.message));
        QCOMPARE(texts(g), (Rows{{"", ""}, {"", "元のまま"}}));
        QCOMPARE(g.ColWidth(1), 999);
    }
}

void TstGridDocument::kindMustMatchTheDocument()
{
    GridModel g;
    importTable(g);
    QTemporaryDir dir;
    const QString texts = dir.filePath(QStringLiteral("texts.vsg"));
    const QString format = dir.filePath(QStringLiteral("format.vsg"));
    QVERIFY(g.SaveGrid(texts, GridFileKind::TextsOnly).ok);
    QVERIFY(g.SaveGrid(format, GridFileKind::FormatOnly).ok);
    GridModel loaded;
    loaded.setCols(1);
    loaded.setRows(1);
    QVERIFY(!loaded.LoadGrid(texts, GridFileKind::FormatOnly).ok);
    const GridResult r = loaded.LoadGrid(format, GridFileKind::TextsOnly);
    QVERIFY(!r.ok);
    QVERIFY(r.message.contains(QStringLiteral("format.vsg")));
    QCOMPARE(loaded.Rows(), 1);
    QCOMPARE(loaded.ColWidth(0), GridModel::kDefaultColWidth);
}

void TstGridDocument::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.vsg"));
    GridModel g;
    importTable(g);
    QVERIFY(g.SaveGrid(path, GridFileKind::All).ok);
    const QByteArray before = readAll(path);
    QVERIFY(!g.SaveGrid(path, GridFileKind(5)).ok);
    QVERIFY(!g.SaveGrid(dir.filePath(QStringLiteral("missing/dir/x.vsg")), GridFileKind::All).ok);
    QCOMPARE(readAll(path), before);
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
    const GridResult r = g.SaveGrid(path, GridFileKind::All);
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
