// The forms old registers write, through the command line: the shipped
// example of them checks and transcribes as a clerk means it; a numeral that
// is no number and a date that does not exist are cells to correct, listed
// by check with their row and column, and the run stops before any row with
// nothing in the database or in kako.rnd and a report that names the row.
#include "session/demo_database.h"
#include "platform/database.h"
#include "file_faults.h"
#include "program_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

class TestCliRegisterForms : public QObject {
    Q_OBJECT

private slots:
    // Both encodings of the example: the check finds nothing that stops the
    // run and names the one date outside its stated era; the run writes each
    // date as the register means it.
    void shippedExample_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("utf-8") << QStringLiteral("death-register-old-forms.utf8.csv");
        QTest::newRow("cp932") << QStringLiteral("death-register-old-forms.cp932.csv");
    }
    void shippedExample()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = example(file.toLatin1().constData());

        ProgramRun r = runTera(importArgs("check", db, source, "death") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("読込 9 行、書込 9 行、スキップ 0 行、転記を止める行はありません")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("9 行目（2 列目「没年月日」） [読めない値] 「平成1年1月5日」は平成の始まる前の日付です"
                                               "（平成は 1989年1月8日 から）。年号は昭和64年として書き込みます。")),
                 qPrintable(r.out));
        QVERIFY(!r.out.contains(QStringLiteral("[中止]")));

        r = runTera(importArgs("transcribe", db, source, "death") << linkArgs(kDeathLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList expected = {
            QStringLiteral("平成/十/三/二十一/八十五"),   // 平成十年三月廿一日, 八十五歳
            QStringLiteral("昭和/五十/十二/三/七十二"),   // 昭和五十年拾弐月参日, 行年七十二才
            QStringLiteral("昭和/三十/五/二十/六十"),     // 昭和卅年五月廿日
            QStringLiteral("令和/六/一/二十/四十二"),     // 弐千弐拾四年壱月念日
            QStringLiteral("大正/十五/十二/二十四/八十七"), // 大正拾五年拾弐月廿四日
            QStringLiteral("平成/一/０/０/七十"),         // 平成元年
            QStringLiteral("昭和/六十四/０/０/六十八"),   // 昭和六十四年
            QStringLiteral("令和/一/０/０/九十一"),       // 令和元年
            QStringLiteral("昭和/六十四/一/五/八十八"),   // 平成元年一月五日: the era of its day
        };
        QCOMPARE(columnIn(db, QStringLiteral("SELECT [年号] || '/' || [年号年] || '/' || [歿年月] || '/' || [歿年日] || '/' || [享年和] "
                                           "AS v FROM [W_KAKO] ORDER BY [過去CD]")),
                 expected);
        // The anniversaries of the full dates carry the same era of death.
        QCOMPARE(columnIn(db, QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [W_KAIKI] WHERE [過去CD] = 9")),
                 QStringList{QStringLiteral("昭和/六十四")});
        QCOMPARE(columnIn(db, QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [D_OMAIRI] WHERE [過去CD] = 6")),
                 QStringList{QStringLiteral("平成/一")});
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("kako.rnd"))).size(), 9 * 780);
        // The run report keeps the notice.
        const QString report = newestRunReport(dir.path());
        QVERIFY2(report.contains(QStringLiteral("9 行目、2 列目: 「平成1年1月5日」は平成の始まる前の日付です")), qPrintable(report));
    }

    // One cell made wrong in the example: check lists it as the row that
    // stops the run, with its column, and writes nothing; so does the run.
    void cellsToCorrect_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("why");
        QTest::newRow("十十") << "昭和卅年五月廿日" << "昭和十十年五月廿日" << 3 << "2 列目「没年月日」"
                              << "没年月日「昭和十十年五月廿日」を直してください: 「十十」は数の書き方として正しくありません（「十」の位が重なっています）。";
        QTest::newRow("平成元年13月40日") << "大正拾五年拾弐月廿四日" << "平成元年13月40日" << 5 << "2 列目「没年月日」"
                                          << "没年月日「平成元年13月40日」は存在しない日付です: 月 13 はありません（1～12）。";
        QTest::newRow("2023/02/30") << "弐千弐拾四年壱月念日" << "2023年2月30日" << 4 << "1 列目「没年月日」"
                                    << "2023年2月30日 はありません（2023年2月は 28 日まで）。";
    }
    void cellsToCorrect()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, row);
        QFETCH(QString, where);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        QString text = QString::fromUtf8(readAll(example("death-register-old-forms.utf8.csv")));
        QVERIFY(text.contains(from));
        text.replace(from, to);
        const QString source = writeFile(dir.filePath(QStringLiteral("wrong.csv")), text.toUtf8());
        const auto before = folderBytes(dir.path());

        ProgramRun r = runTera(importArgs("check", db, source, "death") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 1);
        // The summary comes first: a row with a value to correct means the
        // run writes nothing at all.
        QVERIFY2(r.out.startsWith(QStringLiteral("書込 0 行、直す必要のある値が 1 行にあるため転記は始まりません（最初は %1 行目").arg(row)),
                 qPrintable(r.out));
        const QString stop = QStringLiteral("%1 行目（%2） [中止] 転記はこの行で止まります: ").arg(row).arg(where);
        QVERIFY2(r.out.contains(stop) && r.out.section(stop, 1).section(u'\n', 0, 0).contains(why), qPrintable(r.out));
        QCOMPARE(folderBytes(dir.path()), before);

        r = runTera(importArgs("transcribe", db, source, "death") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("%1 行目（%2）").arg(row).arg(where)), qPrintable(r.err));
        // Known before the first row: nothing is written, not even the rows
        // before it, and no backup is made.
        for (const char *table : {"W_KAKO", "D_OMAIRI", "W_KAIKI"})
            QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(QLatin1String(table))), 0);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("kako.rnd"))).size() <= 0);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("tera2.mdb"))));
        // The run report lies beside the database and names the row.
        const QStringList reports = QDir(dir.path()).entryList({QStringLiteral("import-report-*.txt")});
        QCOMPARE(reports.size(), 1);
        QVERIFY(r.err.contains(reports.first()));
        const QString report = QString::fromUtf8(readAll(dir.filePath(reports.first())));
        QVERIFY2(report.contains(QStringLiteral("%1 行目（%2）").arg(row).arg(where.section(u'「', 0, 0)))
                     && report.contains(QStringLiteral("作成したファイルはありません")),
                 qPrintable(report));
    }
};

QTEST_GUILESS_MAIN(TestCliRegisterForms)
#include "tst_cli_register_forms.moc"
