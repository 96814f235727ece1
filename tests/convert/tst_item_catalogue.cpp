// The item catalogue of the three output kinds: which items may be linked
// and the shape of the lists. (The labels are checked against the example
// files' titles elsewhere.)
#include "convert/item_catalogue.h"

#include <QtTest>

using namespace tera;

class TestItemCatalogue : public QObject {
    Q_OBJECT

private slots:
    // Keys and placeholders may never be linked; every other item may.
    void linkableItems_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("locked");
        QTest::newRow("members") << 0 << QList<int>{0, 1, 5, 6, 20, 29, 30};
        QTest::newRow("households") << 1 << QList<int>{0, 1};
        QTest::newRow("death register") << 2 << QList<int>{0, 8, 20};
    }
    void linkableItems()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, locked);
        QList<CatalogueLine> list;
        Catalogue catalogue;
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QList<int> got;
        for (int i = 0; i < list.size(); ++i) {
            const ItemRec &r = catalogue.at(i);
            QCOMPARE(r.index, qint16(i));
            QCOMPARE(r.column, qint16(0));
            QVERIFY2(!r.name.isEmpty() && !list[i].label.isEmpty(), qPrintable(QString::number(i)));
            if (r.noLink == 1)
                got << i;
            else
                QCOMPARE(r.noLink, qint16(0));
        }
        QCOMPARE(got, locked);
    }

    // The spots other code relies on: the date items share one field name,
    // the spare member items have no type.
    void sampleItems()
    {
        const Catalogue death = CatalogueOf(2), members = CatalogueOf(0);
        QCOMPARE(death.at(1).name, death.at(2).name);
        QCOMPARE(death.at(26).width, qint16(256));
        QCOMPARE(members.at(2).typeCode, QStringLiteral("DATE"));
        QCOMPARE(members.at(29).typeCode, QString());
        QCOMPARE(members.at(29).width, qint16(0));
        QCOMPARE(members.at(51).name, QStringLiteral("検索"));
    }

    void shapeOfEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("slotCount");
        QTest::newRow("members") << 0 << 52 << 53;
        QTest::newRow("households") << 1 << 33 << 34;
        QTest::newRow("death register") << 2 << 27 << 27;
    }
    void shapeOfEachKind()
    {
        QFETCH(int, kind);
        QFETCH(int, lines);
        QFETCH(int, slotCount);
        QList<CatalogueLine> list;
        Catalogue catalogue;
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QCOMPARE(list.size(), lines);
        QCOMPARE(catalogue.size(), slotCount);
        for (int i = 0; i < lines; ++i)
            QCOMPARE(list[i].itemData, i);
        // The spare slot heads an import table column but can never be linked
        // to: no line names it, and it is an empty record.
        for (int c = lines; c < slotCount; ++c) {
            const ItemRec &r = catalogue[c];
            QVERIFY(r.name.isEmpty());
            QVERIFY(r.typeCode.isEmpty());
            QCOMPARE(r.noLink, qint16(0));
            QCOMPARE(r.index, qint16(0));
            QCOMPARE(r.width, qint16(0));
        }
        QCOMPARE(CatalogueOf(qint16(kind)).size(), slotCount);
    }

    void rebuildReplacesCatalogueButOnlyAppendsLines()
    {
        QList<CatalogueLine> list{{QStringLiteral("前の行"), 99}};
        Catalogue catalogue;
        BuildItemCatalogue(list, 0, catalogue);
        QCOMPARE(catalogue.size(), 53);
        QCOMPARE(list.size(), 53);
        QCOMPARE(list[0].label, QStringLiteral("前の行"));

        list.clear();
        BuildItemCatalogue(list, 1, catalogue);
        QCOMPARE(catalogue.size(), 34);
        QCOMPARE(list.size(), 33);
        QCOMPARE(list.last().itemData, 32);
        QCOMPARE(catalogue[2].name, QStringLiteral("世帯主名"));
    }

    void otherKindsLeaveNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("-1") << -1;
        QTest::newRow("3") << 3;
        QTest::newRow("32767") << 32767;
    }
    void otherKindsLeaveNothing()
    {
        QFETCH(int, kind);
        QList<CatalogueLine> list{{QStringLiteral("残る行"), 7}};
        Catalogue catalogue = CatalogueOf(2);
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QVERIFY(catalogue.isEmpty());
        QCOMPARE(list, (QList<CatalogueLine>{{QStringLiteral("残る行"), 7}}));
    }
};

QTEST_GUILESS_MAIN(TestItemCatalogue)
#include "tst_item_catalogue.moc"
