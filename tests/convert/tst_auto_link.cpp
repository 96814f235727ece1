// Auto-link: titles are compared folded; items that may not be linked never
// are. (The examples linking themselves is shown through the import session.)
#include "model/app_state.h"
#include "convert/auto_link.h"
#include "convert/item_catalogue.h"

#include <QtTest>

using namespace tera;

using Pairs = QList<std::pair<int, int>>;
Q_DECLARE_METATYPE(Pairs)

class TestAutoLink : public QObject {
    Q_OBJECT

private slots:
    // Titles as other systems write them: width forms, blanks around them,
    // field names instead of labels.
    void folding_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("slot");
        QTest::newRow("half-width katakana label") << QStringLiteral("世帯カナ") << int(kOutHouseholds) << 3;
        QTest::newRow("full-width letters") << QStringLiteral("ＦＡＸ（ｘｘｘ－ｘｘｘ－ｘｘｘｘ）") << int(kOutHouseholds) << 5;
        QTest::newRow("half-width digit for a full-width one") << QStringLiteral("住所2") << int(kOutMembers) << 36;
        QTest::newRow("blanks around, ideographic too") << QStringLiteral("　 戒名 　") << int(kOutDeathRegister) << 10;
        QTest::newRow("field name, not label") << QStringLiteral("享年") << int(kOutDeathRegister) << 7;
        QTest::newRow("field name shared by two items: the first") << QStringLiteral("没年月日") << int(kOutDeathRegister) << 1;
        QTest::newRow("half-width label of a full-width name") << QStringLiteral("ﾖﾐ") << int(kOutDeathRegister) << 9;
        QTest::newRow("label with half-width kana") << QStringLiteral("戒名ﾖﾐｶﾅ--(ｱｲｳの形式)") << int(kOutDeathRegister) << 9;
    }
    void folding()
    {
        QFETCH(QString, title);
        QFETCH(int, kind);
        QFETCH(int, slot);
        const AutoLinkResult r = AutoLink({title}, qint16(kind));
        QCOMPARE(r.links, (Pairs{{0, slot}}));
    }

    // Keys and placeholders are never linked, whatever the title says; an
    // item is linked once; columns and items already linked are left alone.
    void neverTwiceNeverLocked()
    {
        const QStringList titles{QStringLiteral("過去帳管理番号--リンク不可"), QStringLiteral("過去CD"), QStringLiteral("享年和"),
                                 QStringLiteral("戒名"),   QStringLiteral("戒名"), QStringLiteral(""),
                                 QStringLiteral("俗名"),   QStringLiteral("施主名"), QStringLiteral("世帯ＩＤ")};
        AutoLinkResult r = AutoLink(titles, kOutDeathRegister);
        QCOMPARE(r.links, (Pairs{{3, 10}, {6, 11}, {7, 12}}));
        QCOMPARE(r.unmatched, (QStringList{QStringLiteral("過去帳管理番号--リンク不可"), QStringLiteral("過去CD"),
                                           QStringLiteral("享年和"), QStringLiteral("戒名"), QStringLiteral("世帯ＩＤ")}));

        r = AutoLink(titles, kOutDeathRegister, /*takenColumns*/ {6}, /*takenSlots*/ {12});
        QCOMPARE(r.links, (Pairs{{3, 10}}));

        // A catalogue's own lines, as the list of chosen items shows them, link each to
        // itself: no label is unreachable.
        for (qint16 kind : {kOutMembers, kOutHouseholds, kOutDeathRegister}) {
            QList<CatalogueLine> lines;
            Catalogue cat;
            BuildItemCatalogue(lines, kind, cat);
            for (const CatalogueLine &line : lines) {
                const AutoLinkResult one = AutoLink({line.label}, kind);
                if (cat.at(line.itemData).noLink == 1) {
                    for (const auto &[column, slot] : one.links)
                        QVERIFY(cat.at(slot).noLink == 0);
                } else if (!one.links.isEmpty()) {
                    QCOMPARE(cat.at(one.links.first().second).name, cat.at(line.itemData).name);
                } else {
                    QFAIL(qPrintable(line.label));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestAutoLink)
#include "tst_auto_link.moc"
