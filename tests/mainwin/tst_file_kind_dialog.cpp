// dlgFile, the one file-kind dialog of the program, and the file-dialog
// filters. The dialog is kept for the whole run, so these cases follow one
// another like a user's uses of it.
#include "mainwin/file_kind_dialog.h"
#include "mainwin/forms.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace tera;

namespace {

// Shows the dialog as a caller does; act runs while it is up.
bool use(const std::function<void(dlgFile &)> &act)
{
    dlgFile &d = dlgFile::instance();
    QTimer::singleShot(0, [&d, act] { act(d); });
    return d.ask(nullptr);
}

} // namespace

class TestFileKindDialog : public QObject {
    Q_OBJECT

private slots:
    void captionsAndOrder()
    {
        dlgFile &d = dlgFile::instance();
        QCOMPARE(d.objectName(), QStringLiteral("dlgFile"));
        QCOMPARE(d.windowTitle(), QStringLiteral("入出力選択"));
        const QStringList captions = {QStringLiteral("全ての情報"), QStringLiteral("ﾃﾞｰﾀのみ"), QStringLiteral("属性情報のみ"),
                                      QStringLiteral("ｺﾝﾏ区切りﾃｷｽﾄ"), QStringLiteral("ﾀﾌﾞ区切りﾃｷｽﾄ")};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(d.rSaveLoadSetting[i]->text(), captions.at(i));
        QCOMPARE(d.Command1[0]->text(), QStringLiteral("ＯＫ"));
        QCOMPARE(d.Command1[1]->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(d.Check1->isHidden());
        // Top to bottom: tab text, comma text, then the grid's own formats.
        d.show();
        QList<int> tops;
        for (int i : {4, 3, 0, 1, 2})
            tops << d.rSaveLoadSetting[i]->y();
        d.hide();
        QVERIFY(std::is_sorted(tops.begin(), tops.end()));
        QVERIFY(tops.first() < tops.last());
    }

    // The first use gives kind 0; a choice carries over to the next use.
    void choiceCarriesOver()
    {
        QVERIFY(use([](dlgFile &d) { d.Command1[0]->click(); }));
        QCOMPARE(dlgFile::instance().fileKind(), qint16(0));
        QVERIFY(!dlgFile::instance().isVisible());
        QVERIFY(use([](dlgFile &d) {
            d.rSaveLoadSetting[4]->click();
            d.Command1[0]->click();
        }));
        QCOMPARE(dlgFile::instance().fileKind(), qint16(4));
        bool stillChecked = false;
        QVERIFY(use([&stillChecked](dlgFile &d) {
            stillChecked = d.rSaveLoadSetting[4]->isChecked();
            d.Command1[0]->click();
        }));
        QVERIFY(stillChecked);
        QCOMPARE(dlgFile::instance().fileKind(), qint16(4));
    }

    // ｷｬﾝｾﾙ keeps the kind and sets the flag, which stays set until a caller
    // clears it; Esc counts the same.
    void cancelSetsFlag_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("ｷｬﾝｾﾙ") << false;
        QTest::newRow("Esc") << true;
    }
    void cancelSetsFlag()
    {
        QFETCH(bool, escape);
        dlgFile &d = dlgFile::instance();
        const qint16 before = d.fileKind();
        QVERIFY(!use([escape](dlgFile &dlg) {
            dlg.rSaveLoadSetting[3]->click();
            if (escape)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.Command1[1]->click();
        }));
        QVERIFY(d.cancelled());
        QVERIFY(d.Check1->isChecked());
        QCOMPARE(d.fileKind(), qint16(3)); // the click itself counts, as it did
        QVERIFY(!d.isVisible());
        QVERIFY(d.cancelled());
        d.clearCancel();
        QVERIFY(!d.cancelled());
        d.rSaveLoadSetting[before]->click();
    }

    // The kinds that fit a name; letter case does not matter, other names
    // leave the states as they were.
    void enableForFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<bool>>("enabled");
        const QList<bool> grid{true, true, true, false, false};
        const QList<bool> comma{false, false, false, true, false};
        const QList<bool> text{false, false, false, true, true};
        QTest::newRow(".vsg") << QStringLiteral("/寺/表.vsg") << grid;
        QTest::newRow(".VSG") << QStringLiteral("/寺/表.VSG") << grid;
        QTest::newRow(".csv") << QStringLiteral("/寺/過去帳.csv") << comma;
        QTest::newRow(".CSV") << QStringLiteral("C:\\DATA\\KAKO.CSV") << comma;
        QTest::newRow(".Csv") << QStringLiteral("kako.Csv") << comma;
        QTest::newRow(".txt") << QStringLiteral("/寺/一覧.txt") << text;
        QTest::newRow(".TXT") << QStringLiteral("/寺/一覧.TXT") << text;
        QTest::newRow(".vsg before .csv") << QStringLiteral("/a.csv.vsg") << grid;
    }
    void enableForFileName()
    {
        QFETCH(QString, path);
        QFETCH(QList<bool>, enabled);
        dlgFile &d = dlgFile::instance();
        d.EnableForFileName(path);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(d.rSaveLoadSetting[i]->isEnabled(), enabled.at(i));
        // A name with none of the extensions changes nothing.
        d.EnableForFileName(QStringLiteral("/寺/台帳.dat"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(d.rSaveLoadSetting[i]->isEnabled(), enabled.at(i));
    }

    // A choice the file name greys out is no answer: the topmost choice
    // still offered takes its place; one still offered stays.
    void ruledOutChoiceGivesWay_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("after");
        QTest::newRow("全ての情報, then a .csv") << 0 << QStringLiteral("a.csv") << 3;
        QTest::newRow("全ての情報, then a .txt") << 0 << QStringLiteral("a.txt") << 4;
        QTest::newRow("ｺﾝﾏ, then a .txt") << 3 << QStringLiteral("a.txt") << 3;
        QTest::newRow("ﾀﾌﾞ, then a .vsg") << 4 << QStringLiteral("a.vsg") << 0;
        QTest::newRow("ﾃﾞｰﾀのみ, then a .VSG") << 1 << QStringLiteral("A.VSG") << 1;
    }
    void ruledOutChoiceGivesWay()
    {
        QFETCH(int, before);
        QFETCH(QString, path);
        QFETCH(int, after);
        dlgFile &d = dlgFile::instance();
        for (QRadioButton *b : d.rSaveLoadSetting)
            b->setEnabled(true);
        d.rSaveLoadSetting[before]->click();
        d.EnableForFileName(path);
        int checked = -1;
        QVERIFY(use([&checked](dlgFile &dlg) {
            for (int i = 0; i < 5; ++i)
                if (dlg.rSaveLoadSetting[i]->isChecked())
                    checked = i;
            dlg.Command1[0]->click();
        }));
        QCOMPARE(checked, after);
        QCOMPARE(d.fileKind(), qint16(after));
    }

    void fileFilters()
    {
        const QStringList f = QtFileFilters(
            QStringLiteral("Takselデータ (*.txt)|*.txt|CSVデータ (*.CSV)|*.CSV|すべてのﾌｧｲﾙ(*.*)|*.*|"));
        QCOMPARE(f.size(), 3);
        QCOMPARE(f.at(0), QStringLiteral("Takselデータ (*.txt) (*.txt *.TXT)"));
        QCOMPARE(f.at(1), QStringLiteral("CSVデータ (*.CSV) (*.CSV *.csv)"));
        QCOMPARE(f.at(2), QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*.*)"));
        QCOMPARE(QtFileFilters(QStringLiteral("Rakselデータ (tera.mdb)|*.mdb")),
                 QStringList{QStringLiteral("Rakselデータ (tera.mdb) (*.mdb *.MDB)")});
    }
};

QTEST_MAIN(TestFileKindDialog)
#include "tst_file_kind_dialog.moc"
