// The run report beside the database: what a run did, above all when it
// failed, and the backups it made.
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/run_report.h"

#include <QDir>
#include <QFile>

using namespace tera;

namespace {

constexpr int kDate = 1, kAge = 7, kKaimyo = 10;
constexpr int kRegistered = 2, kMemberName = 8;

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
        {
            QFile kako(state.files.kako);
            QVERIFY(kako.open(QIODevice::WriteOnly));
            kako.write(QByteArray(780, ' '));
        }
        const QDateTime started(QDate(2024, 5, 10), QTime(9, 30, 0));
        const TranscribeReport report = f.run({{{kKaimyo, QStringLiteral("釋一")}, {kDate, QStringLiteral("2003年5月17日")}},
                                               {},
                                               {{kKaimyo, QStringLiteral("釋三")}, {kDate, QStringLiteral("5月2003年")}},
                                               {{kKaimyo, QStringLiteral("釋四")}}});
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
            QStringLiteral("結果: 失敗"),
            QStringLiteral("読込 3 行、書込 1 行、スキップ 1 行"),
            QStringLiteral("過去CD: 2 ～ 2"),
            QStringLiteral("3 行目（1 列目）: 「5月2003年」は日付として読めません"),
            QStringLiteral("2 行目: 戒名が空です"),
            QDir::toNativeSeparators(state.files.databaseBackup),
            QDir::toNativeSeparators(state.files.kakoBackup),
        };
        for (const QString &line : expected)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
        QVERIFY(text.contains(QStringLiteral("\r\n")));
        QVERIFY(!text.contains(QStringLiteral("釋四")));

        // A second run in the same second does not overwrite the first.
        const QString second = WriteRunReport(report, info, &error);
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("import-report-20240510-093005-2.txt"));
        QVERIFY(QFile::exists(path));
    }

    // Values stored other than they read are listed with their row and
    // column, those of the rows written only; a value too large for its
    // field is the reason the run stopped, named once.
    void reportListsValuesReadOtherwise()
    {
        Fixture f(kOutDeathRegister);
        const TranscribeReport report = f.run({{{kKaimyo, QStringLiteral("釋一")}, {kAge, QStringLiteral("-5")}},
                                               {{kKaimyo, QStringLiteral("釋二")}, {kAge, QStringLiteral("八十十歳")}},
                                               {{kAge, QStringLiteral("-3")}}, // skipped: no 戒名
                                               {{kKaimyo, QStringLiteral("釋四")}, {kAge, QStringLiteral("-1")},
                                                {kDate, QStringLiteral("三億五千万年1月1日")}}});
        QCOMPARE(report.failureRow, 4);
        QCOMPARE(f.column(QStringLiteral("SELECT [享年] AS v FROM [W_KAKO] ORDER BY [過去CD]")),
                 (QStringList{QStringLiteral("-5"), QStringLiteral("0")}));

        const QString text = RunReportText(report, RunInfoFor(f.state.runSettings(), QDateTime::currentDateTime()));
        const QStringList expected{
            QStringLiteral("正しく読めなかった値（2 件"),
            QStringLiteral("  1 行目、7 列目: 享年「-5」が負の数です。-5 のまま書き込みます。"),
            QStringLiteral("  2 行目、7 列目: 享年「八十十歳」: 「八十十」は数の書き方として正しくありません（「十」の位が重なっています）。0 として書き込みます。"),
            QStringLiteral("4 行目（1 列目）: 「三億五千万」の値 350000000 は範囲外です"),
        };
        for (const QString &line : expected)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
        QVERIFY(!text.contains(QStringLiteral("「-3」")));
        QVERIFY(!text.contains(QStringLiteral("「-1」")));
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
