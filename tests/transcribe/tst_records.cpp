// The row records: their reset before every row (a row inherits nothing of
// the one before but the entry number) and the blank-for-empty rule of the
// death-register tables.
#include "transcribe/kako_rnd.h"
#include "transcribe/records.h"

#include <QtTest>

using namespace tera;

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void resetLeavesNothingOfThePreviousRow()
    {
        // A death record read from bytes that are all '1': no field keeps its
        // default, whatever fields the record holds.
        RowRecords used;
        used.entry = DecodeKakoRec(QByteArray(int(kKakoRecordBytes), '1'));
        used.entry.過去CD = 42;
        used.member.MEI = QStringLiteral("髙橋");
        used.member.JYU = QStringLiteral("前の行の住所");
        used.member.LIF = QStringLiteral("1");
        used.member.sei = 1950;
        used.statedEra.decided = true;
        used.anniversaryDates.fill(QStringLiteral("2003/05/17"));
        ResetRowRecords(used);

        // The entry number stays (the death-row step numbers the entry);
        // every service and anniversary row the record can name is written.
        KakoRec expected;
        expected.過去CD = 42;
        std::fill(expected.omairiFlag.begin(), expected.omairiFlag.begin() + 18, qint16(1));
        std::fill(expected.kaikiFlag.begin(), expected.kaikiFlag.begin() + 31, qint16(1));
        QCOMPARE(EncodeKakoRec(used.entry), EncodeKakoRec(expected));

        QVERIFY(used.member.MEI.isEmpty() && used.member.JYU.isEmpty() && used.member.sei == 0);
        QCOMPARE((QStringList{used.member.ZOK_CD, used.member.LIF, used.member.Kankei}),
                 (QStringList{QStringLiteral("00"), QStringLiteral("0"), QStringLiteral("0")}));
        QVERIFY(!used.statedEra.decided);
        for (const QString &d : std::as_const(used.anniversaryDates))
            QVERIFY(d.isEmpty());
    }

    // Blanks of every kind are no text; a name keeps its inner blank.
    void blankForEmpty()
    {
        for (const QString &blank : {QString(), QStringLiteral("\t\r\n"), QStringLiteral("\u3000")})
            QCOMPARE(BlankForEmpty(blank), QStringLiteral(" "));
        QCOMPARE(BlankForEmpty(QStringLiteral("  髙橋　一郎  ")), QStringLiteral("髙橋　一郎"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
