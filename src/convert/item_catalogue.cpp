#include "convert/item_catalogue.h"

#include <iterator>

namespace tera {
namespace {

struct Entry {
    const char16_t *label;
    const char16_t *name;
    const char *typeCode;
    qint16 width;
    bool linkable;
};

// The lists as the staff see them, in list order. Labels carry hints on the
// expected source format; keys are marked リンク不可.

const Entry kMembers[] = {
    {u"IDNO-----リンク不可", u"ID", "STR", 6, false}, // 0
    {u"個人番号-----リンク不可", u"個人番号", "STR", 10, false}, // 1
    {u"登録日(yyyy/mm/dd)", u"登録日", "DATE", 8, true}, // 2
    {u"取消日(yyyy/mm/dd)", u"取消日", "DATE", 8, true}, // 3
    {u"世帯番号(000000)", u"世帯番号", "STR", 10, true}, // 4
    {u"続柄番号-----リンク不可", u"続柄番号", "STR", 2, false}, // 5
    {u"続柄CD------リンク不可", u"続柄番号", "LNG", 6, false}, // 6
    {u"続柄名", u"続柄名", "STR", 16, true}, // 7
    {u"氏名", u"氏名", "STR", 26, true}, // 8
    {u"読み仮名", u"読み仮名", "STR", 26, true}, // 9
    {u"性別", u"性別", "STR", 2, true}, // 10
    {u"生れ西暦年(yyyy)", u"生れ西暦年", "LNG", 8, true}, // 11
    {u"生れ年号(昭和・平成・・・）", u"生れ年号", "STR", 4, true}, // 12
    {u"生れ年号年(昭和yy年)", u"生れ年号年", "LNG", 8, true}, // 13
    {u"生れ月", u"生れ月", "LNG", 8, true}, // 14
    {u"生れ日", u"生れ日", "LNG", 8, true}, // 15
    {u"生れ干支", u"生れ干支", "STR", 12, true}, // 16
    {u"生れ星", u"生れ星", "STR", 12, true}, // 17
    {u"誕生仏", u"誕生仏", "STR", 12, true}, // 18
    {u"携帯電話(xxx-xxx-xxxx)", u"携帯電話", "STR", 11, true}, // 19
    {u"XXXXXXX-----リンク不可", u"XXXXXXX", "STR", 1, false}, // 20
    {u"メモ", u"メモ", "STR", 256, true}, // 21
    {u"職業", u"職業", "STR", 50, true}, // 22
    {u"勤務先名称", u"勤務先名称", "STR", 50, true}, // 23
    {u"勤務先部課", u"勤務先部課", "STR", 50, true}, // 24
    {u"勤務先住所", u"勤務先住所", "STR", 50, true}, // 25
    {u"勤務先電話(xxx-xxx-xxxx)", u"勤務先電話", "STR", 20, true}, // 26
    {u"勤務先内線", u"勤務先内線", "STR", 20, true}, // 27
    {u"勤務関係メモ", u"勤務関係メモ", "STR", 258, true}, // 28
    {u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false}, // 29
    {u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false}, // 30
    {u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 12, true}, // 31
    {u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 12, true}, // 32
    {u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true}, // 33
    {u"郵便下桁-----4桁", u"郵便下桁", "STR", 5, true}, // 34
    {u"住所", u"住所", "STR", 50, true}, // 35
    {u"住所２", u"住所２", "STR", 50, true}, // 36
    {u"郵便番号---(XXX-XXXX)", u"郵便番号", "STR", 20, true}, // 37
    {u"連絡先氏名", u"連絡先氏名", "STR", 50, true}, // 38
    {u"連絡先〒", u"連絡先〒", "STR", 50, true}, // 39
    {u"連絡先住所", u"連絡先住所", "STR", 50, true}, // 40
    {u"連絡先住所２", u"連絡先住所２", "STR", 50, true}, // 41
    {u"連絡先電話(xxx-xxx-xxxx)", u"連絡先電話", "STR", 50, true}, // 42
    {u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true}, // 43
    {u"訪問先氏名", u"訪問先氏名", "STR", 50, true}, // 44
    {u"訪問先〒", u"訪問先〒", "STR", 50, true}, // 45
    {u"訪問先住所", u"訪問先住所", "STR", 50, true}, // 46
    {u"訪問先住所２", u"訪問先住所２", "STR", 50, true}, // 47
    {u"訪問先電話", u"訪問先電話", "STR", 50, true}, // 48
    {u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true}, // 49
    {u"地区", u"地区", "STR", 50, true}, // 50
    {u"検索用文字列", u"検索", "STR", 256, true}, // 51
};

const Entry kHouseholds[] = {
    {u"管理番号-----リンク不可", u"管理番号", "LNG", 4, false}, // 0
    {u"世帯番号-----リンク不可", u"世帯番号", "STR", 10, false}, // 1
    {u"世帯主名", u"世帯主名", "STR", 50, true}, // 2
    {u"世帯ｶﾅ", u"世帯ｶﾅ", "STR", 50, true}, // 3
    {u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 20, true}, // 4
    {u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 20, true}, // 5
    {u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true}, // 6
    {u"郵便下桁-----4桁", u"郵便下桁", "STR", 4, true}, // 7
    {u"住所1", u"住所1", "STR", 50, true}, // 8
    {u"住所2", u"住所2", "STR", 50, true}, // 9
    {u"郵便番号(999-9999)", u"郵便番号", "STR", 20, true}, // 10
    {u"案内先氏名", u"案内先氏名", "STR", 50, true}, // 11
    {u"案内先〒", u"案内先〒", "STR", 50, true}, // 12
    {u"案内先住所", u"案内先住所", "STR", 50, true}, // 13
    {u"案内先電話", u"案内先電話", "STR", 50, true}, // 14
    {u"案内先ＦＡＸ", u"案内先ＦＡＸ", "STR", 50, true}, // 15
    {u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true}, // 16
    {u"担当者名", u"担当者名", "STR", 50, true}, // 17
    {u"予備", u"予備", "STR", 50, true}, // 18
    {u"連絡先氏名", u"連絡先氏名", "STR", 50, true}, // 19
    {u"連絡先〒", u"連絡先〒", "STR", 50, true}, // 20
    {u"連絡先住所", u"連絡先住所", "STR", 50, true}, // 21
    {u"連絡先住所２", u"連絡先住所２", "STR", 50, true}, // 22
    {u"連絡先電話", u"連絡先電話", "STR", 50, true}, // 23
    {u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true}, // 24
    {u"訪問先氏名", u"訪問先氏名", "STR", 50, true}, // 25
    {u"訪問先〒", u"訪問先〒", "STR", 50, true}, // 26
    {u"訪問先住所", u"訪問先住所", "STR", 50, true}, // 27
    {u"訪問先住所２", u"訪問先住所２", "STR", 50, true}, // 28
    {u"訪問先電話", u"訪問先電話", "STR", 50, true}, // 29
    {u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true}, // 30
    {u"地区", u"地区", "STR", 50, true}, // 31
    {u"検索", u"検索", "STR", 256, true}, // 32
};

const Entry kDeathRegister[] = {
    {u"過去帳管理番号--リンク不可", u"過去CD", "LNG", 4, false}, // 0
    {u"没年月日（9999年99月99日）", u"没年月日", "LNG", 4, true}, // 1
    {u"没年(年号xx年xx月xx日)", u"没年月日", "LNG", 4, true}, // 2
    {u"没年年号---(昭和・平成等)", u"没年年号", "STR", 4, true}, // 3
    {u"没年号年----(十二の形式)", u"没年号年", "STR", 6, true}, // 4
    {u"没年月----(一、二の形式)", u"没年月", "STR", 4, true}, // 5
    {u"没年日----(一、二の形式)", u"没年日", "STR", 6, true}, // 6
    {u"享年------(1,2,3の形式)", u"享年", "STR", 3, true}, // 7
    {u"XXXXXX----", u"享年和", "STR", 10, false}, // 8
    {u"戒名ヨミカナ--(ｱｲｳの形式)", u"ﾖﾐ", "STR", 50, true}, // 9
    {u"戒名", u"戒名", "STR", 40, true}, // 10
    {u"俗名", u"俗名", "STR", 20, true}, // 11
    {u"施主名", u"施主名", "STR", 20, true}, // 12
    {u"続柄", u"続柄", "INT", 10, true}, // 13
    {u"没年(西暦年2002の形式)", u"没年(西暦年)", "LNG", 8, true}, // 14
    {u"没年月--(数値1,2,3形式)", u"没年月(数値)", "LNG", 4, true}, // 15
    {u"没年日--(数値1,2,3形式)", u"没年日(数値)", "LNG", 4, true}, // 16
    {u"寺番号", u"寺番号", "LNG", 4, true}, // 17
    {u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true}, // 18
    {u"担当者名", u"担当者名", "STR", 50, true}, // 19
    {u"===============", u"世帯ＩＤ", "STR", 10, false}, // 20
    {u"===============", u"個人ＩＤ", "STR", 10, true}, // 21
    {u"郵便番号(xxx-xxxx)", u"郵便番号", "STR", 50, true}, // 22
    {u"住所", u"住所", "STR", 50, true}, // 23
    {u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 40, true}, // 24
    {u"地区", u"地区", "STR", 40, true}, // 25
    {u"検索項目", u"検索項目", "STR", 256, true}, // 26
};

template <std::size_t N>
void fill(const Entry (&table)[N], qsizetype slotCount, QList<CatalogueLine> &list, Catalogue &catalogue)
{
    catalogue.resize(slotCount);
    for (std::size_t i = 0; i < N; ++i) {
        const Entry &e = table[i];
        list.append({QString::fromUtf16(e.label), qint32(i)});
        ItemRec &r = catalogue[qsizetype(i)];
        r.noLink = e.linkable ? 0 : 1;
        r.index = qint16(i);
        r.name = QString::fromUtf16(e.name);
        r.typeCode = QString::fromLatin1(e.typeCode);
        r.width = e.width;
    }
}

} // namespace

void BuildItemCatalogue(QList<CatalogueLine> &lines, qint16 kind, Catalogue &catalogue)
{
    catalogue.clear();
    // Members and households have one slot more than items: it stays empty
    // and unlinkable but still counts as a column of the import table.
    switch (kind) {
    case 0: fill(kMembers, std::size(kMembers) + 1, lines, catalogue); break;
    case 1: fill(kHouseholds, std::size(kHouseholds) + 1, lines, catalogue); break;
    case 2: fill(kDeathRegister, std::size(kDeathRegister), lines, catalogue); break;
    default: break;
    }
}

Catalogue CatalogueOf(qint16 kind)
{
    QList<CatalogueLine> unused;
    Catalogue catalogue;
    BuildItemCatalogue(unused, kind, catalogue);
    return catalogue;
}

} // namespace tera
