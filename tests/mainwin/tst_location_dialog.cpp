// frm確認: the location dialog shown when the search finds no database.
#include "mainwin/location_dialog.h"
#include "scripted_prompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tera;

class TestLocationDialog : public QObject {
    Q_OBJECT

private slots:
    void captions()
    {
        AppState s;
        ScriptedPrompt p;
        frm確認 d(s, p);
        QCOMPARE(d.windowTitle(), QStringLiteral("データ確認"));
        QCOMPARE(d.Label1->text(), QStringLiteral("「カリンデ」のデータ位置を指定してください。"));
        QCOMPARE(d.Label2->text(), QStringLiteral("データ名は　tera.mdb です。"));
        QCOMPARE(d.Label3->text(), QStringLiteral("標準インストールされた場合、C:\\Program Files の「カリンデNEW」内に存在します。"));
        QCOMPARE(d.Command2->text(), QStringLiteral("ファイル選択"));
        QCOMPARE(d.Command1->text(), QStringLiteral("OK"));
        QCOMPARE(d.Command3->text(), QStringLiteral("キャンセル"));
        QVERIFY(!d.cancelFlag());
    }

    // OK with an empty box, Cancel in the question: the dialog stays; a file
    // is then chosen and OK goes on.
    void emptyPathThenChoose()
    {
        AppState s;
        ScriptedPrompt p;
        p.script({Answer::Cancel});
        frm確認 d(s, p);
        d.pickFile = [] { return QStringLiteral("/srv/寺/tera.mdb"); };
        d.show();
        d.Command1->click();
        QCOMPARE(p.texts(), QStringList{frm確認::emptyPathQuestion()});
        QCOMPARE(p.shown().first().buttons, Buttons::OkCancel);
        QCOMPARE(p.shown().first().icon, Icon::Exclamation);
        QVERIFY(p.texts().first().contains(QStringLiteral("\r\n処理を中止する場合、「OK」ボタンを押してください。\r\n")));
        QVERIFY(d.isVisible());
        QVERIFY(!d.endRequested());
        d.Command2->click();
        QCOMPARE(d.Text1->text(), QStringLiteral("/srv/寺/tera.mdb"));
        QCOMPARE(s.files.database, QStringLiteral("/srv/寺/tera.mdb"));
        d.Command1->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.cancelFlag());
    }

    void emptyPathConfirmedEndsProgram()
    {
        AppState s;
        ScriptedPrompt p;
        p.script({Answer::Ok});
        frm確認 d(s, p);
        d.show();
        d.Command1->click();
        QVERIFY(d.endRequested());
        QVERIFY(!d.isVisible());
    }

    void pickerCancelledChangesNothing()
    {
        AppState s;
        s.files.database = QStringLiteral("前の値");
        ScriptedPrompt p;
        frm確認 d(s, p);
        d.pickFile = [] { return QString(); };
        d.Command2->click();
        QCOMPARE(d.Text1->text(), QString());
        QCOMPARE(s.files.database, QStringLiteral("前の値"));
    }

    // Typed text lets OK close the dialog but is not taken as the path.
    void typedPathIsNotTaken()
    {
        AppState s;
        ScriptedPrompt p;
        frm確認 d(s, p);
        d.show();
        d.Text1->setText(QStringLiteral("/typed/tera.mdb"));
        d.Command1->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(s.files.database, QString());
        QVERIFY(p.texts().isEmpty());
    }

    void cancelSetsFlag()
    {
        AppState s;
        ScriptedPrompt p;
        frm確認 d(s, p);
        d.show();
        d.Command3->click();
        QVERIFY(d.cancelFlag());
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TestLocationDialog)
#include "tst_location_dialog.moc"
