// Saved data links: a round trip, links that follow their titles when the
// columns move, and loads that say which source columns are missing.
#include "model/app_state.h"
#include "convert/item_catalogue.h"
#include "file_faults.h"
#include "transcribe/link_file.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

const QStringList kTitles{QStringLiteral("戒名"), QStringLiteral("俗名"), QStringLiteral("没年月日（9999年99月99日）"),
                          QStringLiteral("施主名")};
const QList<DataLink> kLinks{{0, 10}, {1, 11}, {2, 1}, {3, 12}};

QList<std::pair<int, int>> pairs(const QList<DataLink> &links)
{
    QList<std::pair<int, int>> out;
    for (const DataLink &l : links)
        out << std::pair{l.sourceColumn, l.importColumn};
    return out;
}

} // namespace

class TestLinkFile : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("titleRows");
        QTest::newRow("death register, titles") << int(kOutDeathRegister) << 1;
        QTest::newRow("death register, no titles") << int(kOutDeathRegister) << 0;
    }
    void roundTrip()
    {
        QFETCH(int, kind);
        QFETCH(int, titleRows);
        const Catalogue cat = CatalogueOf(qint16(kind));
        const LinkFile saved = MakeLinkFile(qint16(kind), qint16(titleRows), kLinks, kTitles, cat);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("過去帳のリンク.json"));
        QString error;
        QVERIFY2(WriteLinkFile(path, saved, error), qPrintable(error));

        LinkFile back;
        QVERIFY2(ReadLinkFile(path, back, error), qPrintable(error));
        QCOMPARE(back.kind, qint16(kind));
        QCOMPARE(back.titleRows, qint16(titleRows));
        QCOMPARE(back.links.size(), kLinks.size());
        QCOMPARE(back.links.at(2).targetName, QStringLiteral("没年月日"));
        QCOMPARE(back.links.at(0).sourceTitle, titleRows == 1 ? QStringLiteral("戒名") : QString());

        const LinkMatch m = MatchSavedLinks(back, kTitles, int(kTitles.size()), cat);
        QVERIFY(m.complete());
        QVERIFY(m.moved.isEmpty());
        QCOMPARE(pairs(m.links), pairs(kLinks));
        QVERIFY(LinkMatchMessage(m).isEmpty());
    }

    // The next export has its columns in another order and lacks one: the
    // links follow their titles, and the load names the missing column.
    void columnsMovedOrMissing()
    {
        const Catalogue cat = CatalogueOf(kOutDeathRegister);
        const LinkFile saved = MakeLinkFile(kOutDeathRegister, 1, kLinks, kTitles, cat);
        const QStringList now{QStringLiteral("施主名"), QStringLiteral(" 戒名 "), QStringLiteral("備考"),
                              QStringLiteral("没年月日（9999年99月99日）")};
        const LinkMatch m = MatchSavedLinks(saved, now, int(now.size()), cat);
        QVERIFY(!m.complete());
        QCOMPARE(pairs(m.links), (QList<std::pair<int, int>>{{1, 10}, {3, 1}, {0, 12}}));
        QCOMPARE(m.missing, QStringList{QStringLiteral("読込み列 1「俗名」")});
        QCOMPARE(m.moved, (QStringList{QStringLiteral("「戒名」: 読込み列 0 → 1"), QStringLiteral("「没年月日（9999年99月99日）」: 読込み列 2 → 3"),
                                   QStringLiteral("「施主名」: 読込み列 3 → 0")}));
        const QString said = LinkMatchMessage(m);
        QVERIFY(said.contains(QStringLiteral("今のファイルにない")));
        QVERIFY(said.contains(QStringLiteral("俗名")));

        // Without titles the columns are taken by number.
        const LinkFile untitled = MakeLinkFile(kOutDeathRegister, 0, kLinks, kTitles, cat);
        const LinkMatch n = MatchSavedLinks(untitled, {}, 2, cat);
        QCOMPARE(pairs(n.links), (QList<std::pair<int, int>>{{0, 10}, {1, 11}}));
        QCOMPARE(n.missing.size(), 2);
        QVERIFY(n.missing.first().contains(QStringLiteral("読込み列 2")));
    }

    // A slot the kind's catalogue does not take is refused, not guessed.
    void targetsRefused()
    {
        LinkFile f;
        f.kind = kOutDeathRegister;
        f.links << SavedLink{0, QString(), 0, QStringLiteral("過去CD")}    // may not be linked
                << SavedLink{0, QString(), 27, QStringLiteral("何か")}      // past the catalogue
                << SavedLink{0, QString(), 10, QStringLiteral("俗名")}      // the slot is called otherwise now
                << SavedLink{0, QString(), 11, QStringLiteral("俗名")};
        const LinkMatch m = MatchSavedLinks(f, {QStringLiteral("x")}, 1, CatalogueOf(kOutDeathRegister));
        QCOMPARE(m.refused.size(), 3);
        QCOMPARE(pairs(m.links), (QList<std::pair<int, int>>{{0, 11}}));
        QVERIFY(LinkMatchMessage(m).contains(QStringLiteral("書出し項目 27「何か」")));
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("not json") << QByteArray("戒名,俗名\r\n") << QStringLiteral("読めない形式");
        QTest::newRow("another json") << QByteArray("{\"name\": 1}") << QStringLiteral("データリンクのファイルではありません");
        QTest::newRow("newer version")
            << QByteArray("{\"format\":\"tera-import data link\",\"version\":2,\"kind\":\"death\",\"links\":[]}")
            << QStringLiteral("新しい版（2）");
        QTest::newRow("no version") << QByteArray("{\"format\":\"tera-import data link\",\"kind\":\"death\",\"links\":[]}")
                                    << QStringLiteral("版がありません");
        QTest::newRow("unknown kind")
            << QByteArray("{\"format\":\"tera-import data link\",\"version\":1,\"kind\":\"temples\",\"links\":[]}")
            << QStringLiteral("temples");
        QTest::newRow("link without numbers")
            << QByteArray("{\"format\":\"tera-import data link\",\"version\":1,\"kind\":\"death\",\"links\":[{\"source\":0},"
                          "{\"source\":\"1\",\"target\":2}]}")
            << QStringLiteral("1 番目のリンク");
        QTest::newRow("negative column")
            << QByteArray("{\"format\":\"tera-import data link\",\"version\":1,\"kind\":\"death\",\"links\":[{\"source\":-1,"
                          "\"target\":10}]}")
            << QStringLiteral("1 番目のリンク");
    }
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        LinkFile out;
        out.kind = kOutMembers;
        QString error;
        QVERIFY(!ParseLinkFile(bytes, out, error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(out.kind, qint16(kOutMembers)); // untouched
        // Read from a file, the message names it.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("links.json"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QVERIFY(!ReadLinkFile(path, out, error));
        QVERIFY2(error.startsWith(QDir::toNativeSeparators(path)) && error.contains(message), qPrintable(error));
    }

    // A save that cannot be finished keeps the link saved before, byte for
    // byte.
    void faultsKeepTheSavedLink_data() { FaultyFolder::addRows(); }
    void faultsKeepTheSavedLink()
    {
        QFETCH(WriteFault, fault);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        const QString path = dir.filePath(QStringLiteral("links.json"));
        const Catalogue cat = CatalogueOf(kOutDeathRegister);
        QString error;
        QVERIFY(WriteLinkFile(path, MakeLinkFile(kOutDeathRegister, 1, kLinks.mid(0, 1), kTitles, cat), error));
        expectSaveKeepsFolder(dir, 64, [&](QString &why) {
            return WriteLinkFile(path, MakeLinkFile(kOutDeathRegister, 1, kLinks, kTitles, cat), why);
        });
    }

};

QTEST_GUILESS_MAIN(TestLinkFile)
#include "tst_link_file.moc"
