// FileKindDialog, the main window's file-kind dialog, and the file-dialog
// filters. One dialog serves every case, so the cases follow one another
// like a user's uses of it.
#include "mainwin/file_kind_dialog.h"
#include "mainwin/forms.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace tera;

namespace {

// Made in initTestCase, gone in cleanupTestCase (before the application).
std::unique_ptr<FileKindDialog> g_dialog;
FileKindDialog &dialog() { return *g_dialog; }

// Shows the dialog as a caller does; act runs while it is up.
bool use(const std::function<void(FileKindDialog &)> &act)
{
    FileKindDialog &d = dialog();
    QTimer::singleShot(0, [&d, act] { act(d); });
    return d.ask(nullptr);
}

} // namespace

class TestFileKindDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_dialog = std::make_unique<FileKindDialog>(); }
    void cleanupTestCase() { g_dialog.reset(); }

    // The first use gives kind 0. (That a choice carries over to the next
    // use is seen below, where a kind the name still offers stays checked.)
    void firstUseGivesKindZero()
    {
        QVERIFY(use([](FileKindDialog &d) { d.answerButtons[0]->click(); }));
        QCOMPARE(dialog().fileKind(), qint16(0));
        QVERIFY(!dialog().isVisible());
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
        FileKindDialog &d = dialog();
        const qint16 before = d.fileKind();
        QVERIFY(!use([escape](FileKindDialog &dlg) {
            dlg.kindButtons[3]->click();
            if (escape)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.answerButtons[1]->click();
        }));
        QVERIFY(d.cancelled());
        QVERIFY(d.cancelledBox->isChecked());
        QCOMPARE(d.fileKind(), qint16(3)); // the click itself counts, as it did
        QVERIFY(!d.isVisible());
        d.clearCancel();
        QVERIFY(!d.cancelled());
        d.kindButtons[before]->click();
    }

    // The kinds that fit a name, whatever its letter case (a name with none
    // of the extensions leaves them as they were); a choice the name greys
    // out is no answer: the topmost choice still offered takes its place,
    // one still offered stays.
    void kindsFollowTheName_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<int>("after");
        const QList<bool> grid{true, true, true, false, false};
        const QList<bool> comma{false, false, false, true, false};
        const QList<bool> text{false, false, false, true, true};
        QTest::newRow("全ての情報, then a .Csv") << 0 << QStringLiteral("C:\\DATA\\KAKO.Csv") << comma << 3;
        QTest::newRow("全ての情報, then a .txt") << 0 << QStringLiteral("a.txt") << text << 4;
        QTest::newRow("ｺﾝﾏ, then a .txt") << 3 << QStringLiteral("a.txt") << text << 3;
        QTest::newRow("ﾀﾌﾞ, then .vsg after .csv") << 4 << QStringLiteral("/a.csv.vsg") << grid << 0;
        QTest::newRow("ﾃﾞｰﾀのみ, then a .VSG") << 1 << QStringLiteral("/寺/表.VSG") << grid << 1;
    }
    void kindsFollowTheName()
    {
        QFETCH(int, before);
        QFETCH(QString, path);
        QFETCH(QList<bool>, enabled);
        QFETCH(int, after);
        FileKindDialog &d = dialog();
        for (QRadioButton *b : d.kindButtons)
            b->setEnabled(true);
        d.kindButtons[before]->click();
        d.enableForFileName(path);
        d.enableForFileName(QStringLiteral("/寺/台帳.dat"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(d.kindButtons[i]->isEnabled(), enabled.at(i));
        int checked = -1;
        QVERIFY(use([&checked](FileKindDialog &dlg) {
            for (int i = 0; i < 5; ++i)
                if (dlg.kindButtons[i]->isChecked())
                    checked = i;
            dlg.answerButtons[0]->click();
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
