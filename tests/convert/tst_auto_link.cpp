// Auto-link: the example files link themselves as a person would link them
// by hand; titles are compared folded; items that may not be linked never are.
#include "model/app_state.h"
#include "convert/auto_link.h"
#include "convert/item_catalogue.h"
#include "platform/grid_model.h"

#include <QtTest>

using namespace tera;

using Pairs = QList<std::pair<int, int>>;
Q_DECLARE_METATYPE(Pairs)

namespace {

QStringList titlesOf(const QString &path)
{
    GridModel g;
    const GridResult r = g.LoadGrid(path, GridFileKind::Csv);
    if (!r.ok)
        return {};
    QStringList titles;
    for (int c = 0; c < g.Cols(); ++c)
        titles << g.TextMatrix(0, c);
    return titles;
}

QString example(const QString &name) { return QStringLiteral(TERA_SOURCE_DIR "/examples/") + name; }

} // namespace

class TestAutoLink : public QObject {
    Q_OBJECT

private slots:
    // Every title of every example finds its item; the pairs are the ones a
    // person makes by hand (the same as the command-line tests use).
    void examples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Pairs>("expected");
        const Pairs members{{0, 2},   {1, 8},   {2, 9},   {3, 10},  {4, 11},  {5, 12},  {6, 13},  {7, 14}, {8, 15},
                            {9, 31},  {10, 19}, {11, 37}, {12, 35}, {13, 36}, {14, 22}, {15, 21}, {16, 50}};
        const Pairs households{{0, 2}, {1, 3}, {2, 4}, {3, 5}, {4, 10}, {5, 8}, {6, 9}, {7, 19}, {8, 23}, {9, 31}, {10, 32}};
        const Pairs death{{0, 10}, {1, 9}, {2, 11}, {3, 1}, {4, 2}, {5, 7}, {6, 12}, {7, 13}, {8, 22}, {9, 23}, {10, 24}, {11, 25}};
        for (const char *enc : {"utf8", "cp932"}) {
            const QString e = QString::fromLatin1(enc);
            QTest::addRow("members %s", enc) << QStringLiteral("members.%1.csv").arg(e) << int(kOutMembers) << members;
            QTest::addRow("households %s", enc) << QStringLiteral("households.%1.csv").arg(e) << int(kOutHouseholds) << households;
            QTest::addRow("death %s", enc) << QStringLiteral("death-register.%1.csv").arg(e) << int(kOutDeathRegister) << death;
        }
    }
    void examples()
    {
        QFETCH(QString, file);
        QFETCH(int, kind);
        QFETCH(Pairs, expected);
        const QStringList titles = titlesOf(example(file));
        QVERIFY(!titles.isEmpty());
        const AutoLinkResult r = AutoLink(titles, qint16(kind));
        QCOMPARE(r.links, expected);
        QVERIFY2(r.unmatched.isEmpty(), qPrintable(r.unmatched.join(QLatin1Char(','))));
    }

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

        // A catalogue's own lines, as lstSelected shows them, link each to
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
