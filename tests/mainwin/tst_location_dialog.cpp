// DatabaseLocationForm (frm確認): the location dialog shown when the search
// finds no database.
#include "mainwin/location_dialog.h"
#include "scripted_prompt.h"

#include <memory>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tera;

class TestLocationDialog : public QObject {
    Q_OBJECT

    // A fresh state, prompt and dialog for each case.
    struct Fixture {
        AppState s;
        ScriptedPrompt p;
        DatabaseLocationForm dialog{s, p};
    };
    std::unique_ptr<Fixture> f;

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // OK with an empty box, Cancel in the question: the dialog stays; the
    // picker cancelled changes nothing; a file is then chosen and OK goes on.
    void emptyPathThenChoose()
    {
        DatabaseLocationForm &d = f->dialog;
        f->p.script({Answer::Cancel});
        f->s.files.database = QStringLiteral("前の値");
        QString picked;
        d.pickFile = [&picked] { return picked; };
        d.show();
        d.okButton->click();
        QCOMPARE(f->p.texts(), QStringList{DatabaseLocationForm::emptyPathQuestion()});
        QCOMPARE(f->p.shown().first().buttons, Buttons::OkCancel);
        QCOMPARE(f->p.shown().first().icon, Icon::Exclamation);
        QVERIFY(d.isVisible());
        QVERIFY(!d.endRequested());
        d.chooseFileButton->click();
        QCOMPARE(d.pathEdit->text(), QString());
        QCOMPARE(f->s.files.database, QStringLiteral("前の値"));
        picked = QStringLiteral("/srv/寺/tera.mdb");
        d.chooseFileButton->click();
        QCOMPARE(d.pathEdit->text(), picked);
        QCOMPARE(f->s.files.database, picked);
        d.okButton->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.cancelFlag());
    }

    // The ways out, each closing the dialog: a path typed into the box is
    // taken as a picked one is; OK on an empty box confirmed ends the
    // program; キャンセル sets the flag.
    void waysOut_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("typed path") << QStringLiteral(" /typed/tera.mdb ") << false;
        QTest::newRow("empty path confirmed") << QString() << false;
        QTest::newRow("キャンセル") << QString() << true;
    }
    void waysOut()
    {
        QFETCH(QString, typed);
        QFETCH(bool, cancel);
        DatabaseLocationForm &d = f->dialog;
        d.show();
        d.pathEdit->setText(typed);
        (cancel ? d.cancelButton : d.okButton)->click(); // the question answered OK
        const bool ends = typed.isEmpty() && !cancel;
        QCOMPARE(f->p.texts().isEmpty(), !ends);
        QCOMPARE(d.cancelFlag(), cancel);
        QCOMPARE(d.endRequested(), ends);
        QVERIFY(!d.isVisible());
        if (!typed.isEmpty()) {
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(f->s.files.database, typed.trimmed());
        }
    }
};

QTEST_MAIN(TestLocationDialog)
#include "tst_location_dialog.moc"
