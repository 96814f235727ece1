// The command examples of the README and the guide, run as written in a
// fresh folder that holds nothing but a copy of examples/: every command must
// end with the exit code the text gives it (0 unless a line that reads just
// "# 終了コード N" stands above it), and the summary line that check and transcribe print,
// with its row counts, must be the one the text shows.
#include "program_run.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

struct Command {
    QStringList args; // after ./build/tera-import
    int expectedCode = 0;
    QString line;     // as written, for messages
};

struct Section {
    QList<Command> commands;
    QStringList shown; // the ```text blocks: what the text says the commands print
    QString problem;   // a command the test cannot run as written
};

// The part of a Markdown file from the heading that starts with heading to
// the next heading of the same level.
QString sectionOf(const QString &path, const QString &heading)
{
    QFile f(path);
    const QString text = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    const int start = text.indexOf(QStringLiteral("\n") + heading);
    if (start < 0)
        return QString();
    const int end = text.indexOf(QStringLiteral("\n## "), start + 1);
    return text.mid(start, end < 0 ? -1 : end - start);
}

Section parseSection(const QString &text)
{
    Section s;
    QString fence, pending, block;
    int expected = 0;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        if (raw.startsWith(QStringLiteral("```"))) {
            if (fence == QStringLiteral("text"))
                s.shown << block;
            fence = fence.isEmpty() ? raw.mid(3).trimmed() : QString();
            block.clear();
            continue;
        }
        if (fence == QStringLiteral("text"))
            block += raw + QLatin1Char('\n');
        if (fence != QStringLiteral("sh"))
            continue;
        QString line = raw.trimmed();
        const QRegularExpressionMatch code = QRegularExpression(QStringLiteral("^# 終了コード (\\d)$")).match(line);
        if (code.hasMatch()) {
            expected = code.captured(1).toInt();
            continue;
        }
        if (pending.isEmpty() && (line.isEmpty() || line.startsWith(QLatin1Char('#'))))
            continue;
        // A comment after a command, then the continuation of a long line.
        const int comment = line.indexOf(QStringLiteral("  #"));
        if (comment >= 0)
            line = line.left(comment).trimmed();
        if (line.endsWith(QLatin1Char('\\'))) {
            pending += line.chopped(1) + QLatin1Char(' ');
            continue;
        }
        const QString written = pending + line;
        QStringList words = written.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        pending.clear();
        if (words.value(0) != QStringLiteral("./build/tera-import") || written.contains(QLatin1Char('"'))
            || written.contains(QLatin1Char('\''))) {
            s.problem = QStringLiteral("not a plain ./build/tera-import command: ") + written;
            continue;
        }
        words.removeFirst();
        s.commands << Command{words, expected, written};
        expected = 0;
    }
    return s;
}

bool copyExamples(const QString &to)
{
    const QDir from(QStringLiteral(TERA_SOURCE_DIR "/examples"));
    if (!QDir().mkpath(to))
        return false;
    for (const QString &name : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(name), QDir(to).filePath(name)))
            return false;
    return true;
}

} // namespace

class TestDocExamples : public QObject {
    Q_OBJECT

private slots:
    void examplesRunAsWritten_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("least"); // commands the section must hold at least
        QTest::newRow("README batch command line") << QStringLiteral("README.md") << QStringLiteral("## Batch command line") << 5;
        QTest::newRow("guide command line") << QStringLiteral("docs/guide.md") << QStringLiteral("## 11.") << 3;
        QTest::newRow("guide migration") << QStringLiteral("docs/guide.md") << QStringLiteral("## 12.") << 10;
    }

    void examplesRunAsWritten()
    {
        QFETCH(QString, file);
        QFETCH(QString, heading);
        QFETCH(int, least);
        const QString section = sectionOf(QStringLiteral(TERA_SOURCE_DIR "/") + file, heading);
        QVERIFY2(!section.isEmpty(), qPrintable(heading));
        const Section s = parseSection(section);
        QVERIFY2(s.problem.isEmpty(), qPrintable(s.problem));
        QVERIFY2(s.commands.size() >= least, qPrintable(QString::number(s.commands.size())));

        QTemporaryDir fresh;
        QVERIFY(fresh.isValid());
        QVERIFY(copyExamples(fresh.filePath(QStringLiteral("examples"))));
        for (const Command &c : s.commands) {
            const ProgramRun r = runTera(c.args, {}, 120000, fresh.path());
            QVERIFY2(r.code == c.expectedCode, qPrintable(QStringLiteral("%1\nexit %2, expected %3\n%4%5")
                                                              .arg(c.line)
                                                              .arg(r.code)
                                                              .arg(c.expectedCode)
                                                              .arg(r.out, r.err)));
            const QString command = c.args.value(0);
            // A refused command prints no summary; its exit code said enough.
            if ((command != QStringLiteral("check") && command != QStringLiteral("transcribe")) || c.expectedCode >= 2)
                continue;
            // The summary line with its counts is shown in the text; a check
            // output shown whole must be the output as it is.
            const QString summary = r.out.section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(!summary.isEmpty(), qPrintable(c.line));
            bool found = false;
            for (const QString &block : s.shown) {
                if (block.split(QLatin1Char('\n')).contains(summary))
                    found = true;
                // A block of the summary and its findings ("3 行目 [...] ...").
                const bool wholeCheck =
                    block.startsWith(summary + QLatin1Char('\n'))
                    && QRegularExpression(QStringLiteral("^\\d+ 行目.*\\[")).match(block.section(QLatin1Char('\n'), 1, 1)).hasMatch();
                if (command == QStringLiteral("check") && wholeCheck)
                    QCOMPARE(r.out, block);
            }
            QVERIFY2(found, qPrintable(QStringLiteral("%1\nprints \"%2\", which the text does not show").arg(c.line, summary)));
        }
    }
};

QTEST_GUILESS_MAIN(TestDocExamples)
#include "tst_doc_examples.moc"
