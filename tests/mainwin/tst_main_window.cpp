// The main window's own handlers: the start state, the source and database
// pickers with the file-kind dialog, the choices and 読込実行's checks.
#include "window_fixture.h"

#include <QFileInfo>
#include <QGroupBox>
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
        frmListKAKO2 &w = *f->w;
        QCOMPARE(w.windowTitle(), QStringLiteral("fileRead"));
        QCOMPARE(w.Text3->text(), f->state.files.kako);
        QVERIFY(w.Text1->text().isEmpty());
        QVERIFY(w.OptH[0]->isChecked());
        QVERIFY(w.Option1[0]->isChecked());
        QVERIFY(w.Option2[0]->isChecked());
        QCOMPARE(w.mTitleRows, qint16(0));
        QCOMPARE(f->state.outputKind, qint16(0));
        QCOMPARE(f->state.executionMode, qint16(0));
        QCOMPARE(w.lstSelected->count(), 52);
        QCOMPARE(w.lstSelected->item(8)->text(), QStringLiteral("氏名"));
        QCOMPARE(DataLinkEditor::itemData(w.lstSelected->item(8)), 8);
        QCOMPARE(w.lstAll->currentRow(), -1);
        for (const char *other : {"Text1", "Text3", "SSCommand1", "SSCommand2", "vsFReed", "lstAll", "lstSelected", "vsf"})
            QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(other)), other);

        // The choices reach the state.
        w.OptH[1]->click();
        QCOMPARE(w.mTitleRows, qint16(1));
        w.Option2[1]->click();
        QCOMPARE(f->state.executionMode, qint16(1));
        w.Option1[2]->click();
        QCOMPARE(f->state.outputKind, qint16(2));
        QCOMPARE(w.lstSelected->count(), 27);
        QCOMPARE(w.gCatalogue.size(), 27);
    }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const QList<QPair<const char *, const char16_t *>> rows = {
            {"ImFrame3D1", u"読込み選択ファイル(CSV/TEXT)"},
            {"ImFrame3D5", u"書出しファイルパス(tera.mdb)"},
            {"fraTitle", u"元ファイルの表題の区分"},
            {"OptH_0", u"表題なし"},
            {"OptH_1", u"表題あり"},
            {"fraOutKind", u"書き出しデータの区分"},
            {"Option1_0", u"檀信徒個人データ"},
            {"Option1_1", u"世帯データ"},
            {"Option1_2", u"過去帳データ"},
            {"fraExecMode", u"実行区分"},
            {"Option2_0", u"既存データを削除して転記"},
            {"Option2_1", u"既存データに追加転記"},
            {"fraSource", u"読込みデータ・項目"},
            {"fraTarget", u"書き出し項目"},
            {"fraLinks", u"データリンク設定内容"},
            {"Command1", u"リンク"},
            {"Command2", u"解除"},
            {"Command3", u"読込実行"},
            {"Command4", u"終了"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.first) << QString::fromLatin1(r.first) << QString::fromUtf16(r.second);
    }
    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QWidget *control = f->w->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto *frame = qobject_cast<QGroupBox *>(control))
            QCOMPARE(frame->title(), caption);
        else
            QCOMPARE(qobject_cast<QAbstractButton *>(control)->text(), caption);
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
        for (QRadioButton *b : dlgFile::instance().rSaveLoadSetting)
            b->setEnabled(true);
        const QString path = f->writeFile(fileName, content);
        const FileKindSeen seen = f->pickSource(path, kind);
        QVERIFY(seen.shown);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(seen.enabled[i], enabled.at(i));
        QCOMPARE(dlgFile::instance().fileKind(), qint16(kind));
        QCOMPARE(f->w->Text1->text(), path);
        QCOMPARE(f->state.sourcePath, path);
        QCOMPARE(f->w->preview().Rows(), 2);
        QCOMPARE(f->w->preview().TextMatrix(1, 0), QStringLiteral("髙橋　一郎"));
        QCOMPARE(f->w->lstAll->count(), 2);
        QCOMPARE(f->w->lstAll->item(1)->text(), QStringLiteral("住所"));
        QCOMPARE(DataLinkEditor::itemData(f->w->lstAll->item(1)), 1);
        QCOMPARE(f->w->gSrcItems.size(), 3);
        QCOMPARE(f->w->windowTitle(), QCoreApplication::applicationName() + QStringLiteral(" - ") + fileName);
        QVERIFY(f->prompt.texts().isEmpty());
    }

    // The file picker cancelled changes nothing. ｷｬﾝｾﾙ in dlgFile: the
    // message, the new path already set, the source items gone, the flag
    // cleared again.
    void pickCancelled()
    {
        const QString first = f->writeFile(QStringLiteral("a.csv"), kSmall);
        f->pickSource(first, 3);
        f->picked.clear();
        f->w->SSCommand1->click();
        QCOMPARE(f->w->Text1->text(), first);
        QCOMPARE(f->state.sourcePath, first);
        QCOMPARE(f->w->lstAll->count(), 2);
        QCOMPARE(f->w->preview().Rows(), 2);
        const QString second = f->writeFile(QStringLiteral("b.csv"), kSmall);
        FileKindSeen seen = f->pickSource(second, -1, false);
        QVERIFY(seen.shown);
        QCOMPARE(f->prompt.texts(), QStringList{QStringLiteral("ｷｬﾝｾﾙしました。")});
        QCOMPARE(f->prompt.shown().first().icon, Icon::None);
        QCOMPARE(f->w->Text1->text(), second);
        QCOMPARE(f->state.sourcePath, second);
        QCOMPARE(f->w->lstAll->count(), 0);
        QVERIFY(f->w->gSrcItems.isEmpty());
        QVERIFY(!dlgFile::instance().cancelled());
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
        for (QRadioButton *b : dlgFile::instance().rSaveLoadSetting)
            b->setEnabled(true);
        const QString path = f->writeFile(QStringLiteral("odd.dat"), content);
        f->pickSource(path, kind);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY2(f->prompt.texts().first().contains(QStringLiteral("odd.dat")), qPrintable(f->prompt.texts().first()));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(f->w->preview().Rows(), 0);
        QCOMPARE(f->w->lstAll->count(), 0);
    }

    void databasePickDerivesPaths()
    {
        QTemporaryDir other;
        const QString chosen = QDir(other.path()).filePath(QStringLiteral("tera.mdb"));
        f->picked = chosen;
        f->w->SSCommand2->click();
        const QString folder = other.path() + QLatin1Char('/');
        QCOMPARE(f->w->Text3->text(), chosen);
        QCOMPARE(f->state.files.database, chosen);
        QCOMPARE(f->state.files.kako, folder + QStringLiteral("kako.rnd"));
        QCOMPARE(f->state.files.databaseBackup, folder + QStringLiteral("tera2.mdb"));
        // Cancelled: nothing moves.
        f->picked.clear();
        f->w->SSCommand2->click();
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
            f->w->Text1->setText(QStringLiteral("  "));
        f->w->Text3->setText(destination);
        f->prompt.clear();
        f->w->Command3->click();
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
        f->w->Command3->click();
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
        f->w->Option1[1]->click();
        f->pickSource(f->writeFile(QStringLiteral("世帯.csv"), "世帯主名\r\n髙橋　一郎\r\n﨑山　花子\r\n"), 3);
        f->link(0, 2);
        f->w->Command3->click();
        DesnHelp *first = f->w->importWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->Option1[1]->isChecked());
        QVERIFY(first->Option2[0]->isChecked());
        QCOMPARE(f->state.outputKind, qint16(1));
        QVERIFY(f->prompt.texts().isEmpty());
        QCOMPARE(first->grid().Rows(), 4);
        f->w->Command3->click();
        QCOMPARE(f->w->importWindow(), first);
        QVERIFY(first->close());
        QTRY_VERIFY(!f->w->importWindow());
        f->w->OptH[1]->click();
        f->w->Command3->click();
        QVERIFY(f->w->importWindow());
        QCOMPARE(f->w->importWindow()->grid().Rows(), 3);
    }

    void exitEndsProgram()
    {
        f->w->Command4->click();
        QCOMPARE(f->endedWith, 0);
        QVERIFY(f->prompt.texts().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
