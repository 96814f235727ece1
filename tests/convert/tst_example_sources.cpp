// The sample source files under examples/: their titles are the catalogue's
// labels, their rows are whole, and the CP932 copies hold the same text as
// the UTF-8 ones.
#include "convert/item_catalogue.h"

#include <QFile>
#include <QStringDecoder>
#include <QtTest>

using namespace tera;

namespace {

QByteArray readExample(const QString &name)
{
    QFile f(QStringLiteral(TERA_SOURCE_DIR "/examples/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Comma-separated fields; a field in double quotes may hold commas, and ""
// stands for one quote.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

} // namespace

class TestExampleSources : public QObject {
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("kind");
        QTest::newRow("members") << QStringLiteral("members") << 0;
        QTest::newRow("households") << QStringLiteral("households") << 1;
        QTest::newRow("death register") << QStringLiteral("death-register") << 2;
    }
    void samples()
    {
        QFETCH(QString, base);
        QFETCH(int, kind);
        const QByteArray utf8 = readExample(base + QStringLiteral(".utf8.csv"));
        const QByteArray cp932 = readExample(base + QStringLiteral(".cp932.csv"));
        QVERIFY(!utf8.isEmpty());
        QVERIFY(!cp932.isEmpty());

        QStringDecoder fromUtf8(QStringConverter::Utf8);
        const QString text = fromUtf8.decode(utf8);
        QVERIFY(!fromUtf8.hasError());
        QStringDecoder fromCp932("windows-31j");
        QVERIFY(fromCp932.isValid());
        QCOMPARE(QString(fromCp932.decode(cp932)), text);
        QVERIFY(!fromCp932.hasError());

        const QList<QStringList> rows = parseCsv(text);
        QVERIFY(rows.size() >= 9 && rows.size() <= 16);
        QStringList labels;
        QList<CatalogueLine> lines;
        Catalogue catalogue;
        BuildItemCatalogue(lines, qint16(kind), catalogue);
        for (const CatalogueLine &l : lines)
            if (!catalogue[l.itemData].noLink)
                labels << l.label;
        for (const QString &title : rows.first())
            QVERIFY2(labels.contains(title), qPrintable(title));
        for (const QStringList &row : rows)
            QCOMPARE(row.size(), rows.first().size());
    }

    // The death register's donors are mostly members of the members sample,
    // so that linking them shows.
    void donorsAreMembers()
    {
        const QList<QStringList> members = parseCsv(QString::fromUtf8(readExample(QStringLiteral("members.utf8.csv"))));
        const QList<QStringList> deaths = parseCsv(QString::fromUtf8(readExample(QStringLiteral("death-register.utf8.csv"))));
        QVERIFY(!members.isEmpty() && !deaths.isEmpty());
        const int nameColumn = int(members.first().indexOf(QStringLiteral("氏名")));
        const int donorColumn = int(deaths.first().indexOf(QStringLiteral("施主名")));
        QVERIFY(nameColumn >= 0 && donorColumn >= 0);
        QStringList names;
        for (const QStringList &row : members.mid(1))
            names << row[nameColumn];
        int linked = 0;
        for (const QStringList &row : deaths.mid(1))
            linked += names.contains(row[donorColumn]) ? 1 : 0;
        QVERIFY(linked >= deaths.size() / 2);
        QVERIFY(linked < deaths.size() - 1); // one donor is new and gets a household
    }
};

QTEST_GUILESS_MAIN(TestExampleSources)
#include "tst_example_sources.moc"
