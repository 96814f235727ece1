// The working records: their reset before every row, the blank-for-empty
// rule and the error report of the record writers.
#include "platform/db_error.h"
#include "scripted_prompt.h"
#include "transcribe/records.h"

#include <QtTest>

using namespace tera;

namespace {

// Every field of both records set to something that is no default.
WorkRecords dirtyRecords()
{
    WorkRecords w;
    MemberRec &r = w.gRow;
    for (QString *s : {&r.KOJIN_NO, &r.T_YMD, &r.取消日, &r.SETAI_NO, &r.世帯主名, &r.ZOK_CD, &r.ZOK_NM, &r.MEI, &r.MEI_KA,
                       &r.SEX, &r.NenGo, &r.KEITAI, &r.LIF, &r.Memo, &r.SYOKU, &r.KINMU_MEI, &r.BUKA, &r.KINMU_JYU,
                       &r.KINMU_TEL, &r.NAI_TEL, &r.KINMU_MEMO, &r.Kankei, &r.tel, &r.FAX, &r.YUBIN1, &r.YUBIN2, &r.JYU,
                       &r.JYU_KA, &r.KETO, &r.KBUTU, &r.KHOSI, &r.連絡先氏名, &r.連絡先郵便, &r.連絡先住所, &r.連絡先住所２,
                       &r.連絡先電話, &r.連絡先ＦＡＸ, &r.訪問先氏名, &r.訪問先郵便, &r.訪問先住所, &r.訪問先住所２, &r.訪問先電話,
                       &r.訪問先ＦＡＸ, &r.地区, &r.検索})
        *s = QStringLiteral("髙橋");
    for (qint16 *i : {&r.ZOK_ID, &r.sei, &r.NENGO_NEN, &r.tuki, &r.Hi, &r.曜日指定})
        *i = 7;
    r.寺番号 = 70000;

    KakoRec &k = w.gKakoRec;
    for (QString *s : {&k.戒名, &k.ﾖﾐ, &k.俗名, &k.予備5, &k.続柄, &k.施主名, &k.電話, &k.郵便, &k.住所, &k.住所2, &k.予備16,
                       &k.予備17, &k.予備19})
        *s = QStringLiteral("﨑山");
    for (qint16 *i : {&k.bnen, &k.btuki, &k.bHi, &k.享年, &k.予備22, &k.予備23})
        *i = 9;
    k.過去CD = 42;
    k.omairiFlag.fill(5);
    k.kaikiFlag.fill(5);
    k.kaikiDate.fill(QStringLiteral("2003/05/17"));
    return w;
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void clearResetsDeathRecordButKeepsItsNumber()
    {
        WorkRecords w = dirtyRecords();
        ClearKakoRec(w);
        const KakoRec &k = w.gKakoRec;
        QCOMPARE(k.過去CD, qint16(42));
        for (const QString *s : {&k.戒名, &k.ﾖﾐ, &k.俗名, &k.予備5, &k.続柄, &k.施主名, &k.電話, &k.郵便, &k.住所, &k.住所2,
                                 &k.予備16, &k.予備17, &k.予備19})
            QVERIFY(s->trimmed().isEmpty());
        for (qint16 v : {k.bnen, k.btuki, k.bHi, k.享年, k.予備22, k.予備23})
            QCOMPARE(v, qint16(0));
        for (int i = 0; i < kOmairiFlagCount; ++i)
            QCOMPARE(k.omairiFlag[i], qint16(i <= 17 ? 1 : 0));
        for (int i = 0; i < kKaikiCount; ++i) {
            QCOMPARE(k.kaikiFlag[i], qint16(i <= 30 ? 1 : 0));
            QVERIFY(k.kaikiDate[i].trimmed().isEmpty());
        }
    }

    void blankForEmpty_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("empty") << QString() << QStringLiteral(" ");
        QTest::newRow("blanks") << QStringLiteral("   ") << QStringLiteral(" ");
        QTest::newRow("tab and newline") << QStringLiteral("\t\r\n") << QStringLiteral(" ");
        QTest::newRow("ideographic blank") << QStringLiteral("\u3000") << QStringLiteral(" ");
        QTest::newRow("padded name") << QStringLiteral("  髙橋　一郎  ") << QStringLiteral("髙橋　一郎");
        QTest::newRow("name") << QStringLiteral("釋 浄心") << QStringLiteral("釋 浄心");
    }
    void blankForEmpty()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QCOMPARE(BlankForEmpty(text), written);
    }

};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
