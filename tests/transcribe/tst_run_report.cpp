// The run report beside the database: what a run did, above all when it
// failed, and the backups it made.
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/run_report.h"

#include <QDir>
#include <QFile>

using namespace tera;

namespace {

QString readReport(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("<no byte-order mark>");
    return QString::fromUtf8(bytes.mid(3));
}

} // namespace

class TestRunReport : public QObject {
    Q_OBJECT

private slots:
    // A run stopped by an unreadable date: the report names the row, the
    // column and the reason, the rows before it and the backups made.
    void reportAfterAFailedRun()
    {
        Fixture f(kOutDeathRegister);
        const AppState &state = f.state;
        f.state.sourcePath = QStringLiteral("/data/過去帳.csv");
        f.t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}});
        {
            QFile kako(state.files.kako);
            QVERIFY(kako.open(QIODevice::WriteOnly));
            kako.write(QByteArray(780, ' '));
        }
        const QDateTime started(QDate(2024, 5, 10), QTime(9, 30, 0));
        // Rows 3 and 4 hold a value to correct: the run starts not at all.
        const TranscribeReport report = f.run({{{kKaimyo, QStringLiteral("釋一")}, {kDate, QStringLiteral("2003年5月17日")}},
                                               {},
                                               {{kKaimyo, QStringLiteral("釋三")}, {kDate, QStringLiteral("5月2003年")}},
                                               {{kKaimyo, QStringLiteral("釋四")}, {kAge, QStringLiteral("99999")}}});
        QCOMPARE(report.outcome, TranscribeReport::Outcome::Failed);

        RunReportInfo info = RunInfoFor(state.runSettings(), started);
        info.finished = QDateTime(QDate(2024, 5, 10), QTime(9, 30, 5));
        QString error;
        const QString path = WriteRunReport(report, info, &error);
        QVERIFY2(!path.isEmpty(), qPrintable(error));
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(f.t.path()).absolutePath());
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("import-report-20240510-093005.txt"));

        const QString text = readReport(path);
        const QStringList expected{
            QStringLiteral("開始: 2024/05/10 09:30:00"),
            QStringLiteral("終了: 2024/05/10 09:30:05"),
            QStringLiteral("転記元ファイル: ") + QDir::toNativeSeparators(QStringLiteral("/data/過去帳.csv")),
            QStringLiteral("出力区分: 過去帳データ"),
            QStringLiteral("実行区分: 既存データに追加転記"),
            QStringLiteral("結果: 失敗（直す必要のある値があるため、始めませんでした）"),
            QStringLiteral("読込 0 行、書込 0 行、スキップ 0 行、未完了 4 行"),
            QStringLiteral("直す必要のある値がある行（2 行。何も書き込んでいません）"),
            QStringLiteral("  3 行目（1 列目）: 「5月2003年」は日付として読めません"),
            QStringLiteral("  4 行目（7 列目）: 「99999」の値 99999 は範囲外です"),
            QStringLiteral("作成したファイルはありません。"),
        };
        for (const QString &line : expected)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
        QVERIFY(text.contains(QStringLiteral("\r\n")));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 1);

        // A second run in the same second does not overwrite the first.
        const QString second = WriteRunReport(report, info, &error);
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("import-report-20240510-093005-2.txt"));
        QVERIFY(QFile::exists(path));
    }

    // Values stored other than they read are listed with their row and
    // column, those of the rows written only. A negative age is stored as 0,
    // and its kanji form is no "の五".
    void reportListsValuesReadOtherwise()
    {
        Fixture f(kOutDeathRegister);
        const TranscribeReport report = f.run({{{kKaimyo, QStringLiteral("釋一")}, {kAge, QStringLiteral("-5")}},
                                               {{kKaimyo, QStringLiteral("釋二")}, {kAge, QStringLiteral("八十十歳")}},
                                               {{kAge, QStringLiteral("-3")}}}); // skipped: no 戒名
        QVERIFY(report.ok());
        QCOMPARE(f.column(QStringLiteral("SELECT [享年] AS v FROM [W_KAKO] ORDER BY [過去CD]")),
                 (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
        for (const QString &table : {QStringLiteral("W_KAKO"), QStringLiteral("W_KAIKI"), QStringLiteral("D_OMAIRI")})
            QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [%1] WHERE [享年和] LIKE '%の%'").arg(table)), 0);

        const QString text = RunReportText(report, RunInfoFor(f.state.runSettings(), QDateTime::currentDateTime()));
        const QStringList expected{
            QStringLiteral("正しく読めなかった値（2 件"),
            QStringLiteral("  1 行目、7 列目: 享年「-5」が負の数です。0 として書き込みます。"),
            QStringLiteral("  2 行目、7 列目: 享年「八十十歳」: 「八十十」は数の書き方として正しくありません（「十」の位が重なっています）。0 として書き込みます。"),
        };
        for (const QString &line : expected)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
        QVERIFY(!text.contains(QStringLiteral("「-3」")));
    }

    // A report that cannot be written whole is not written at all, and the
    // caller learns why.
    void faultsLeaveNoReport_data() { FaultyFolder::addRows(); }
    void faultsLeaveNoReport()
    {
        QFETCH(WriteFault, fault);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        RunReportInfo info;
        info.dbPath = dir.filePath(QStringLiteral("tera.mdb"));
        info.finished = QDateTime::currentDateTime();
        TranscribeReport report;
        for (int row = 1; row <= 20; ++row)
            report.skipped << RowNote{row, QStringLiteral("読めない日付です")};
        QVERIFY(folderBytes(dir.path()).isEmpty());
        expectSaveKeepsFolder(dir, 256, [&](QString &why) { return !WriteRunReport(report, info, &why).isEmpty(); });
    }

};

QTEST_GUILESS_MAIN(TestRunReport)
#include "tst_run_report.moc"
