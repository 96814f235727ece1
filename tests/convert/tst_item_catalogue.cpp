// The item catalogue as the rules use it: which items may be linked, the
// positions that key the import table's columns, and how a rebuild treats
// the list it fills.
#include "convert/item_catalogue.h"

#include <QtTest>

using namespace tera;

class TestItemCatalogue : public QObject {
    Q_OBJECT

private slots:
    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("locked"); // keys and placeholders
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("slotCount");
        QTest::newRow("members") << 0 << QList<int>{0, 1, 5, 6, 20, 29, 30} << 52 << 53;
        QTest::newRow("households") << 1 << QList<int>{0, 1} << 33 << 34;
        QTest::newRow("death register") << 2 << QList<int>{0, 8, 20} << 27 << 27;
        QTest::newRow("unknown kind") << 3 << QList<int>{} << 0 << 0;
        QTest::newRow("negative kind") << -1 << QList<int>{} << 0 << 0;
    }
    void kinds()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, locked);
        QFETCH(int, lines);
        QFETCH(int, slotCount);
        // The list is only appended to; the catalogue is replaced.
        QList<CatalogueLine> list{{QStringLiteral("前の行"), 99}};
        Catalogue catalogue = CatalogueOf(2);
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QCOMPARE(list.size(), lines + 1);
        QCOMPARE(list.first(), (CatalogueLine{QStringLiteral("前の行"), 99}));
        QCOMPARE(catalogue.size(), slotCount);
        QCOMPARE(CatalogueOf(qint16(kind)).size(), slotCount);
        QList<int> got;
        for (int i = 0; i < lines; ++i) {
            QCOMPARE(list[i + 1].itemData, i); // a line's item data is its position
            QCOMPARE(catalogue[i].index, qint16(i));
            QVERIFY(!catalogue[i].name.isEmpty());
            if (catalogue[i].noLink)
                got << i;
        }
        QCOMPARE(got, locked);
        // The spare slot heads a column no line names: it can never be linked.
        for (int c = lines; c < slotCount; ++c)
            QVERIFY(catalogue[c].name.isEmpty() && catalogue[c].typeCode.isEmpty() && !catalogue[c].noLink);
    }

    // The two date items of the death register fill one field.
    void deathDatesShareOneField()
    {
        const Catalogue death = CatalogueOf(2);
        QCOMPARE(death.at(1).name, death.at(2).name);
    }
};

QTEST_GUILESS_MAIN(TestItemCatalogue)
#include "tst_item_catalogue.moc"
