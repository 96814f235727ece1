// tera-pictures as a user runs it: refused without a display (as the
// program's windows are) and on a bad line, before any window is made.
#include "program_run.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestPicturesCommand : public QObject {
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("no display") << QStringList{QStringLiteral("pictures")} << false << 1
                                    << QStringLiteral("画面（ディスプレイ）がないため、ウィンドウを開けません。");
        QTest::newRow("two folders") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << true << 2
                                     << QStringLiteral("フォルダは一つだけ指定してください。");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--dark")} << true << 2
                                        << QStringLiteral("知らないオプションです: --dark");
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, display);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QProcess p;
        QProcessEnvironment env = tera::headlessEnvironment();
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(TERA_PICTURES), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), code);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(said), qPrintable(err));
        // Nothing drawn.
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPicturesCommand)
#include "tst_pictures_command.moc"
