// The main window's own handlers: the start state, the source and database
// pickers with the file-kind dialog, the choices and 読込実行's checks.
#include "session/demo_database.h"
#include "file_faults.h"
#include "window_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLineEdit>

using namespace tera;

namespace {
const QByteArray kSmall = "氏名,住所\r\n髙橋　一郎,東京都\r\n";
}

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    // The kinds offered follow the name (which ones is the dialog's own
    // test); the file is read with the kind clicked, and the title names
    // the file.
    void sourcePick_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("kind");
        QTest::newRow(".CSV") << QStringLiteral("KAKO.CSV") << kSmall << 3;
        // The kind clicked decides the separator, not the name.
        QTest::newRow(".txt comma") << QStringLiteral("一覧.txt") << kSmall << 3;
        QTest::newRow(".TXT tab") << QStringLiteral("一覧.TXT") << QByteArray(kSmall).replace(',', '\t') << 4;
    }
    void sourcePick()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(int, kind);
        // Leave the dialog in a state no row above gives.
        enableAllKinds(f->w->fileKindDialog());
        const QString path = f->writeFile(fileName, content);
        const FileKindSeen seen = f->pickSource(path, kind);
        QVERIFY(seen.shown);
        QVERIFY(!seen.enabled[0]); // a text file is no grid document
        QCOMPARE(f->w->fileKindDialog().fileKind(), qint16(kind));
        QCOMPARE(f->w->sourcePathEdit->text(), path);
        QCOMPARE(f->state.sourcePath, path);
        QCOMPARE(f->w->preview().Rows(), 2);
        QCOMPARE(f->w->preview().TextMatrix(1, 0), QStringLiteral("髙橋　一郎"));
        QCOMPARE(f->w->sourceItems->count(), 2);
        QCOMPARE(f->w->sourceItems->item(1)->text(), QStringLiteral("住所"));
        QCOMPARE(f->w->windowTitle(), QCoreApplication::applicationName() + QStringLiteral(" - ") + fileName);
        QVERIFY(f->prompt.texts().isEmpty());
    }

    // The file picker cancelled changes nothing. ｷｬﾝｾﾙ in FileKindDialog: the
    // message, the new path already set, the source items gone, the flag
    // cleared again.
    void pickCancelled()
    {
        const QString first = f->writeFile(QStringLiteral("a.csv"), kSmall);
        f->pickSource(first, 3);
        f->picked.clear();
        f->w->sourceBrowseButton->click();
        QCOMPARE(f->w->sourcePathEdit->text(), first);
        QCOMPARE(f->state.sourcePath, first);
        QCOMPARE(f->w->sourceItems->count(), 2);
        QCOMPARE(f->w->preview().Rows(), 2);
        const QString second = f->writeFile(QStringLiteral("b.csv"), kSmall);
        FileKindSeen seen = f->pickSource(second, -1, false);
        QVERIFY(seen.shown);
        QCOMPARE(f->prompt.texts(), QStringList{QStringLiteral("ｷｬﾝｾﾙしました。")});
        QCOMPARE(f->prompt.shown().first().icon, Icon::None);
        // Nothing was read: the box still names the file the preview shows,
        // so 読込実行 cannot fill its rows under the other name.
        QCOMPARE(f->w->sourcePathEdit->text(), first);
        QCOMPARE(f->state.sourcePath, first);
        QCOMPARE(f->w->sourceItems->count(), 2);
        QCOMPARE(f->w->session().readPath(), first);
        QVERIFY(!f->w->fileKindDialog().cancelled());
    }

    // A file the grid cannot read (here comma text read as a grid document;
    // the reasons are the readers' tests) is reported; the program goes on
    // with an empty preview.
    void unreadableSource()
    {
        enableAllKinds(f->w->fileKindDialog());
        f->pickSource(f->writeFile(QStringLiteral("odd.dat"), kSmall), 0);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY2(f->prompt.texts().first().contains(QStringLiteral("odd.dat")), qPrintable(f->prompt.texts().first()));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(f->w->preview().Rows(), 0);
        QCOMPARE(f->w->sourceItems->count(), 0);
    }

    // Every change of database, picked or typed, opens it and reads its
    // master data; one that cannot be opened or may not be written is
    // refused with the reason and the database before stays, master data
    // and all.
    void databaseChangeReopens()
    {
        QTemporaryDir other;
        const QString chosen = CreateDemoDatabase(other.path());
        {
            auto db = Database::open(chosen);
            db->exec(QStringLiteral("UPDATE [M_KBN] SET [項目NO] = [項目NO] + 7")).finish();
        }
        const auto before = f->state.master.kbnValues;
        f->picked = chosen;
        f->w->databaseBrowseButton->click();
        QCOMPARE(f->w->databasePathEdit->text(), chosen);
        QCOMPARE(f->state.files.database, chosen);
        QCOMPARE(f->state.files.kako, other.path() + QStringLiteral("/kako.rnd"));
        QCOMPARE(f->state.master.kbnValues[0], qint16(before[0] + 7));
        QVERIFY(f->prompt.texts().isEmpty());
        // Cancelled: nothing moves.
        f->picked.clear();
        f->w->databaseBrowseButton->click();
        QCOMPARE(f->state.files.database, chosen);

        // A file that is no database, picked or typed: said, and refused.
        const QString garbage = f->writeFile(QStringLiteral("tera.mdb"), "not a database at all");
        f->picked = garbage;
        f->w->databaseBrowseButton->click();
        f->w->databasePathEdit->setText(QDir(f->files.path()).filePath(QStringLiteral("none/tera.mdb")));
        QTest::keyClick(f->w->databasePathEdit, Qt::Key_Return);
        QCOMPARE(f->prompt.texts().size(), 2);
        QVERIFY2(f->prompt.texts().at(0).contains(garbage), qPrintable(f->prompt.texts().at(0)));
        QVERIFY(f->prompt.texts().at(1).contains(QStringLiteral("ファイルがありません")));
        // Nothing says the program ends: it goes on with the database before.
        QVERIFY(!f->prompt.texts().join(QString()).contains(QStringLiteral("システムを終了")));
        QCOMPARE(f->state.files.database, chosen);
        QCOMPARE(f->w->databasePathEdit->text(), chosen);
        QCOMPARE(f->state.master.kbnValues[0], qint16(before[0] + 7));

        // One that may not be written is named as such, not as a fault.
        {
            QTemporaryDir third;
            const QString readOnlyDb = CreateDemoDatabase(third.path());
            ReadOnlyFile readOnly(readOnlyDb);
            if (readOnly.skipReason().isEmpty()) {
                f->prompt.clear();
                f->picked = readOnlyDb;
                f->w->databaseBrowseButton->click();
                QCOMPARE(f->prompt.texts().size(), 1);
                const QString said = f->prompt.texts().first();
                QVERIFY2(said.contains(QStringLiteral("読み取り専用")) && said.contains(readOnlyDb), qPrintable(said));
                QVERIFY(!said.contains(QStringLiteral("障害")) && !said.contains(QStringLiteral("システムを終了")));
                QCOMPARE(f->state.files.database, chosen);
            }
        }

        // Typed and entered: the folder of the start-up database again.
        f->prompt.clear();
        f->w->databasePathEdit->setText(f->t.path());
        QTest::keyClick(f->w->databasePathEdit, Qt::Key_Return);
        QVERIFY(f->prompt.texts().isEmpty());
        QCOMPARE(f->state.files.database, f->t.path());
        QVERIFY(f->state.master.kbnValues == before);
    }

    // The three checks of 読込実行, in their order.
    void readChecks_data()
    {
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QString>("message");
        const QString ok = QStringLiteral("/寺/kako.rnd");
        QTest::newRow("no source, nothing else") << false << QStringLiteral("どこにも無い") << false
                                                 << QStringLiteral("読み出しCSVファイルを設定してから実行してください！");
        QTest::newRow("nowhere") << true << QStringLiteral("  どこにも無い ") << false
                                 << QStringLiteral("書き出しファイルを設定してから実行してください！");
        QTest::newRow("empty destination") << true << QStringLiteral(" ") << true
                                           << QStringLiteral("書き出しファイルを設定してから実行してください！");
        QTest::newRow("no link") << true << ok << false << QStringLiteral("リンクを設定してから実行してください！");
    }
    void readChecks()
    {
        QFETCH(bool, source);
        QFETCH(QString, destination);
        QFETCH(bool, linked);
        QFETCH(QString, message);
        f->pickSource(f->writeFile(QStringLiteral("a.csv"), kSmall), 3);
        if (linked)
            f->link(0, 8);
        if (!source)
            f->w->sourcePathEdit->setText(QStringLiteral("  "));
        f->w->databasePathEdit->setText(destination);
        f->prompt.clear();
        f->w->runButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{message});
        QCOMPARE(f->prompt.shown().first().icon, Icon::Critical);
        QVERIFY(!f->w->importWindow());
    }

    // The source file moved away after it was read, or read again without
    // a linked column: said in plain words (the link's title, not its
    // number), and no import window opens on an empty or wrong table.
    void fillRefused_data()
    {
        QTest::addColumn<bool>("narrowed");
        QTest::addColumn<QStringList>("says");
        QTest::newRow("source gone") << false << QStringList{QStringLiteral("見つかりません"), QStringLiteral("消える.csv")};
        // Read again narrower without a title line: the links cannot follow
        // their columns and go, said at the read.
        QTest::newRow("linked column gone") << true
                                            << QStringList{QStringLiteral("2 列から 1 列"), QStringLiteral("1 件を解除")};
    }
    void fillRefused()
    {
        QFETCH(bool, narrowed);
        QFETCH(QStringList, says);
        const QString path = f->writeFile(QStringLiteral("消える.csv"), kSmall);
        f->w->titleRowButtons[1]->click();
        f->pickSource(path, 3);
        f->link(1, 8);
        f->prompt.clear();
        if (narrowed) {
            f->w->titleRowButtons[0]->click();
            f->pickSource(f->writeFile(QStringLiteral("narrow.csv"), "髙橋　一郎\r\n"), 3);
            QCOMPARE(f->w->linkGrid().Rows(), 1);
            f->w->runButton->click();
            QCOMPARE(f->prompt.texts().last(), MainWindowText::kNoLinks);
        } else {
            QVERIFY(QFile::remove(path));
            f->w->runButton->click();
        }
        QCOMPARE(f->prompt.texts().size(), narrowed ? 2 : 1);
        for (const QString &word : says)
            QVERIFY2(f->prompt.texts().first().contains(word), qPrintable(f->prompt.texts().first()));
        QVERIFY(!f->prompt.texts().first().contains(QStringLiteral("Lpoj")));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QVERIFY(!f->w->importWindow());
    }

    // 読込実行 hands the output kind to the import window without its
    // warning, refills the same window while it is open, and makes a fresh
    // one after it was closed.
    void importWindowLifecycle()
    {
        // A fresh window: the destination box names kako.rnd, the first
        // choice of each group is taken, and nothing is read yet.
        QCOMPARE(f->w->databasePathEdit->text(), f->state.files.kako);
        QVERIFY(f->w->sourcePathEdit->text().isEmpty() && f->w->sourceItems->count() == 0);
        QVERIFY(f->w->titleRowButtons[0]->isChecked() && f->w->outputKindButtons[0]->isChecked()
                && f->w->executionModeButtons[0]->isChecked());
        f->w->outputKindButtons[1]->click();
        f->pickSource(f->writeFile(QStringLiteral("世帯.csv"), "世帯主名\r\n髙橋　一郎\r\n﨑山　花子\r\n"), 3);
        f->link(0, 2);
        // The first line is an item's name: asked whether it is a title
        // line; いいえ keeps it as data, as 表題なし says.
        f->prompt.script({Answer::No, Answer::No});
        f->w->runButton->click();
        ImportWindow *first = f->w->importWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->outputKindButtons[1]->isChecked());
        QVERIFY(first->executionModeButtons[0]->isChecked());
        QCOMPARE(f->state.outputKind, qint16(1));
        QCOMPARE(f->prompt.texts(), QStringList{SessionText::kFirstLineTitlesQuestion});
        QCOMPARE(first->grid().Rows(), 4);
        f->w->runButton->click();
        QCOMPARE(f->w->importWindow(), first);
        QVERIFY(first->close());
        QTRY_VERIFY(!f->w->importWindow());
        f->w->titleRowButtons[1]->click();
        f->w->runButton->click();
        QVERIFY(f->w->importWindow());
        QCOMPARE(f->w->importWindow()->grid().Rows(), 3);
    }
    // The product's control names live on as object names, and scripts find
    // the widgets by them: every name docs/objects.md gives the main window
    // must be there.
    void documentedObjectNames()
    {
        QFile doc(QDir(QStringLiteral(TERA_SOURCE_DIR)).filePath(QStringLiteral("docs/objects.md")));
        QVERIFY(doc.open(QIODevice::ReadOnly | QIODevice::Text));
        const QRegularExpression row(QStringLiteral("^\\| ([^|]+) \\| `MainWindow::"));
        const QRegularExpression name(QStringLiteral("`([A-Za-z][A-Za-z0-9]*)(?:_0\\.\\.(\\d))?`"));
        int checked = 0;
        for (const QString &line : QString::fromUtf8(doc.readAll()).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch m = row.match(line);
            for (auto it = name.globalMatch(m.captured(1)); m.hasMatch() && it.hasNext();) {
                const QRegularExpressionMatch n = it.next();
                const int last = n.captured(2).isEmpty() ? -1 : n.captured(2).toInt();
                for (int i = last < 0 ? -1 : 0; i <= last; ++i, ++checked) {
                    const QString object = i < 0 ? n.captured(1) : n.captured(1) + QStringLiteral("_%1").arg(i);
                    QVERIFY2(f->w->findChild<QObject *>(object), qPrintable(object));
                }
            }
        }
        QVERIFY(checked > 20);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
