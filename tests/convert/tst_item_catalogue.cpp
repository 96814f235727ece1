// The item catalogue: the numbers that saved link files, `--link` and the
// import table's columns depend on, the keys that may never be linked, and
// how a rebuild treats the list it fills.
#include "convert/item_catalogue.h"
#include "convert/output_items.h"

#include <QtTest>

using namespace tera;

class TestItemCatalogue : public QObject {
    Q_OBJECT

private slots:
    // A saved link names its item by number: an item inserted, removed or
    // renumbered would send every later link to another field. The last item
    // of each kind moves with any such change before it.
    void itemNumbersStay_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("item"); // the enum's value
        QTest::addColumn<int>("number"); // as link files saved it
        QTest::addColumn<QString>("name");
        QTest::newRow("member last") << 0 << int(itemNumber(MemberItem::SearchText)) << 51 << QStringLiteral("検索");
        QTest::newRow("household last") << 1 << int(itemNumber(HouseholdItem::SearchText)) << 32 << QStringLiteral("検索");
        QTest::newRow("posthumous name") << 2 << int(itemNumber(DeathItem::PosthumousName)) << 10 << QStringLiteral("戒名");
        QTest::newRow("death last") << 2 << int(itemNumber(DeathItem::SearchText)) << 26 << QStringLiteral("検索項目");
    }
    void itemNumbersStay()
    {
        QFETCH(int, kind);
        QFETCH(int, item);
        QFETCH(int, number);
        QFETCH(QString, name);
        QCOMPARE(item, number);
        const Catalogue catalogue = CatalogueOf(qint16(kind));
        QVERIFY(number < catalogue.size());
        QCOMPARE(catalogue.at(number).name, name);
        QCOMPARE(catalogue.at(number).index, qint16(number));
    }

    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("keys"); // never linked: a link would overwrite the row's identity
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("slotCount"); // the import table's columns
        QTest::newRow("members") << 0 << QList<int>{0, 1} << kMemberItemCount << 53;
        QTest::newRow("households") << 1 << QList<int>{0, 1} << kHouseholdItemCount << 34;
        QTest::newRow("death register") << 2 << QList<int>{0} << kDeathItemCount << 27;
        QTest::newRow("unknown kind") << 3 << QList<int>{} << 0 << 0;
    }
    void kinds()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, keys);
        QFETCH(int, lines);
        QFETCH(int, slotCount);
        // The list is only appended to; the catalogue is replaced.
        QList<CatalogueLine> list{{QStringLiteral("前の行"), 99}};
        Catalogue catalogue = CatalogueOf(2);
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QCOMPARE(list.size(), lines + 1);
        QCOMPARE(list.first(), (CatalogueLine{QStringLiteral("前の行"), 99}));
        QCOMPARE(catalogue.size(), slotCount);
        for (int key : keys)
            QCOMPARE(catalogue.at(key).noLink, qint16(1));
        // The spare slot heads a column no line names: it can never be linked.
        for (int c = lines; c < slotCount; ++c)
            QVERIFY(catalogue[c].name.isEmpty() && catalogue[c].typeCode.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestItemCatalogue)
#include "tst_item_catalogue.moc"
