// The command line as a hostile user types it: mistyped subcommands, stray
// and repeated options, sources that are no regular file or not in the
// encoding named, no display, and answers typed at a real terminal. Every
// refusal leaves the files alone.
#include "session/demo_database.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "program_run.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tera;

namespace {

// A refused line must come back at once; a hang (a pipe opened for reading)
// fails the row instead of the whole suite.
constexpr int kQuickMs = 30000;

// The folder as names and contents, to show that a refused run wrote nothing.
QByteArray snapshot(const QString &dir)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QDir d(dir);
    for (const QString &name : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
        hash.addData(name.toUtf8());
        QFile f(d.filePath(name));
        if (QFileInfo(f).isFile() && QFileInfo(f).size() < (1 << 24) && f.open(QIODevice::ReadOnly))
            hash.addData(f.readAll());
    }
    return hash.result();
}

} // namespace

class TestCliCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

    QStringList expand(QStringList args) const
    {
        for (QString &a : args) {
            a.replace(QStringLiteral("{db}"), m_db);
            a.replace(QStringLiteral("{dir}"), m_dir.path());
            a.replace(QStringLiteral("{example}"), example("death-register.utf8.csv"));
        }
        return args;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_db = CreateDemoDatabase(m_dir.path());
        // Sources that are no regular file, or nothing worth reading.
        QVERIFY(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("pipe.csv"))).constData(), 0600) == 0);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.csv")));
        QFile empty(m_dir.filePath(QStringLiteral("empty.csv")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        // Sparse: past the limit without writing half a gigabyte.
        QFile big(m_dir.filePath(QStringLiteral("big.csv")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kMaxReadFileBytes + 1));
        const auto sjis = cp932::encode(QStringLiteral("戒名,俗名\r\n釋一,髙橋\r\n"));
        QVERIFY(sjis);
        writeFile(m_dir.filePath(QStringLiteral("cp932.csv")), *sjis);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        // The words of a command line, split at blanks ({db}, {dir} and
        // {example} are filled in when it runs).
        const auto row = [](const char *name, const QString &line, int code, const QString &says) {
            QTest::newRow(name) << line.split(u' ', Qt::SkipEmptyParts) << code << says;
        };
        // Never the windows by accident.
        row("misspelled subcommand", "transcibe --db {db}", 2, "知らないコマンドです: transcibe（transcribe のことですか？）");
        row("lone word that is no file", "chek", 2, "コマンドでも、あるファイルでもありません");
        row("unknown option alone", "--version", 2, "知らないオプションです: --version");
        row("folder as the database", "{dir}", 2, "データベースのファイルではありません");
        row("database and more", "{db} extra", 2, "引数が多すぎます");
        row("windows without a display", "", 1, "画面（ディスプレイ）がない");
        row("database without a display", "{db}", 1, "画面（ディスプレイ）がない");
        // The pictures are tera-pictures' now: screenshots is no command.
        row("screenshots is gone", "screenshots {dir}/pictures", 2, "知らないコマンドです: screenshots");

        // Options are checked strictly.
        const QString import = QStringLiteral(" --db {db} --source {example} --kind death --mode append --link 0:10 ");
        row("unknown option", "transcribe" + import + "--bogus", 2, "知らないオプションです: --bogus");
        row("single-dash word", "transcribe" + import + "-yes", 2, "知らないオプションです: -y");
        row("value missing at the end", "transcribe" + import + "--today", 2, "--today の値がありません。");
        row("value on a switch", "transcribe" + import + "--yes=no", 2, "--yes には値を付けられません");
        row("second --db", "transcribe" + import + "--db=other.mdb", 2, "--db は一度だけ指定してください。");
        row("switch twice", "transcribe" + import + "--yes --yes", 2, "--yes は一度だけ指定してください。");
        row("stray argument", "transcribe" + import + "now", 2, "余分な引数です: now");
        row("bad --kind in = form", "transcribe --kind=dead --db {db} --source {example}", 2,
            "--kind は members、households、death のいずれかです（dead）。");
        row("--csv is check's", "transcribe" + import + "--csv x.csv", 2, "知らないオプションです: --csv");
        row("bad --csv-encoding", "check" + import + "--csv-encoding latin1", 2, "--csv-encoding は cp932 か utf-8 です（latin1）。");
        row("restore, unknown option", "restore --db {db} --force", 2, "知らないオプションです: --force");
        row("restore, empty --db=", "restore --db=", 2, "--db は必ず指定してください。");
        row("init-demo, option", "init-demo --force {dir}/new", 2, "知らないオプションです: --force");
        row("init-demo, two folders", "init-demo {dir}/a {dir}/b", 2, "フォルダを一つ指定してください");

        // Sources that are no regular file, or not in the encoding named,
        // are refused before any read; the pipe goes through the separator
        // guess (no --format) as well.
        const QString source = QStringLiteral("transcribe --db {db} --kind death --mode append --link 0:10 --source ");
        row("source: named pipe", source + "{dir}/pipe.csv", 2, "通常のファイルではありません");
        row("source: folder", source + "{dir}/folder.csv --format=csv", 2, "はフォルダーです");
        row("source: empty", source + "{dir}/empty.csv", 2, "読み込むデータがありません");
        row("source: past the limit", source + "{dir}/big.csv", 2, "読み込めるのは 512 MiB までです");
        row("source: CP932 read as UTF-8", source + "{dir}/cp932.csv --encoding utf-8", 2, "UTF-8 として読めない文字");
    }

    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        const QByteArray before = snapshot(m_dir.path());
        const ProgramRun r = runTera(expand(args), kQuickMs);
        QVERIFY2(r.code != -1, "the program hung");
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        if (says.startsWith(QStringLiteral("知らないオプション")) && args.size() > 1)
            QVERIFY2(r.err.contains(QStringLiteral("使い方: tera-import ") + args.first()), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("0 から -1 まで")));
        QCOMPARE(snapshot(m_dir.path()), before);
    }

    // Every command answers --help with its exit codes, and writes nothing.
    void help_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("runLock");
        QTest::newRow("help") << QStringList{QStringLiteral("help")} << true;
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << true;
        QTest::newRow("transcribe") << QStringList{QStringLiteral("transcribe"), QStringLiteral("--help")} << true;
        QTest::newRow("check") << QStringList{QStringLiteral("check"), QStringLiteral("-h")} << false;
        QTest::newRow("restore") << QStringList{QStringLiteral("restore"), QStringLiteral("--help")} << true;
        QTest::newRow("init-demo") << QStringList{QStringLiteral("init-demo"), QStringLiteral("--help")} << false;
    }
    void help()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, runLock);
        const ProgramRun r = runTera(args, kQuickMs);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral("使い方")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("終了コード")), qPrintable(r.out));
        QCOMPARE(r.out.contains(QStringLiteral("5 別の転記・復元が同じデータベースを使用中")), runLock);
        // Once taken for a folder name.
        QVERIFY(!QFileInfo::exists(QStringLiteral("--help")) && !QFileInfo::exists(QStringLiteral("-h")));
    }

    // --name=VALUE reads as --name VALUE, --link included.
    void optionsWithEquals()
    {
        QStringList args{QStringLiteral("check"), QStringLiteral("--db=") + m_db,
                         QStringLiteral("--source=") + example("death-register.utf8.csv"), QStringLiteral("--kind=death"),
                         QStringLiteral("--mode=append"), QStringLiteral("--title"), QStringLiteral("--today=2024-05-10"),
                         QStringLiteral("--encoding=utf-8")};
        for (const QString &link : kDeathLinks)
            args << QStringLiteral("--link=") + link;
        const ProgramRun r = runTera(args);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("転記を止める行はありません")), qPrintable(r.out));
    }

    // The restore question typed at a real terminal (a pseudo-terminal).
    void typedAnswers_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("code");
        QTest::newRow("はい") << QByteArray("はい\n") << 0;
        QTest::newRow("full-width y") << QStringLiteral("ｙ\n").toUtf8() << 0;
        QTest::newRow("YES") << QByteArray("  YES \n") << 0;
        QTest::newRow("いいえ") << QByteArray("いいえ\n") << 3;
        QTest::newRow("unclear, then はい") << QByteArray("yep\nはい\n") << 0;
        QTest::newRow("empty line: the default") << QByteArray("\n") << 3;
    }
    void typedAnswers()
    {
        QFETCH(QByteArray, typed);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        QVERIFY(QFile::copy(db, dir.filePath(QStringLiteral("tera2.mdb"))));
        {
            QFile f(db);
            QVERIFY(f.open(QIODevice::Append));
            f.write("changed since the backup");
        }
        const QByteArray backup = snapshot(dir.path());

        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QString::fromLocal8Bit(::ptsname(master)));
        p.start(QStringLiteral(TERA_BINARY), {QStringLiteral("restore"), QStringLiteral("--db"), db});
        QVERIFY(p.waitForStarted());
        QCOMPARE(::write(master, typed.constData(), size_t(typed.size())), ssize_t(typed.size()));
        const bool finished = p.waitForFinished(kQuickMs);
        ::close(master);
        QVERIFY2(finished, "the question was never answered");
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == code, qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("はい/いいえ [y/N]")));
        QCOMPARE(err.contains(QStringLiteral("はい か いいえ")), typed.contains("yep"));
        QCOMPARE(readAll(db) == readAll(dir.filePath(QStringLiteral("tera2.mdb"))), code == 0);
        if (code != 0)
            QCOMPARE(snapshot(dir.path()), backup);
    }
};

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_cli_command_line.moc"
