// ProgressWindow on its own: the run's label texts, the repaint pace, rows per
// second and time left, and キャンセル.
#include "mainwin/progress_window.h"
#include "transcribe/transcribe.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace tera;

class TestProgressWindow : public QObject {
    Q_OBJECT

private slots:
    // Rows come faster than the window repaints: within 250 ms only the
    // first row and the last are painted.
    void repaintsAFewTimesASecond()
    {
        ProgressWindow g;
        qint64 now = 0;
        g.elapsedMs = [&now] { return now; };
        g.progress(0, 1000, TranscribeText::kProgress);
        QVERIFY(g.isVisible());
        QCOMPARE(g.messageLabel->text(), QStringLiteral("データを転記してます"));
        const int first = g.repaints();
        for (int r = 1; r <= 999; ++r) {
            now = r / 10; // 100 ms in all
            g.progress(r, 1000, TranscribeText::rowProgress(r));
        }
        QCOMPARE(g.repaints(), first);
        QCOMPARE(g.progressBar->value(), 0);
        now = 260;
        g.progress(1000, 1000, TranscribeText::rowProgress(1000));
        QCOMPARE(g.repaints(), first + 1);
        QCOMPARE(g.messageLabel->text(), QStringLiteral("1000 番目のデータを転記してます"));
        QCOMPARE(g.progressBar->maximum(), 1000);
        QCOMPARE(g.progressBar->value(), 1000);
        g.finished();
        QVERIFY(!g.isVisible());
    }

    void rateAndTimeLeft_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("left");
        QTest::newRow("too early to tell") << 3 << 100 << qint64(200) << QStringLiteral("毎秒 ― 行")
                                           << QStringLiteral("残り時間を計算しています");
        QTest::newRow("seconds") << 101 << 200 << qint64(10000) << QStringLiteral("毎秒 10 行")
                                 << QStringLiteral("残り 約 10 秒");
        QTest::newRow("minutes") << 51 << 1000 << qint64(20000) << QStringLiteral("毎秒 2.5 行")
                                 << QStringLiteral("残り 約 6 分 20 秒");
        QTest::newRow("hours") << 11 << 100000 << qint64(10000) << QStringLiteral("毎秒 1.0 行")
                               << QStringLiteral("残り 約 27 時間 46 分");
    }
    void rateAndTimeLeft()
    {
        QFETCH(int, row);
        QFETCH(int, maximum);
        QFETCH(qint64, ms);
        QFETCH(QString, rate);
        QFETCH(QString, left);
        ProgressWindow g;
        qint64 now = 0;
        g.elapsedMs = [&now] { return now; };
        g.progress(0, maximum, TranscribeText::kProgress);
        now = ms;
        g.progress(row, maximum, TranscribeText::rowProgress(row));
        QCOMPARE(g.rateLabel->text(), rate);
        QCOMPARE(g.remainingLabel->text(), left);
    }

    void cancelIsAskedOnce()
    {
        ProgressWindow g;
        g.progress(0, 10, TranscribeText::kProgress);
        QVERIFY(!g.cancelRequested());
        g.cancelButton->click();
        QVERIFY(g.cancelRequested());
        QVERIFY(!g.cancelButton->isEnabled());
        // Esc or the frame's close box ask for the stop too; the window
        // stays until the run ends.
        ProgressWindow h;
        h.progress(0, 10, TranscribeText::kProgress);
        QTest::keyClick(&h, Qt::Key_Escape);
        QVERIFY(h.cancelRequested());
    }

    void summaries_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("expectText");
        QTest::newRow("completed") << int(TranscribeReport::Outcome::Completed) << true;
        QTest::newRow("cancelled") << int(TranscribeReport::Outcome::Cancelled) << true;
        QTest::newRow("failed (reported on the spot)") << int(TranscribeReport::Outcome::Failed) << false;
    }
    void summaries()
    {
        QFETCH(int, outcome);
        QFETCH(bool, expectText);
        TranscribeReport r;
        r.outcome = TranscribeReport::Outcome(outcome);
        r.rowsRead = 14;
        r.rowsWritten = 1;
        for (int i = 2; i <= 13; ++i)
            r.skipped << RowNote{i, QStringLiteral("氏名が空です")};
        r.rolledBack << RowNote{14, QStringLiteral("D_KOJIN に書き込めません")};
        const QString text = RunSummaryText(r);
        QCOMPARE(!text.isEmpty(), expectText);
        if (!expectText)
            return;
        // A rolled-back row is no skip: it is counted as unfinished.
        QVERIFY(text.contains(QStringLiteral("書き込み 1 行、スキップ 12 行、未完了 1 行")));
        QCOMPARE(text.contains(QStringLiteral("書き込めなかった行があります")),
                 r.outcome == TranscribeReport::Outcome::Completed);
        QVERIFY(text.contains(QStringLiteral("  11 行目: 氏名が空です")));
        QVERIFY(!text.contains(QStringLiteral("  12 行目")));
        QVERIFY(text.contains(QStringLiteral("ほか 2 行")));
        QVERIFY(text.contains(QStringLiteral("  14 行目: D_KOJIN に書き込めません")));
    }
};

QTEST_MAIN(TestProgressWindow)
#include "tst_progress_window.moc"
