// Household numbers, the D_SETAI row, the lookup by head and the M_お参り
// selection.
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"
#include "fixture.h"

using namespace tera;

class TestHouseholdWriter : public QObject {
    Q_OBJECT

private slots:

    // A new number adds a row, trimmed, empty columns left to their defaults.
    void writeSetaiAddsThenEdits_data() { addRoutes(); }
    void writeSetaiAddsThenEdits()
    {
        QFETCH(Route, route);
        Fixture f(route);
        MemberRec &r = f.row();
        r.SETAI_NO = QStringLiteral("12");
        r.世帯主名 = QStringLiteral(" O'Brien ");
        r.MEI_KA = QStringLiteral(" ｵﾌﾞﾗｲｴﾝ ");
        r.JYU = QStringLiteral(" 京都市 ");
        r.連絡先郵便 = QStringLiteral("600-8216 ");
        r.寺番号 = 7;
        QVERIFY(WriteSetai(*f.ctx, f.records));
        QCOMPARE(f.values("D_SETAI", "SETAI_NO"), QStringList{"000012"});
        QCOMPARE(f.values("D_SETAI", "世帯主名"), QStringList{" O'Brien "}); // as it stands
        QCOMPARE(f.values("D_SETAI", "カナ"), QStringList{"ｵﾌﾞﾗｲｴﾝ"});
        QCOMPARE(f.values("D_SETAI", "住所1"), QStringList{"京都市"});
        QCOMPARE(f.values("D_SETAI", "連絡先〒"), QStringList{"600-8216"});
        QCOMPARE(f.values("D_SETAI", "寺番号"), QStringList{"7"});
        QCOMPARE(f.values("D_SETAI", "tel"), QStringList{"<null>"}); // empty: the column's default

        // An existing number is edited: only non-empty staged columns change,
        // plus SETAI_NO and 寺番号; of two rows with the number, only the first.
        const Columns old{{QStringLiteral("tel"), QStringLiteral("075-1")},
                          {QStringLiteral("住所1"), QStringLiteral("旧住所")},
                          {QStringLiteral("寺番号"), 5},
                          {QStringLiteral("地区"), QStringLiteral("東")}};
        f.addHousehold(QStringLiteral("山田"), QStringLiteral("000003"), old);
        f.addHousehold(QStringLiteral("山田二"), QStringLiteral("000003"), old);
        ResetRowRecords(f.records);
        r.SETAI_NO = QStringLiteral("3");
        r.JYU = QStringLiteral("新住所");
        QVERIFY(WriteSetai(*f.ctx, f.records));
        const QString mine = QStringLiteral("[SETAI_NO] = '000003'");
        QCOMPARE(f.values("D_SETAI", "世帯主名", mine), (QStringList{"山田", "山田二"}));
        QCOMPARE(f.values("D_SETAI", "住所1", mine), (QStringList{"新住所", "旧住所"}));
        QCOMPARE(f.values("D_SETAI", "tel", mine), (QStringList{"075-1", "075-1"}));
        QCOMPARE(f.values("D_SETAI", "地区", mine), (QStringList{"東", "東"}));
        QCOMPARE(f.values("D_SETAI", "寺番号", mine), (QStringList{"0", "5"}));
    }

    void findSetaiByHead_data() { addRoutes(); }
    void findSetaiByHead()
    {
        QFETCH(Route, route);
        Fixture f(route);
        f.addHousehold(QStringLiteral("O'Brien"), QStringLiteral("000004"),
                       {{QStringLiteral("訪問先住所"), QStringLiteral("大阪市")}, {QStringLiteral("地区"), QStringLiteral("北")}});
        f.addHousehold(QStringLiteral("O'Brien"), QStringLiteral("000009"));
        f.addMember(QStringLiteral("20"), QString(), QStringLiteral("000004"), QStringLiteral("1"));
        f.addMember(QStringLiteral("21"), QString(), QStringLiteral("000004"), QStringLiteral("0"));
        MemberRec &r = f.row();
        r.訪問先氏名 = QStringLiteral("from cell");
        r.検索 = QStringLiteral("from cell");

        QVERIFY(!FindSetaiByHead(*f.ctx, f.records, QStringLiteral("O'Bri")));
        QVERIFY(FindSetaiByHead(*f.ctx, f.records, QStringLiteral("  O'Brien ")));
        QCOMPARE(r.SETAI_NO, QStringLiteral("000004"));
        QCOMPARE(r.訪問先住所, QStringLiteral("大阪市"));
        QCOMPARE(r.訪問先氏名, QStringLiteral("from cell")); // Null keeps the staged value
        QCOMPARE(r.地区, QStringLiteral("北"));
        QCOMPARE(r.検索, QString());                         // Null empties it
        QCOMPARE(r.KOJIN_NO, QStringLiteral("21"));          // the first living member

        f.addHousehold(QStringLiteral("空き家"), QStringLiteral("000010"));
        r.KOJIN_NO = QStringLiteral("99");
        QVERIFY(FindSetaiByHead(*f.ctx, f.records, QStringLiteral("空き家")));
        QCOMPARE(r.KOJIN_NO, QStringLiteral("99")); // nobody living: unchanged
        QVERIFY(f.prompt.texts().isEmpty());
    }

    void writeOmairiSelection_data() { addRoutes(); }
    void writeOmairiSelection()
    {
        QFETCH(Route, route);
        Fixture f(route);
        for (const char *h : {"000042", "000042", "000043"})
            f.t.db().insert(QStringLiteral("M_お参り"), {{QStringLiteral("世帯CD"), QString::fromLatin1(h)},
                                                      {QStringLiteral("お参りCD"), 99}});
        QVERIFY(WriteOmairiSelection(*f.ctx, f.records, 42));
        const QString mine = QStringLiteral("[世帯CD] = '000042'");
        QStringList all;
        for (int i = 1; i <= 17; ++i)
            all << QString::number(i);
        QCOMPARE(f.values("M_お参り", "お参りCD", mine), all);
        QCOMPARE(f.values("M_お参り", "お参り名称", mine).at(5), f.ctx->master.services[6].NM);
        QCOMPARE(f.values("M_お参り", "選択", mine), QStringList(17, "1"));
        QCOMPARE(f.values("M_お参り", "KSEI", mine), QStringList(17, "2"));
        QCOMPARE(f.values("M_お参り", "指定曜日", mine), QStringList(17, "0"));
        QCOMPARE(f.values("M_お参り", "お参りCD", "[世帯CD] = '000043'"), QStringList{"99"});

        // Flags other than 1 write no row and are cleared.
        KakoRec &k = f.records.entry;
        k.omairiFlag[3] = 0;
        k.omairiFlag[5] = 2;
        QVERIFY(WriteOmairiSelection(*f.ctx, f.records, 42));
        QCOMPARE(f.values("M_お参り", "お参りCD", mine).size(), 15);
        QVERIFY(!f.values("M_お参り", "お参りCD", mine).contains("5"));
        QCOMPARE(k.omairiFlag[5], qint16(0));
        QCOMPARE(k.omairiFlag[0], qint16(1)); // 0 is not this selection's
    }

    // D_SETAI unreadable: a head lookup that fails is no "not found", the
    // member and household rows stop there, before a new household number
    // is even drawn, silently, and the failure names the lookup. The other
    // procedures report their failure and give their empty result; the row
    // is marked failed so that the driver keeps nothing of it.
    void failuresAreReported_data() { addRoutes(); }
    void failuresAreReported()
    {
        QFETCH(Route, route);
        Fixture f(route);
        f.t.db().execute(QStringLiteral("DROP TABLE [D_SETAI]"));
        f.t.db().execute(QStringLiteral("DROP TABLE [M_お参り]"));
        f.row().MEI = QStringLiteral("山田");
        QVERIFY_THROWS_EXCEPTION(RowFailure, WriteMemberImportRow(*f.ctx, f.records));
        QVERIFY_THROWS_EXCEPTION(RowFailure, WriteHouseholdImportRow(*f.ctx, f.records, QString()));
        QCOMPARE(f.ctx->rowFailures.size(), 2); // neither the numbering nor the write was tried
        for (const QString &failure : std::as_const(f.ctx->rowFailures))
            QVERIFY2(failure.startsWith(QStringLiteral("D_SETAI の世帯主「山田」の検索に失敗しました")), qPrintable(failure));
        QVERIFY(f.prompt.shown().isEmpty());
        QVERIFY(f.values("D_KOJIN", "KOJIN_NO").isEmpty());

        f.ctx->rowFailures.clear();
        f.row().SETAI_NO = QStringLiteral("000001");
        QCOMPARE(NextSetaiNo(*f.ctx), 0);
        QVERIFY(!WriteSetai(*f.ctx, f.records));
        QVERIFY(!WriteOmairiSelection(*f.ctx, f.records, 1));
        QCOMPARE(f.ctx->rowFailures.size(), 3);
        QCOMPARE(f.prompt.shown().size(), 3);
        for (const auto &shown : f.prompt.shown()) {
            QVERIFY2(shown.text.startsWith(QStringLiteral("ErrCode = ")), qPrintable(shown.text));
            QCOMPARE(shown.icon, Icon::Exclamation);
        }
    }
};

QTEST_GUILESS_MAIN(TestHouseholdWriter)
#include "tst_household_writer.moc"
