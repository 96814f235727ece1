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
    std::unique_ptr<AppState> s;
    std::unique_ptr<ScriptedPrompt> p;
    std::unique_ptr<DatabaseLocationForm> dialog;

private slots:
    void init()
    {
        s = std::make_unique<AppState>();
        p = std::make_unique<ScriptedPrompt>();
        dialog = std::make_unique<DatabaseLocationForm>(*s, *p);
    }
    void cleanup()
    {
        dialog.reset();
        p.reset();
        s.reset();
    }

    // OK with an empty box, Cancel in the question: the dialog stays; a file
    // is then chosen and OK goes on.
    void emptyPathThenChoose()
    {
        DatabaseLocationForm &d = *dialog;
        p->script({Answer::Cancel});
        d.pickFile = [] { return QStringLiteral("/srv/寺/tera.mdb"); };
        d.show();
        d.okButton->click();
        QCOMPARE(p->texts(), QStringList{DatabaseLocationForm::emptyPathQuestion()});
        QCOMPARE(p->shown().first().buttons, Buttons::OkCancel);
        QCOMPARE(p->shown().first().icon, Icon::Exclamation);
        QVERIFY(p->texts().first().contains(QStringLiteral("\r\n処理を中止する場合、「OK」ボタンを押してください。\r\n")));
        QVERIFY(d.isVisible());
        QVERIFY(!d.endRequested());
        d.chooseFileButton->click();
        QCOMPARE(d.pathEdit->text(), QStringLiteral("/srv/寺/tera.mdb"));
        QCOMPARE(s->files.database, QStringLiteral("/srv/寺/tera.mdb"));
        d.okButton->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.cancelFlag());
    }

    void emptyPathConfirmedEndsProgram()
    {
        DatabaseLocationForm &d = *dialog;
        p->script({Answer::Ok});
        d.show();
        d.okButton->click();
        QVERIFY(d.endRequested());
        QVERIFY(!d.isVisible());
    }

    void pickerCancelledChangesNothing()
    {
        DatabaseLocationForm &d = *dialog;
        s->files.database = QStringLiteral("前の値");
        d.pickFile = [] { return QString(); };
        d.chooseFileButton->click();
        QCOMPARE(d.pathEdit->text(), QString());
        QCOMPARE(s->files.database, QStringLiteral("前の値"));
    }

    // Typed text lets OK close the dialog but is not taken as the path.
    void typedPathIsNotTaken()
    {
        DatabaseLocationForm &d = *dialog;
        d.show();
        d.pathEdit->setText(QStringLiteral("/typed/tera.mdb"));
        d.okButton->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(s->files.database, QString());
        QVERIFY(p->texts().isEmpty());
    }

    void cancelSetsFlag()
    {
        DatabaseLocationForm &d = *dialog;
        d.show();
        d.cancelButton->click();
        QVERIFY(d.cancelFlag());
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TestLocationDialog)
#include "tst_location_dialog.moc"
