// The main window's own handlers: the start state, the source and database
// pickers with the file-kind dialog, the choices and 読込実行's checks.
#include "window_fixture.h"

#include <QFileInfo>
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

    void startState()
    {
        MainWindow &w = *f->w;
        QCOMPARE(w.windowTitle(), QStringLiteral("fileRead"));
        QCOMPARE(w.databasePathEdit->text(), f->state.files.kako);
        QVERIFY(w.sourcePathEdit->text().isEmpty());
        QVERIFY(w.titleRowButtons[0]->isChecked());
        QVERIFY(w.outputKindButtons[0]->isChecked());
        QVERIFY(w.executionModeButtons[0]->isChecked());
        QCOMPARE(w.titleRows, qint16(0));
        QCOMPARE(f->state.outputKind, qint16(0));
        QCOMPARE(f->state.executionMode, qint16(0));
        QCOMPARE(w.targetItems->count(), 52);
        QCOMPARE(w.targetItems->item(8)->text(), QStringLiteral("氏名"));
        QCOMPARE(LinkEditor::itemData(w.targetItems->item(8)), 8);
        QCOMPARE(w.sourceItems->currentRow(), -1);
        for (const char *other : {"Text1", "Text3", "SSCommand1", "SSCommand2", "vsFReed", "lstAll", "lstSelected", "vsf"})
            QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(other)), other);

        // The choices reach the state.
        w.titleRowButtons[1]->click();
        QCOMPARE(w.titleRows, qint16(1));
        w.executionModeButtons[1]->click();
        QCOMPARE(f->state.executionMode, qint16(1));
        w.outputKindButtons[2]->click();
        QCOMPARE(f->state.outputKind, qint16(2));
        QCOMPARE(w.targetItems->count(), 27);
        QCOMPARE(w.catalogue.size(), 27);
    }

    // The kinds offered for each extension, upper case included; the file is
    // read with the kind clicked, and the title names the file.
    void sourcePick_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<bool>>("enabled");
        const QList<bool> comma{false, false, false, true, false};
        const QList<bool> text{false, false, false, true, true};
        QTest::newRow(".CSV") << QStringLiteral("KAKO.CSV") << kSmall << 3 << comma;
        // The kind clicked decides the separator, not the name.
        QTest::newRow(".txt comma") << QStringLiteral("一覧.txt") << kSmall << 3 << text;
        QTest::newRow(".TXT tab") << QStringLiteral("一覧.TXT") << QByteArray(kSmall).replace(',', '\t') << 4 << text;
    }
    void sourcePick()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(int, kind);
        QFETCH(QList<bool>, enabled);
        // Leave the dialog in a state no row above gives.
        for (QRadioButton *b : f->w->fileKindDialog().kindButtons)
            b->setEnabled(true);
        const QString path = f->writeFile(fileName, content);
        const FileKindSeen seen = f->pickSource(path, kind);
        QVERIFY(seen.shown);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(seen.enabled[i], enabled.at(i));
        QCOMPARE(f->w->fileKindDialog().fileKind(), qint16(kind));
        QCOMPARE(f->w->sourcePathEdit->text(), path);
        QCOMPARE(f->state.sourcePath, path);
        QCOMPARE(f->w->preview().Rows(), 2);
        QCOMPARE(f->w->preview().TextMatrix(1, 0), QStringLiteral("髙橋　一郎"));
        QCOMPARE(f->w->sourceItems->count(), 2);
        QCOMPARE(f->w->sourceItems->item(1)->text(), QStringLiteral("住所"));
        QCOMPARE(LinkEditor::itemData(f->w->sourceItems->item(1)), 1);
        QCOMPARE(f->w->sourceColumns.size(), 3);
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
        QCOMPARE(f->w->sourcePathEdit->text(), second);
        QCOMPARE(f->state.sourcePath, second);
        QCOMPARE(f->w->sourceItems->count(), 0);
        QVERIFY(f->w->sourceColumns.isEmpty());
        QVERIFY(!f->w->fileKindDialog().cancelled());
    }

    // A file the grid cannot read is reported; the program goes on with an
    // empty preview.
    void unreadableSource_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("kind");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\x03 not text", 14) << 3;
        QTest::newRow("text read as 全ての情報") << kSmall << 0;
    }
    void unreadableSource()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, kind);
        for (QRadioButton *b : f->w->fileKindDialog().kindButtons)
            b->setEnabled(true);
        const QString path = f->writeFile(QStringLiteral("odd.dat"), content);
        f->pickSource(path, kind);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY2(f->prompt.texts().first().contains(QStringLiteral("odd.dat")), qPrintable(f->prompt.texts().first()));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(f->w->preview().Rows(), 0);
        QCOMPARE(f->w->sourceItems->count(), 0);
    }

    void databasePickDerivesPaths()
    {
        QTemporaryDir other;
        const QString chosen = QDir(other.path()).filePath(QStringLiteral("tera.mdb"));
        f->picked = chosen;
        f->w->databaseBrowseButton->click();
        const QString folder = other.path() + QLatin1Char('/');
        QCOMPARE(f->w->databasePathEdit->text(), chosen);
        QCOMPARE(f->state.files.database, chosen);
        QCOMPARE(f->state.files.kako, folder + QStringLiteral("kako.rnd"));
        QCOMPARE(f->state.files.databaseBackup, folder + QStringLiteral("tera2.mdb"));
        // Cancelled: nothing moves.
        f->picked.clear();
        f->w->databaseBrowseButton->click();
        QCOMPARE(f->state.files.database, chosen);
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
        QTest::newRow("no source, linked") << false << ok << true
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

    // The source file moved away after it was read: said, and no import
    // window opens on an empty table.
    void vanishedSource()
    {
        const QString path = f->writeFile(QStringLiteral("消える.csv"), kSmall);
        f->pickSource(path, 3);
        f->link(0, 8);
        QVERIFY(QFile::remove(path));
        f->w->runButton->click();
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("見つかりません")));
        QVERIFY(f->prompt.texts().first().contains(path));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QVERIFY(!f->w->importWindow());
    }

    // 読込実行 hands the output kind to the import window without its
    // warning, refills the same window while it is open, and makes a fresh
    // one after it was closed.
    void importWindowLifecycle()
    {
        f->w->outputKindButtons[1]->click();
        f->pickSource(f->writeFile(QStringLiteral("世帯.csv"), "世帯主名\r\n髙橋　一郎\r\n﨑山　花子\r\n"), 3);
        f->link(0, 2);
        f->w->runButton->click();
        ImportWindow *first = f->w->importWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->outputKindButtons[1]->isChecked());
        QVERIFY(first->executionModeButtons[0]->isChecked());
        QCOMPARE(f->state.outputKind, qint16(1));
        QVERIFY(f->prompt.texts().isEmpty());
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

    void exitEndsProgram()
    {
        f->w->quitButton->click();
        QCOMPARE(f->endedWith, 0);
        QVERIFY(f->prompt.texts().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
