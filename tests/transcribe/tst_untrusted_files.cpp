// Nothing the run did not check is trusted: a journal that belongs to
// another file, masters that are missing, empty or were not read whole, a
// failure before the rows taken for "none found". Each case is refused (or
// set aside) and the data read back afterwards. (A kako.rnd that does not
// match the register: tst_run_safety.)
#include "fixture.h"
#include "transcribe/kako_rnd.h"

#include <QtEndian>
#include <QtTest>

using namespace tera;

namespace {

// n records, each carrying its own number, as runs write them.
void writeNumberedKako(const QString &path, int n)
{
    QByteArray bytes(n * int(kKakoRecordBytes), ' ');
    for (int i = 1; i <= n; ++i)
        qToLittleEndian<qint16>(qint16(i), bytes.data() + (i - 1) * kKakoRecordBytes);
    writeFile(path, bytes);
}

QByteArray journal(qint32 record, qint64 length)
{
    return "tera-import kako.rnd journal 2\nrecord=" + QByteArray::number(record) + "\nlength=" + QByteArray::number(length)
           + "\nend\n";
}

} // namespace

class TestUntrustedFiles : public QObject {
    Q_OBJECT

private slots:
    // A journal is acted on only when it belongs to kako.rnd as it is; one
    // that does not is kept under another name, kako.rnd keeps every byte,
    // and the run numbers on from the register.
    void journalMustMatchTheFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("records");   // of kako.rnd when the run starts
        QTest::addColumn<bool>("actedOn");  // the journal's record is taken back
        QTest::newRow("record 301 and length 0 beside 300 entries") << journal(301, 0) << 300 << false;
        QTest::newRow("a length past the end of kako.rnd") << journal(301, 400 * kKakoRecordBytes) << 300 << false;
        QTest::newRow("an undo that would cut registered entries") << journal(200, 199 * kKakoRecordBytes) << 300 << false;
        QTest::newRow("a length inside a record") << journal(301, 300 * kKakoRecordBytes - 7) << 300 << false;
        QTest::newRow("unreadable") << QByteArray("\x01\x02 not a journal at all") << 300 << false;
        QTest::newRow("the run's own, its record uncommitted") << journal(301, 300 * kKakoRecordBytes) << 301 << true;
    }
    void journalMustMatchTheFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, records);
        QFETCH(bool, actedOn);
        Fixture f(kOutDeathRegister);
        f.t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 300}});
        writeNumberedKako(f.state.files.kako, records);
        const QString journalPath = KakoJournalPath(f.state.files.kako);
        writeFile(journalPath, text);
        const QByteArray before = fileBytes(f.state.files.kako).left(300 * int(kKakoRecordBytes));

        const TranscribeReport r = f.run(deathRows(2));
        QVERIFY(!QFile::exists(journalPath));
        QCOMPARE(fileBytes(f.state.files.kako).left(300 * int(kKakoRecordBytes)), before);
        if (actedOn) {
            QCOMPARE(r.outcome, TranscribeReport::Outcome::Completed);
            QCOMPARE(r.recoveredKakoCd, 301);
            QCOMPARE(r.firstKakoCd, 301);
            QVERIFY(!QFile::exists(journalPath + QStringLiteral(".unmatched")));
        } else {
            QCOMPARE(r.recoveredKakoCd, 0);
            QCOMPARE(fileBytes(journalPath + QStringLiteral(".unmatched")), text);
            QVERIFY(r.settled.join(QString()).contains(QStringLiteral("今の kako.rnd に合わないため、使わずに")));
            QCOMPARE(r.outcome, TranscribeReport::Outcome::Completed);
            QCOMPARE(r.firstKakoCd, 301);
        }
        QCOMPARE(KakoRndFile(f.state.files.kako).entryCount(), 302);
    }

    // The masters a run needs are there, and were read whole: otherwise the
    // run stops before anything is written, naming the table.
    void mastersMustBeThere_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("reloadMaster");
        QTest::addColumn<QString>("words");
        QTest::newRow("M_年号 emptied") << "DELETE FROM [M_年号]" << true << "マスタ M_年号 が空のため";
        QTest::newRow("OMAIRI emptied") << "DELETE FROM [OMAIRI]" << true << "マスタ OMAIRI が空のため";
        QTest::newRow("M_KBN emptied") << "DELETE FROM [M_KBN]" << true << "マスタ M_KBN が空のため";
        QTest::newRow("OMAIRI read only in part")
            << "UPDATE [OMAIRI] SET [ODISP] = NULL WHERE [ONO] = (SELECT min([ONO]) + 2 FROM [OMAIRI])" << true
            << "しか読み込めていないため";
        QTest::newRow("M_年号 gone") << "DROP TABLE [M_年号]" << false << "マスタ M_年号 を読めないため";
        QTest::newRow("OMAIRI gone") << "DROP TABLE [OMAIRI]" << false << "マスタ OMAIRI を読めないため";
        QTest::newRow("M_KBN gone") << "DROP TABLE [M_KBN]" << false << "マスタ M_KBN を読めないため";
        // The rows die in 2003: an era table without 平成 would give them
        // no era, though it is not empty.
        QTest::newRow("M_年号 without the rows' era") << "DELETE FROM [M_年号] WHERE [年号] = '平成'" << true
                                                     << "没年（2003年）の年号がないため";
    }
    void mastersMustBeThere()
    {
        QFETCH(QString, sql);
        QFETCH(bool, reloadMaster);
        QFETCH(QString, words);
        Fixture f(kOutDeathRegister);
        f.t.db().execute(sql);
        if (reloadMaster) {
            f.state.master = MasterData();
            ReadMasterData(f.t.db(), f.state, f.prompt);
        }
        f.prompt.clear();
        const TranscribeReport r = f.run(deathRows(3));
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QVERIFY2(r.failure.contains(words), qPrintable(r.failure));
        QVERIFY(f.prompt.texts().last().contains(words));
        for (const char *table : {"W_KAKO", "W_KAIKI", "D_OMAIRI"})
            QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(QLatin1String(table))), 0);
        QVERIFY(!QFile::exists(f.state.files.kako) || QFileInfo(f.state.files.kako).size() == 0);
        QVERIFY(!QFile::exists(f.state.files.databaseBackup));
    }

    // A failure before the rows is a failure, never "none found" or 0: the
    // run stops before anything is deleted or written.
    void failuresBeforeTheRowsStopTheRun_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("words");
        // An entry whose date is no number: the index of likely duplicates
        // cannot be read, and --skip-duplicates must not be dropped for it.
        QTest::newRow("a broken index of duplicates") << int(kOutDeathRegister) << int(kModeAppend)
                                                      << "UPDATE [W_KAKO] SET [bnen] = 'abc'" << "W_KAKO"
                                                      << "重複の可能性がある行を調べるための登録済みデータを読めない";
        // The household number before the deletion cannot be read.
        QTest::newRow("a failing NextSetaiNo in replace mode") << int(kOutHouseholds) << int(kModeReplace)
                                                               << "ALTER TABLE [D_SETAI] RENAME COLUMN [SNO] TO [SNO_old]"
                                                               << "D_SETAI" << "削除の前の世帯番号を調べられない";
    }
    void failuresBeforeTheRowsStopTheRun()
    {
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(QString, sql);
        QFETCH(QString, table);
        QFETCH(QString, words);
        Fixture f{static_cast<qint16>(kind), static_cast<qint16>(mode)};
        f.t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("戒名"), QStringLiteral("既存")}});
        writeNumberedKako(f.state.files.kako, 1);
        f.t.db().insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000001")}, {QStringLiteral("世帯主名"), QStringLiteral("既存")}});
        f.t.db().execute(sql);
        QList<ImportRow> rows = deathRows(2);
        if (kind == kOutHouseholds)
            rows = {{{2, QStringLiteral("新世帯")}}}; // 世帯主名
        TranscribeOptions options;
        options.skipDuplicates = true;
        f.reopen();
        const qint64 before = f.count(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table));
        const TranscribeReport r = f.run(rows, options);
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QVERIFY2(r.failure.contains(words), qPrintable(r.failure));
        QCOMPARE(r.rowsWritten, 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table)), before);
        QCOMPARE(KakoRndFile(f.state.files.kako).entryCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUntrustedFiles)
#include "tst_untrusted_files.moc"
