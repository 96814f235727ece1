// The command line as a hostile user types it: mistyped subcommands, stray
// and repeated options, sources that are no regular file, no display, and
// answers typed at a real terminal. Every refusal leaves the files alone.
#include "session/demo_database.h"
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
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const auto row = [](const char *name, QStringList args, int code, const QString &says) {
            QTest::newRow(name) << args << code << says;
        };
        const QStringList import{QStringLiteral("--db"), QStringLiteral("{db}"), QStringLiteral("--source"),
                                 QStringLiteral("{example}"), QStringLiteral("--kind"), QStringLiteral("death"),
                                 QStringLiteral("--mode"), QStringLiteral("append"), QStringLiteral("--link"),
                                 QStringLiteral("0:10")};
        const QString transcribe = QStringLiteral("transcribe"), check = QStringLiteral("check");

        // Never the windows by accident.
        row("misspelled subcommand", {QStringLiteral("transcibe"), QStringLiteral("--db"), QStringLiteral("{db}")}, 2,
            QStringLiteral("知らないコマンドです: transcibe（transcribe のことですか？）"));
        row("lone word that is no file", {QStringLiteral("chek")}, 2, QStringLiteral("コマンドでも、あるファイルでもありません"));
        row("unknown option alone", {QStringLiteral("--version")}, 2, QStringLiteral("知らないオプションです: --version"));
        row("folder as the database", {QStringLiteral("{dir}")}, 2, QStringLiteral("データベースのファイルではありません"));
        row("database and more", {QStringLiteral("{db}"), QStringLiteral("extra")}, 2, QStringLiteral("引数が多すぎます"));
        row("windows without a display", {}, 1, QStringLiteral("画面（ディスプレイ）がない"));
        row("database without a display", {QStringLiteral("{db}")}, 1, QStringLiteral("画面（ディスプレイ）がない"));
        // The pictures are tera-pictures' now: screenshots is no command.
        row("screenshots is gone", {QStringLiteral("screenshots"), QStringLiteral("{dir}/pictures")}, 2,
            QStringLiteral("知らないコマンドです: screenshots"));

        // Options are checked strictly.
        row("unknown option", QStringList{transcribe} + import + QStringList{QStringLiteral("--bogus")}, 2,
            QStringLiteral("知らないオプションです: --bogus"));
        row("single-dash word", QStringList{transcribe} + import + QStringList{QStringLiteral("-yes")}, 2,
            QStringLiteral("知らないオプションです: -y"));
        row("value missing at the end", QStringList{transcribe} + import + QStringList{QStringLiteral("--today")}, 2,
            QStringLiteral("--today の値がありません。"));
        row("value on a switch", QStringList{transcribe} + import + QStringList{QStringLiteral("--yes=no")}, 2,
            QStringLiteral("--yes には値を付けられません"));
        row("second --db", QStringList{transcribe} + import + QStringList{QStringLiteral("--db=other.mdb")}, 2,
            QStringLiteral("--db は一度だけ指定してください。"));
        row("stray argument", QStringList{transcribe} + import + QStringList{QStringLiteral("now")}, 2,
            QStringLiteral("余分な引数です: now"));
        row("bad --kind in = form", QStringList{transcribe, QStringLiteral("--kind=dead")} + import.mid(0, 4), 2,
            QStringLiteral("--kind は members、households、death のいずれかです（dead）。"));
        row("--csv is check's", QStringList{transcribe} + import + QStringList{QStringLiteral("--csv"), QStringLiteral("x.csv")},
            2, QStringLiteral("知らないオプションです: --csv"));
        row("--csv without its file", QStringList{check} + import + QStringList{QStringLiteral("--csv")}, 2,
            QStringLiteral("--csv の値がありません。"));
        row("bad --csv-encoding", QStringList{check} + import + QStringList{QStringLiteral("--csv-encoding"), QStringLiteral("latin1")},
            2, QStringLiteral("--csv-encoding は cp932 か utf-8 です（latin1）。"));
        row("restore, unknown option",
            {QStringLiteral("restore"), QStringLiteral("--db"), QStringLiteral("{db}"), QStringLiteral("--force")}, 2,
            QStringLiteral("知らないオプションです: --force"));
        row("restore, empty --db=", {QStringLiteral("restore"), QStringLiteral("--db=")}, 2,
            QStringLiteral("--db は必ず指定してください。"));
        row("init-demo, option", {QStringLiteral("init-demo"), QStringLiteral("--force"), QStringLiteral("{dir}/new")}, 2,
            QStringLiteral("知らないオプションです: --force"));
        row("init-demo, two folders", {QStringLiteral("init-demo"), QStringLiteral("{dir}/a"), QStringLiteral("{dir}/b")},
            2, QStringLiteral("フォルダを一つ指定してください"));

        // Sources that are no regular file are refused before any read; the
        // pipe goes through the separator guess (no --format) as well.
        const QStringList source = {transcribe, QStringLiteral("--db"), QStringLiteral("{db}"), QStringLiteral("--kind"),
                                    QStringLiteral("death"), QStringLiteral("--mode"), QStringLiteral("append"),
                                    QStringLiteral("--link"), QStringLiteral("0:10"), QStringLiteral("--source")};
        row("source: named pipe", source + QStringList{QStringLiteral("{dir}/pipe.csv")}, 2,
            QStringLiteral("通常のファイルではありません"));
        row("source: device", source + QStringList{QStringLiteral("/dev/zero")}, 2, QStringLiteral("通常のファイルではありません"));
        row("source: folder", source + QStringList{QStringLiteral("{dir}/folder.csv"), QStringLiteral("--format=csv")}, 2,
            QStringLiteral("はフォルダーです"));
        row("source: empty", source + QStringList{QStringLiteral("{dir}/empty.csv")}, 2,
            QStringLiteral("読み込むデータがありません"));
        row("source: past the limit", source + QStringList{QStringLiteral("{dir}/big.csv")}, 2,
            QStringLiteral("読み込めるのは 512 MiB までです"));
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
        QTest::newRow("full-width N") << QStringLiteral("Ｎ\n").toUtf8() << 3;
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
