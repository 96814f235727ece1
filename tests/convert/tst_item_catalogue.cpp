// The item catalogue of the three output kinds: every label, field name,
// type code, width and link permission, and the shape of the lists.
#include "convert/item_catalogue.h"

#include <QtTest>

using namespace tera;

class TestItemCatalogue : public QObject {
    Q_OBJECT

private:
    static void row(int kind, int index, const char16_t *label, const char16_t *name, const char *type, int width, bool linkable)
    {
        QTest::addRow("kind%d/%d", kind, index) << kind << index << QString::fromUtf16(label) << QString::fromUtf16(name)
                                                << QString::fromLatin1(type) << width << linkable;
    }

private slots:
    void everyItem_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("linkable");
        row(2, 0, u"過去帳管理番号--リンク不可", u"過去CD", "LNG", 4, false);
        row(2, 1, u"没年月日（9999年99月99日）", u"没年月日", "LNG", 4, true);
        row(2, 2, u"没年(年号xx年xx月xx日)", u"没年月日", "LNG", 4, true);
        row(2, 3, u"没年年号---(昭和・平成等)", u"没年年号", "STR", 4, true);
        row(2, 4, u"没年号年----(十二の形式)", u"没年号年", "STR", 6, true);
        row(2, 5, u"没年月----(一、二の形式)", u"没年月", "STR", 4, true);
        row(2, 6, u"没年日----(一、二の形式)", u"没年日", "STR", 6, true);
        row(2, 7, u"享年------(1,2,3の形式)", u"享年", "STR", 3, true);
        row(2, 8, u"XXXXXX----", u"享年和", "STR", 10, false);
        row(2, 9, u"戒名ヨミカナ--(ｱｲｳの形式)", u"ﾖﾐ", "STR", 50, true);
        row(2, 10, u"戒名", u"戒名", "STR", 40, true);
        row(2, 11, u"俗名", u"俗名", "STR", 20, true);
        row(2, 12, u"施主名", u"施主名", "STR", 20, true);
        row(2, 13, u"続柄", u"続柄", "INT", 10, true);
        row(2, 14, u"没年(西暦年2002の形式)", u"没年(西暦年)", "LNG", 8, true);
        row(2, 15, u"没年月--(数値1,2,3形式)", u"没年月(数値)", "LNG", 4, true);
        row(2, 16, u"没年日--(数値1,2,3形式)", u"没年日(数値)", "LNG", 4, true);
        row(2, 17, u"寺番号", u"寺番号", "LNG", 4, true);
        row(2, 18, u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true);
        row(2, 19, u"担当者名", u"担当者名", "STR", 50, true);
        row(2, 20, u"===============", u"世帯ＩＤ", "STR", 10, false);
        row(2, 21, u"===============", u"個人ＩＤ", "STR", 10, true);
        row(2, 22, u"郵便番号(xxx-xxxx)", u"郵便番号", "STR", 50, true);
        row(2, 23, u"住所", u"住所", "STR", 50, true);
        row(2, 24, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 40, true);
        row(2, 25, u"地区", u"地区", "STR", 40, true);
        row(2, 26, u"検索項目", u"検索項目", "STR", 256, true);
        row(1, 0, u"管理番号-----リンク不可", u"管理番号", "LNG", 4, false);
        row(1, 1, u"世帯番号-----リンク不可", u"世帯番号", "STR", 10, false);
        row(1, 2, u"世帯主名", u"世帯主名", "STR", 50, true);
        row(1, 3, u"世帯ｶﾅ", u"世帯ｶﾅ", "STR", 50, true);
        row(1, 4, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 20, true);
        row(1, 5, u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 20, true);
        row(1, 6, u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true);
        row(1, 7, u"郵便下桁-----4桁", u"郵便下桁", "STR", 4, true);
        row(1, 8, u"住所1", u"住所1", "STR", 50, true);
        row(1, 9, u"住所2", u"住所2", "STR", 50, true);
        row(1, 10, u"郵便番号(999-9999)", u"郵便番号", "STR", 20, true);
        row(1, 11, u"案内先氏名", u"案内先氏名", "STR", 50, true);
        row(1, 12, u"案内先〒", u"案内先〒", "STR", 50, true);
        row(1, 13, u"案内先住所", u"案内先住所", "STR", 50, true);
        row(1, 14, u"案内先電話", u"案内先電話", "STR", 50, true);
        row(1, 15, u"案内先ＦＡＸ", u"案内先ＦＡＸ", "STR", 50, true);
        row(1, 16, u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true);
        row(1, 17, u"担当者名", u"担当者名", "STR", 50, true);
        row(1, 18, u"予備", u"予備", "STR", 50, true);
        row(1, 19, u"連絡先氏名", u"連絡先氏名", "STR", 50, true);
        row(1, 20, u"連絡先〒", u"連絡先〒", "STR", 50, true);
        row(1, 21, u"連絡先住所", u"連絡先住所", "STR", 50, true);
        row(1, 22, u"連絡先住所２", u"連絡先住所２", "STR", 50, true);
        row(1, 23, u"連絡先電話", u"連絡先電話", "STR", 50, true);
        row(1, 24, u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true);
        row(1, 25, u"訪問先氏名", u"訪問先氏名", "STR", 50, true);
        row(1, 26, u"訪問先〒", u"訪問先〒", "STR", 50, true);
        row(1, 27, u"訪問先住所", u"訪問先住所", "STR", 50, true);
        row(1, 28, u"訪問先住所２", u"訪問先住所２", "STR", 50, true);
        row(1, 29, u"訪問先電話", u"訪問先電話", "STR", 50, true);
        row(1, 30, u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true);
        row(1, 31, u"地区", u"地区", "STR", 50, true);
        row(1, 32, u"検索", u"検索", "STR", 256, true);
        row(0, 0, u"IDNO-----リンク不可", u"ID", "STR", 6, false);
        row(0, 1, u"個人番号-----リンク不可", u"個人番号", "STR", 10, false);
        row(0, 2, u"登録日(yyyy/mm/dd)", u"登録日", "DATE", 8, true);
        row(0, 3, u"取消日(yyyy/mm/dd)", u"取消日", "DATE", 8, true);
        row(0, 4, u"世帯番号(000000)", u"世帯番号", "STR", 10, true);
        row(0, 5, u"続柄番号-----リンク不可", u"続柄番号", "STR", 2, false);
        row(0, 6, u"続柄CD------リンク不可", u"続柄番号", "LNG", 6, false);
        row(0, 7, u"続柄名", u"続柄名", "STR", 16, true);
        row(0, 8, u"氏名", u"氏名", "STR", 26, true);
        row(0, 9, u"読み仮名", u"読み仮名", "STR", 26, true);
        row(0, 10, u"性別", u"性別", "STR", 2, true);
        row(0, 11, u"生れ西暦年(yyyy)", u"生れ西暦年", "LNG", 8, true);
        row(0, 12, u"生れ年号(昭和・平成・・・）", u"生れ年号", "STR", 4, true);
        row(0, 13, u"生れ年号年(昭和yy年)", u"生れ年号年", "LNG", 8, true);
        row(0, 14, u"生れ月", u"生れ月", "LNG", 8, true);
        row(0, 15, u"生れ日", u"生れ日", "LNG", 8, true);
        row(0, 16, u"生れ干支", u"生れ干支", "STR", 12, true);
        row(0, 17, u"生れ星", u"生れ星", "STR", 12, true);
        row(0, 18, u"誕生仏", u"誕生仏", "STR", 12, true);
        row(0, 19, u"携帯電話(xxx-xxx-xxxx)", u"携帯電話", "STR", 11, true);
        row(0, 20, u"XXXXXXX-----リンク不可", u"XXXXXXX", "STR", 1, false);
        row(0, 21, u"メモ", u"メモ", "STR", 256, true);
        row(0, 22, u"職業", u"職業", "STR", 50, true);
        row(0, 23, u"勤務先名称", u"勤務先名称", "STR", 50, true);
        row(0, 24, u"勤務先部課", u"勤務先部課", "STR", 50, true);
        row(0, 25, u"勤務先住所", u"勤務先住所", "STR", 50, true);
        row(0, 26, u"勤務先電話(xxx-xxx-xxxx)", u"勤務先電話", "STR", 20, true);
        row(0, 27, u"勤務先内線", u"勤務先内線", "STR", 20, true);
        row(0, 28, u"勤務関係メモ", u"勤務関係メモ", "STR", 258, true);
        row(0, 29, u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false);
        row(0, 30, u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false);
        row(0, 31, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 12, true);
        row(0, 32, u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 12, true);
        row(0, 33, u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true);
        row(0, 34, u"郵便下桁-----4桁", u"郵便下桁", "STR", 5, true);
        row(0, 35, u"住所", u"住所", "STR", 50, true);
        row(0, 36, u"住所２", u"住所２", "STR", 50, true);
        row(0, 37, u"郵便番号---(XXX-XXXX)", u"郵便番号", "STR", 20, true);
        row(0, 38, u"連絡先氏名", u"連絡先氏名", "STR", 50, true);
        row(0, 39, u"連絡先〒", u"連絡先〒", "STR", 50, true);
        row(0, 40, u"連絡先住所", u"連絡先住所", "STR", 50, true);
        row(0, 41, u"連絡先住所２", u"連絡先住所２", "STR", 50, true);
        row(0, 42, u"連絡先電話(xxx-xxx-xxxx)", u"連絡先電話", "STR", 50, true);
        row(0, 43, u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true);
        row(0, 44, u"訪問先氏名", u"訪問先氏名", "STR", 50, true);
        row(0, 45, u"訪問先〒", u"訪問先〒", "STR", 50, true);
        row(0, 46, u"訪問先住所", u"訪問先住所", "STR", 50, true);
        row(0, 47, u"訪問先住所２", u"訪問先住所２", "STR", 50, true);
        row(0, 48, u"訪問先電話", u"訪問先電話", "STR", 50, true);
        row(0, 49, u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true);
        row(0, 50, u"地区", u"地区", "STR", 50, true);
        row(0, 51, u"検索用文字列", u"検索", "STR", 256, true);
    }
    void everyItem()
    {
        QFETCH(int, kind);
        QFETCH(int, index);
        QFETCH(QString, label);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(int, width);
        QFETCH(bool, linkable);
        QList<CatalogueLine> list;
        Catalogue catalogue;
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QVERIFY(index < list.size());
        QCOMPARE(list[index].label, label);
        QCOMPARE(list[index].itemData, index);
        const ItemRec &r = catalogue.at(index);
        QCOMPARE(r.index, qint16(index));
        QCOMPARE(r.name, name);
        QCOMPARE(r.typeCode, type);
        QCOMPARE(r.width, qint16(width));
        QCOMPARE(r.noLink, qint16(linkable ? 0 : 1));
        QCOMPARE(r.column, qint16(0));
    }

    void shapeOfEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("slotCount");
        QTest::newRow("members") << 0 << 52 << 53;
        QTest::newRow("households") << 1 << 33 << 34;
        QTest::newRow("death register") << 2 << 27 << 27;
    }
    void shapeOfEachKind()
    {
        QFETCH(int, kind);
        QFETCH(int, lines);
        QFETCH(int, slotCount);
        QList<CatalogueLine> list;
        Catalogue catalogue;
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QCOMPARE(list.size(), lines);
        QCOMPARE(catalogue.size(), slotCount);
        for (int i = 0; i < lines; ++i)
            QCOMPARE(list[i].itemData, i);
        // The spare slot heads an import table column but can never be linked
        // to: no line names it, and it is an empty record.
        for (int c = lines; c < slotCount; ++c) {
            const ItemRec &r = catalogue[c];
            QVERIFY(r.name.isEmpty());
            QVERIFY(r.typeCode.isEmpty());
            QCOMPARE(r.noLink, qint16(0));
            QCOMPARE(r.index, qint16(0));
            QCOMPARE(r.width, qint16(0));
        }
        QCOMPARE(CatalogueOf(qint16(kind)).size(), slotCount);
    }

    void rebuildReplacesCatalogueButOnlyAppendsLines()
    {
        QList<CatalogueLine> list{{QStringLiteral("前の行"), 99}};
        Catalogue catalogue;
        BuildItemCatalogue(list, 0, catalogue);
        QCOMPARE(catalogue.size(), 53);
        QCOMPARE(list.size(), 53);
        QCOMPARE(list[0].label, QStringLiteral("前の行"));

        list.clear();
        BuildItemCatalogue(list, 1, catalogue);
        QCOMPARE(catalogue.size(), 34);
        QCOMPARE(list.size(), 33);
        QCOMPARE(list.last().itemData, 32);
        QCOMPARE(catalogue[2].name, QStringLiteral("世帯主名"));
    }

    void otherKindsLeaveNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("-1") << -1;
        QTest::newRow("3") << 3;
        QTest::newRow("32767") << 32767;
    }
    void otherKindsLeaveNothing()
    {
        QFETCH(int, kind);
        QList<CatalogueLine> list{{QStringLiteral("残る行"), 7}};
        Catalogue catalogue = CatalogueOf(2);
        BuildItemCatalogue(list, qint16(kind), catalogue);
        QVERIFY(catalogue.isEmpty());
        QCOMPARE(list, (QList<CatalogueLine>{{QStringLiteral("残る行"), 7}}));
    }
};

QTEST_GUILESS_MAIN(TestItemCatalogue)
#include "tst_item_catalogue.moc"
