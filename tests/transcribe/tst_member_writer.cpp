// The member procedures of D_KOJIN and the row procedures of the member and
// household imports.
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"
#include "fixture.h"

using namespace tera;

namespace {

// The member procedures that end the program on a failure.
enum class Ending { Write, Link, Delete, Living };

} // namespace

Q_DECLARE_METATYPE(Ending)

class TestMemberWriter : public QObject {
    Q_OBJECT

private slots:
    void registrationDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");     // valid: written as this date
        QTest::addColumn<QString>("asIs");   // otherwise: written unchanged, or "!" for unreadable
        QTest::newRow("empty") << "" << QDate(1999, 1, 1) << "";
        QTest::newRow("yyyymmdd") << "20030517" << QDate(2003, 5, 17) << "";
        QTest::newRow("yymmdd leading zero") << "030517" << QDate(2003, 5, 17) << "";
        QTest::newRow("yymmdd this year") << "250601" << QDate(2025, 6, 1) << "";
        QTest::newRow("yymmdd next year is past") << "260101" << QDate(1926, 1, 1) << "";
        QTest::newRow("yymmdd last century") << "991231" << QDate(1999, 12, 31) << "";
        QTest::newRow("full-width") << "２００３０５１７" << QDate(2003, 5, 17) << "";
        QTest::newRow("slashed") << "2003/05/17" << QDate() << "2003/05/17";
        QTest::newRow("other text") << "平成15年" << QDate() << "平成15年";
        QTest::newRow("month 13") << "20031345" << QDate() << "!";
        QTest::newRow("30 February") << "030230" << QDate() << "!";
        QTest::newRow("eight, no digits") << "H15.5.17" << QDate() << "!";
        QTest::newRow("year 3") << "00030517" << QDate() << "!";
    }
    void registrationDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QFETCH(QString, asIs);
        TestDb t;
        const QDate today(2025, 6, 1);
        if (asIs == QLatin1String("!")) {
            QVERIFY_THROWS_EXCEPTION(RowFailure, RegistrationDate(t.db(), text, today));
            return;
        }
        const QVariant expected = date.isValid() ? t.db().dateValue(date) : QVariant(asIs);
        QCOMPARE(RegistrationDate(t.db(), text, today), expected);
    }

    // Every column, the 本人 rule, the appended blanks; then an update of
    // the same KOJIN_NO that keeps ID and KOJIN_NO; then a date that is none.
    void writeKojinInsertsThenUpdates_data() { addRoutes(); }
    void writeKojinInsertsThenUpdates()
    {
        QFETCH(Route, route);
        Fixture f(route);
        f.t.db().insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("ID"), 40}, {QStringLiteral("KOJIN_NO"), QStringLiteral("other")}});
        MemberRec &r = f.row();
        r.KOJIN_NO = QStringLiteral("7");
        r.SETAI_NO = QStringLiteral("12");
        r.MEI = QStringLiteral("O'Brien");
        r.T_YMD = QStringLiteral("030517");
        r.sei = 1950;
        r.Memo = QStringLiteral(" memo ");
        r.連絡先氏名 = QStringLiteral("花子");
        r.寺番号 = 3;
        QVERIFY(WriteKojin(*f.ctx, f.records));
        QCOMPARE(r.ZOK_NM, QStringLiteral("本人"));
        // Memo is not trimmed; an empty 訪問先電話 still gets its blank.
        for (const QString &e : QStringList{"KOJIN_NO=7", "ID=41", "T_YMD=2003/05/17", "SETAI_NO=000012", "ZOK_CD=00", "ZOK_NM=本人",
                                            "sei=1950", "Memo= memo ", "寺番号=3", "連絡先氏名=花子 ", "訪問先電話= ", "LIF=0"}) {
            const QString c = e.section(u'=', 0, 0);
            QCOMPARE(c + u'=' + f.values("D_KOJIN", c, "[MEI] = ?", {QStringLiteral("O'Brien")}).join(u'|'), e);
        }

        r.KOJIN_NO = QStringLiteral(" 7 "); // found by its trimmed number
        r.MEI = QStringLiteral("O'Brien 二世");
        r.T_YMD.clear();
        QVERIFY(WriteKojin(*f.ctx, f.records));
        QCOMPARE(f.values("D_KOJIN", "MEI"), (QStringList{"<null>", "O'Brien 二世"}));
        QCOMPARE(f.values("D_KOJIN", "ID"), (QStringList{"40", "41"}));
        QCOMPARE(f.values("D_KOJIN", "KOJIN_NO"), (QStringList{"other", "7"}));
        QCOMPARE(f.values("D_KOJIN", "T_YMD", "[ID] = 41"), QStringList{"1999/01/01"});

        // A date that is none is the row's failure, not the program's end:
        // nothing is written and nothing shown.
        r.T_YMD = QStringLiteral("20031345");
        r.MEI = QStringLiteral("三世");
        QVERIFY_THROWS_EXCEPTION(RowFailure, WriteKojin(*f.ctx, f.records));
        QCOMPARE(f.values("D_KOJIN", "MEI"), (QStringList{"<null>", "O'Brien 二世"}));
        QVERIFY(f.prompt.texts().isEmpty());
    }

    void updateMemberLink_data() { addRoutes(); }
    void updateMemberLink()
    {
        QFETCH(Route, route);
        Fixture f(route);
        f.addMember(QStringLiteral("5"), QStringLiteral("故人"), QStringLiteral("000001"));
        f.t.db().insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("5")}, {QStringLiteral("ZOK_NM"), QStringLiteral("妻")}});
        MemberRec &r = f.row();
        r.KOJIN_NO = QStringLiteral("6");
        QVERIFY(!UpdateMemberLink(*f.ctx, f.records));

        r.KOJIN_NO = QStringLiteral("5");
        r.ZOK_CD = QStringLiteral("03");
        r.LIF = QStringLiteral("1");
        QVERIFY(UpdateMemberLink(*f.ctx, f.records)); // SETAI_NO empty: LIF stays
        QCOMPARE(f.values("D_KOJIN", "ZOK_CD"), (QStringList{"03", "<null>"}));
        QCOMPARE(f.values("D_KOJIN", "ZOK_NM"), (QStringList{"<null>", "妻"}));
        QCOMPARE(f.values("D_KOJIN", "LIF").first(), QStringLiteral("0"));

        r.SETAI_NO = QStringLiteral("000001");
        r.ZOK_CD.clear();
        QVERIFY(UpdateMemberLink(*f.ctx, f.records));
        QCOMPARE(f.values("D_KOJIN", "LIF").first(), QStringLiteral("1"));
        QCOMPARE(f.values("D_KOJIN", "ZOK_CD").first(), QStringLiteral("03"));
    }

    void findMemberByName_data() { addRoutes(); }
    void findMemberByName()
    {
        QFETCH(Route, route);
        Fixture f(route);
        f.addMember(QStringLiteral("8"), QStringLiteral("O'Brien"), QStringLiteral("12"), QStringLiteral("1"),
                    {{QStringLiteral("tel"), QStringLiteral("075-111")}, {QStringLiteral("YUBIN1"), QStringLiteral("60")},
                     {QStringLiteral("YUBIN2"), QStringLiteral("8216")}, {QStringLiteral("JYU"), QStringLiteral("京都市")},
                     {QStringLiteral("JYU_KA"), QStringLiteral("二階")}, {QStringLiteral("sei"), 1950}});
        f.addMember(QStringLiteral("9"), QStringLiteral("O'Brien"), QStringLiteral("000013"));
        MemberRec &r = f.row();
        KakoRec &k = f.records.entry;
        bool found = true;

        r.訪問先電話 = r.訪問先郵便 = r.訪問先住所 = r.訪問先氏名 = QStringLiteral("cell");
        QVERIFY(!FindMemberByName(*f.ctx, f.records, QStringLiteral("Brien"), 1, found));
        QVERIFY(!found);
        QCOMPARE(r.訪問先電話 + r.訪問先郵便 + r.訪問先住所, QString());
        QCOMPARE(r.訪問先氏名, QStringLiteral("cell"));

        // Deceased: the member record only, from the first row.
        QVERIFY(FindMemberByName(*f.ctx, f.records, QStringLiteral(" O'Brien "), 0, found));
        QVERIFY(found);
        QCOMPARE((QStringList{r.KOJIN_NO, r.SETAI_NO, r.訪問先郵便, r.訪問先住所, QString::number(r.sei), r.LIF}),
                 (QStringList{"8", "000012", "60-8216", "京都市", "1950", "0"})); // LIF not loaded
        QVERIFY(k.電話.isEmpty() && k.郵便.isEmpty() && k.住所.isEmpty());

        // Donor: the empty telephone, postal code and address lines of the
        // death record are filled; a given one stays.
        k.住所 = QStringLiteral("cell address");
        QVERIFY(FindMemberByName(*f.ctx, f.records, QStringLiteral("O'Brien"), 1));
        QCOMPARE((QStringList{k.電話, k.郵便, k.住所, k.住所2}), (QStringList{"075-111", "060-8216", "cell address", "二階"}));
    }

    // The end of the program: the critical message, then ProgramEndingFailure, with
    // the row marked failed so that the driver rolls it back.
    void memberFailureEndsProgram_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<Ending>("which");
        for (Route route : {Route::Direct, Route::Odbc}) {
            const QByteArray r = routeName(route).toLatin1();
            QTest::newRow(r + " write") << route << Ending::Write;
            QTest::newRow(r + " link") << route << Ending::Link;
            QTest::newRow(r + " delete") << route << Ending::Delete;
            QTest::newRow(r + " living") << route << Ending::Living;
        }
    }
    void memberFailureEndsProgram()
    {
        QFETCH(Route, route);
        QFETCH(Ending, which);
        Fixture f(route);
        f.t.db().execute(QStringLiteral("DROP TABLE [D_KOJIN]"));
        f.row().KOJIN_NO = QStringLiteral("1");
        switch (which) {
        case Ending::Write: QVERIFY_THROWS_EXCEPTION(ProgramEndingFailure, WriteKojin(*f.ctx, f.records)); break;
        case Ending::Link: QVERIFY_THROWS_EXCEPTION(ProgramEndingFailure, UpdateMemberLink(*f.ctx, f.records)); break;
        case Ending::Delete: QVERIFY_THROWS_EXCEPTION(ProgramEndingFailure, DeleteKojinByName(*f.ctx, "x")); break;
        case Ending::Living: QVERIFY_THROWS_EXCEPTION(ProgramEndingFailure, LivingMemberOf(*f.ctx, f.records, "1")); break;
        }
        QCOMPARE(f.prompt.texts(), QStringList{kMemberDbFailure});
        QCOMPARE(f.prompt.shown().first().icon, Icon::Critical);
        QCOMPARE(f.ctx->rowFailures.size(), 1);
        // A failed lookup is no "not found": it stops the row, silently.
        QVERIFY_THROWS_EXCEPTION(RowFailure, FindMemberByName(*f.ctx, f.records, QStringLiteral("x"), 0));
        QVERIFY_THROWS_EXCEPTION(RowFailure, GetSetaiNoOf(*f.ctx, QStringLiteral("x")));
        QCOMPARE(f.prompt.shown().size(), 1);
    }

    // The household import row: skips, the pre-delete number, and a head
    // already a member elsewhere, whose references follow to the new number.
    void householdRow_data() { addRoutes(); }
    void householdRow()
    {
        QFETCH(Route, route);
        Fixture f(route);
        MemberRec &r = f.row();
        QVERIFY(!WriteHouseholdImportRow(*f.ctx, f.records, QString()).written);

        f.addMember(QStringLiteral("5"), QStringLiteral("O'Brien"), QStringLiteral("000007"), QStringLiteral("0"), {{QStringLiteral("ID"), 5}});
        f.addMember(QStringLiteral("6"), QStringLiteral("妻"), QStringLiteral("000007"), QStringLiteral("0"), {{QStringLiteral("ID"), 6}});
        f.t.db().insert(QStringLiteral("D_OMAIRI"), {{QStringLiteral("世帯CD"), QStringLiteral("000007")}});
        r.MEI = QStringLiteral("O'Brien");
        r.JYU = QStringLiteral("京都市");
        QVERIFY(WriteHouseholdImportRow(*f.ctx, f.records, QStringLiteral("42")).written);
        QCOMPARE(f.values("D_SETAI", "SETAI_NO"), QStringList{"000042"});
        QCOMPARE(f.values("D_SETAI", "住所1"), QStringList{"京都市"});
        QCOMPARE(f.values("D_OMAIRI", "世帯CD"), QStringList{"000042"});
        QCOMPARE(f.values("D_KOJIN", "KOJIN_NO"), (QStringList{"6", "7"})); // written anew as the next member
        QCOMPARE(f.values("D_KOJIN", "SETAI_NO"), (QStringList{"000042", "000042"}));
        QCOMPARE(f.values("D_KOJIN", "ZOK_NM", "[MEI] = ?", {r.MEI}), QStringList{"本人"});

        // The next household continues from the table; an existing head is
        // skipped and changes nothing.
        ResetRowRecords(f.records);
        r.MEI = QStringLiteral("山田");
        QVERIFY(WriteHouseholdImportRow(*f.ctx, f.records, QStringLiteral("42")).written);
        QCOMPARE(f.values("D_SETAI", "SETAI_NO"), (QStringList{"000042", "000002"}));
        ResetRowRecords(f.records);
        r.MEI = QStringLiteral("O'Brien");
        r.JYU = QStringLiteral("大阪市");
        const RowWriteResult again = WriteHouseholdImportRow(*f.ctx, f.records, QString());
        QVERIFY(!again.written);
        QVERIFY(again.skipReason.contains(QStringLiteral("O'Brien")));
        QCOMPARE(f.values("D_SETAI", "住所1").first(), QStringLiteral("京都市"));
        QCOMPARE(f.values("D_KOJIN", "ID").size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMemberWriter)
#include "tst_member_writer.moc"
