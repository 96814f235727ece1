// The fill through the import table: the rows come numbered as the clerk
// sees them, with or without a title line, and the table stays a view of
// the grid the windows edit.
#include "convert/item_catalogue.h"
#include "model/import_table.h"
#include "model/run_settings.h"
#include "model/source_table.h"
#include "platform/grid_model.h"
#include "transcribe/import_table_fill.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

class TestImportTableFill : public QObject {
    Q_OBJECT
private slots:
    void numbersRowsAsShown_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("titleRows");
        QTest::newRow("no lines") << 0 << 0;
        QTest::newRow("title line only") << 1 << 1;
        QTest::newRow("three lines") << 3 << 0;
        QTest::newRow("title and three lines") << 4 << 1;
    }
    void numbersRowsAsShown()
    {
        QFETCH(int, lines);
        QFETCH(int, titleRows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("source.csv"));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        GridModel source;
        source.setRows(lines);
        source.setCols(2);
        for (int r = 0; r < lines; ++r)
            source.setTextMatrix(r, 1, QStringLiteral("line %1").arg(r));
        const Catalogue catalogue = CatalogueOf(kOutDeathRegister);
        GridModel grid;
        ImportTable table(grid);
        table.clear();
        QString sourcePath;
        const FillResult filled = FillImportTable(QStringLiteral(" ") + path, catalogue, SourceTable(source),
                                                  {{1, 3}}, qint16(titleRows), table, sourcePath);
        QVERIFY2(filled.ok, qPrintable(filled.message));
        QCOMPARE(sourcePath, path);
        const int rows = lines - titleRows;
        QCOMPARE((QList<int>{filled.rowsFilled, table.rowCount(), grid.Rows() - 1}), QList<int>(3, rows));
        QCOMPARE(table.columnCount(), int(catalogue.size()));
        QCOMPARE(table.heading(3), catalogue.at(3).name);
        for (int r = 1; r <= rows; ++r) {
            QCOMPARE(table.text(r, 0), QString::number(r));
            QCOMPARE(table.text(r, 3), QStringLiteral("line %1").arg(r - 1 + titleRows));
        }
        // The clerk's edit in the grid is what the run reads, and the
        // other way round: one table, not a copy.
        if (rows > 0) {
            grid.setTextMatrix(rows, 3, QStringLiteral("edited"));
            QCOMPARE(table.text(rows, 3), QStringLiteral("edited"));
            table.setText(rows, 4, QStringLiteral("filled"));
            QCOMPARE(grid.TextMatrix(rows, 4), QStringLiteral("filled"));
        }
    }
};

QTEST_GUILESS_MAIN(TestImportTableFill)
#include "tst_import_table_fill.moc"
