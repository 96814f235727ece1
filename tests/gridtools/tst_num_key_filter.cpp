// FilterNumKey key by key: what it lets through, what it refuses, and when
// a refusal beeps; and the filter on a real box, with keys typed into it.
#include "gridtools/num_key_filter.h"

#include <QClipboard>
#include <QLineEdit>
#include <QtTest>
#include <limits>

using namespace tera;

class TestNumKeyFilter : public QObject {
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart"); // -1: no selection, caret at the start
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("beeped");

        const int enter = 13;
        QTest::newRow("second digit above the bound") << "5" << -1 << 0 << 0 << 49 << int('0') << true << true;
        QTest::newRow("second digit at the bound") << "4" << -1 << 0 << 0 << 49 << int('9') << false << false;
        QTest::newRow("below the lower bound") << "" << -1 << 0 << 3 << 49 << int('2') << true << true;
        QTest::newRow("full-width digit") << "" << -1 << 0 << 0 << 49 << int(0xFF11) << true << false;
        QTest::newRow("control character (Ctrl+V)") << "1" << -1 << 0 << 0 << 49 << 22 << true << false;
        QTest::newRow("enter") << "5" << -1 << 0 << 0 << 49 << enter << false << false;
        // The digit goes to the end whatever the caret: "4" + "5" = 45.
        QTest::newRow("caret at the start still appends") << "4" << 0 << 0 << 0 << 49 << int('5') << false << false;
        QTest::newRow("text that is not a number") << "abc" << -1 << 0 << 0 << 49 << int('1') << true << false;
        // "48" with the 8 selected becomes "47"; with the 4 selected "98".
        QTest::newRow("part selected, in range") << "48" << 1 << 1 << 0 << 49 << int('7') << false << false;
        QTest::newRow("part selected, out of range") << "48" << 0 << 1 << 0 << 49 << int('9') << true << true;
        QTest::newRow("largest 32-bit number") << "214748364" << -1 << 0 << 0 << -1 << int('7') << false << false;
        QTest::newRow("too large for 32 bits") << "214748364" << -1 << 0 << 0 << -1 << int('8') << true << true;
        QTest::newRow("negative upper bound means no limit") << "3000" << -1 << 0 << 0 << -5 << int('0') << false << false;
        QTest::newRow("negative lower bound means 0") << "" << -1 << 0 << -9 << 9 << int('0') << false << false;
    }

    void keys()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(int, key);
        QFETCH(bool, refused);
        QFETCH(bool, beeped);

        QLineEdit box;
        box.setText(text);
        if (selStart >= 0) {
            box.setCursorPosition(selStart);
            if (selLength > 0)
                box.setSelection(selStart, selLength);
        }
        int beeps = 0;
        int keyAscii = key;
        qint32 lo = lower, hi = upper;
        QCOMPARE(FilterNumKey(box, keyAscii, lo, hi, [&] { ++beeps; }), refused);
        QCOMPARE(keyAscii, refused ? 0 : key);
        QCOMPARE(beeps, beeped ? 1 : 0);
        // The bounds come back normalised in the caller's variables.
        QCOMPARE(lo, lower < 0 ? 0 : lower);
        QCOMPARE(hi, upper < 0 ? std::numeric_limits<qint32>::max() : upper);
        QCOMPARE(box.text(), text); // the filter only judges
    }

    // Keys typed into a real box: refused keys never arrive.
    void typedIntoABox()
    {
        QLineEdit box;
        int beeps = 0, enters = 0;
        qint32 upper = 49;
        auto *filter = new NumKeyFilter(
            &box, [&] { return std::pair<qint32, qint32>{0, upper}; }, [&] { ++beeps; });
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        QTest::keyClicks(&box, QStringLiteral("50x-."));
        QCOMPARE(box.text(), QStringLiteral("5"));
        QCOMPARE(beeps, 1);
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QString());
        QTest::keyClicks(&box, QStringLiteral("12"));
        box.selectAll();
        QTest::keyClicks(&box, QStringLiteral("7"));
        QCOMPARE(box.text(), QStringLiteral("7"));

        // The bounds are asked at every key: they follow the table.
        upper = 100;
        QTest::keyClicks(&box, QStringLiteral("0"));
        QCOMPARE(box.text(), QStringLiteral("70"));

        // Pasting by key is refused like any other control character.
        QGuiApplication::clipboard()->setText(QStringLiteral("99999"));
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.text(), QStringLiteral("70"));

        // Enter passes to the box unless the owner takes it.
        QSignalSpy returned(&box, &QLineEdit::returnPressed);
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(returned.size(), 1);
        filter->onEnter = [&] { ++enters; };
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClick(&box, Qt::Key_Enter);
        QCOMPARE(enters, 2);
        QCOMPARE(returned.size(), 1);
        QCOMPARE(beeps, 1);
    }
};

QTEST_MAIN(TestNumKeyFilter)
#include "tst_num_key_filter.moc"
