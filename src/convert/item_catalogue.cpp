#include "convert/item_catalogue.h"

#include "convert/output_items.h"

#include <iterator>

namespace tera {
namespace {

template <typename Item>
struct Entry {
    Item item;
    const char16_t *label;
    const char16_t *name;
    const char *typeCode;
    qint16 width;
    bool linkable;
};

// The lists as the staff see them, in list order. Labels carry hints on the
// expected source format; keys are marked リンク不可.

constexpr Entry<MemberItem> kMembers[] = {
    {MemberItem::Id, u"IDNO-----リンク不可", u"ID", "STR", 6, false},
    {MemberItem::PersonalNumber, u"個人番号-----リンク不可", u"個人番号", "STR", 10, false},
    {MemberItem::RegistrationDate, u"登録日(yyyy/mm/dd)", u"登録日", "DATE", 8, true},
    {MemberItem::CancellationDate, u"取消日(yyyy/mm/dd)", u"取消日", "DATE", 8, true},
    {MemberItem::HouseholdNumber, u"世帯番号(000000)", u"世帯番号", "STR", 10, true},
    {MemberItem::RelationNumber, u"続柄番号-----リンク不可", u"続柄番号", "STR", 2, false},
    {MemberItem::RelationCode, u"続柄CD------リンク不可", u"続柄番号", "LNG", 6, false},
    {MemberItem::RelationName, u"続柄名", u"続柄名", "STR", 16, true},
    {MemberItem::Name, u"氏名", u"氏名", "STR", 26, true},
    {MemberItem::NameReading, u"読み仮名", u"読み仮名", "STR", 26, true},
    {MemberItem::Sex, u"性別", u"性別", "STR", 2, true},
    {MemberItem::BirthWesternYear, u"生れ西暦年(yyyy)", u"生れ西暦年", "LNG", 8, true},
    {MemberItem::BirthEra, u"生れ年号(昭和・平成・・・）", u"生れ年号", "STR", 4, true},
    {MemberItem::BirthEraYear, u"生れ年号年(昭和yy年)", u"生れ年号年", "LNG", 8, true},
    {MemberItem::BirthMonth, u"生れ月", u"生れ月", "LNG", 8, true},
    {MemberItem::BirthDay, u"生れ日", u"生れ日", "LNG", 8, true},
    {MemberItem::BirthZodiacSign, u"生れ干支", u"生れ干支", "STR", 12, true},
    {MemberItem::BirthStar, u"生れ星", u"生れ星", "STR", 12, true},
    {MemberItem::BirthBuddha, u"誕生仏", u"誕生仏", "STR", 12, true},
    {MemberItem::MobilePhone, u"携帯電話(xxx-xxx-xxxx)", u"携帯電話", "STR", 11, true},
    {MemberItem::LivingFlag, u"XXXXXXX-----リンク不可", u"XXXXXXX", "STR", 1, false},
    {MemberItem::Memo, u"メモ", u"メモ", "STR", 256, true},
    {MemberItem::Occupation, u"職業", u"職業", "STR", 50, true},
    {MemberItem::EmployerName, u"勤務先名称", u"勤務先名称", "STR", 50, true},
    {MemberItem::EmployerDepartment, u"勤務先部課", u"勤務先部課", "STR", 50, true},
    {MemberItem::EmployerAddress, u"勤務先住所", u"勤務先住所", "STR", 50, true},
    {MemberItem::EmployerPhone, u"勤務先電話(xxx-xxx-xxxx)", u"勤務先電話", "STR", 20, true},
    {MemberItem::EmployerExtension, u"勤務先内線", u"勤務先内線", "STR", 20, true},
    {MemberItem::EmploymentMemo, u"勤務関係メモ", u"勤務関係メモ", "STR", 258, true},
    {MemberItem::Unused29, u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false},
    {MemberItem::Unused30, u"XXXXXXX-----リンク不可", u"XXXXXXX", "", 0, false},
    {MemberItem::Phone, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 12, true},
    {MemberItem::Fax, u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 12, true},
    {MemberItem::PostalCodeFirstPart, u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true},
    {MemberItem::PostalCodeSecondPart, u"郵便下桁-----4桁", u"郵便下桁", "STR", 5, true},
    {MemberItem::Address, u"住所", u"住所", "STR", 50, true},
    {MemberItem::Address2, u"住所２", u"住所２", "STR", 50, true},
    {MemberItem::PostalCode, u"郵便番号---(XXX-XXXX)", u"郵便番号", "STR", 20, true},
    {MemberItem::ContactName, u"連絡先氏名", u"連絡先氏名", "STR", 50, true},
    {MemberItem::ContactPostalCode, u"連絡先〒", u"連絡先〒", "STR", 50, true},
    {MemberItem::ContactAddress, u"連絡先住所", u"連絡先住所", "STR", 50, true},
    {MemberItem::ContactAddress2, u"連絡先住所２", u"連絡先住所２", "STR", 50, true},
    {MemberItem::ContactPhone, u"連絡先電話(xxx-xxx-xxxx)", u"連絡先電話", "STR", 50, true},
    {MemberItem::ContactFax, u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true},
    {MemberItem::VisitName, u"訪問先氏名", u"訪問先氏名", "STR", 50, true},
    {MemberItem::VisitPostalCode, u"訪問先〒", u"訪問先〒", "STR", 50, true},
    {MemberItem::VisitAddress, u"訪問先住所", u"訪問先住所", "STR", 50, true},
    {MemberItem::VisitAddress2, u"訪問先住所２", u"訪問先住所２", "STR", 50, true},
    {MemberItem::VisitPhone, u"訪問先電話", u"訪問先電話", "STR", 50, true},
    {MemberItem::VisitFax, u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true},
    {MemberItem::District, u"地区", u"地区", "STR", 50, true},
    {MemberItem::SearchText, u"検索用文字列", u"検索", "STR", 256, true},
};

constexpr Entry<HouseholdItem> kHouseholds[] = {
    {HouseholdItem::ManagementNumber, u"管理番号-----リンク不可", u"管理番号", "LNG", 4, false},
    {HouseholdItem::HouseholdNumber, u"世帯番号-----リンク不可", u"世帯番号", "STR", 10, false},
    {HouseholdItem::HeadName, u"世帯主名", u"世帯主名", "STR", 50, true},
    {HouseholdItem::HouseholdKana, u"世帯ｶﾅ", u"世帯ｶﾅ", "STR", 50, true},
    {HouseholdItem::Phone, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 20, true},
    {HouseholdItem::Fax, u"FAX(xxx-xxx-xxxx)", u"FAX", "STR", 20, true},
    {HouseholdItem::PostalCodeFirstPart, u"郵便上桁-----3桁", u"郵便上桁", "STR", 3, true},
    {HouseholdItem::PostalCodeSecondPart, u"郵便下桁-----4桁", u"郵便下桁", "STR", 4, true},
    {HouseholdItem::Address, u"住所1", u"住所1", "STR", 50, true},
    {HouseholdItem::Address2, u"住所2", u"住所2", "STR", 50, true},
    {HouseholdItem::PostalCode, u"郵便番号(999-9999)", u"郵便番号", "STR", 20, true},
    {HouseholdItem::NoticeName, u"案内先氏名", u"案内先氏名", "STR", 50, true},
    {HouseholdItem::NoticePostalCode, u"案内先〒", u"案内先〒", "STR", 50, true},
    {HouseholdItem::NoticeAddress, u"案内先住所", u"案内先住所", "STR", 50, true},
    {HouseholdItem::NoticePhone, u"案内先電話", u"案内先電話", "STR", 50, true},
    {HouseholdItem::NoticeFax, u"案内先ＦＡＸ", u"案内先ＦＡＸ", "STR", 50, true},
    {HouseholdItem::StaffCode, u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true},
    {HouseholdItem::StaffName, u"担当者名", u"担当者名", "STR", 50, true},
    {HouseholdItem::Spare, u"予備", u"予備", "STR", 50, true},
    {HouseholdItem::ContactName, u"連絡先氏名", u"連絡先氏名", "STR", 50, true},
    {HouseholdItem::ContactPostalCode, u"連絡先〒", u"連絡先〒", "STR", 50, true},
    {HouseholdItem::ContactAddress, u"連絡先住所", u"連絡先住所", "STR", 50, true},
    {HouseholdItem::ContactAddress2, u"連絡先住所２", u"連絡先住所２", "STR", 50, true},
    {HouseholdItem::ContactPhone, u"連絡先電話", u"連絡先電話", "STR", 50, true},
    {HouseholdItem::ContactFax, u"連絡先ＦＡＸ", u"連絡先ＦＡＸ", "STR", 50, true},
    {HouseholdItem::VisitName, u"訪問先氏名", u"訪問先氏名", "STR", 50, true},
    {HouseholdItem::VisitPostalCode, u"訪問先〒", u"訪問先〒", "STR", 50, true},
    {HouseholdItem::VisitAddress, u"訪問先住所", u"訪問先住所", "STR", 50, true},
    {HouseholdItem::VisitAddress2, u"訪問先住所２", u"訪問先住所２", "STR", 50, true},
    {HouseholdItem::VisitPhone, u"訪問先電話", u"訪問先電話", "STR", 50, true},
    {HouseholdItem::VisitFax, u"訪問先ＦＡＸ", u"訪問先ＦＡＸ", "STR", 50, true},
    {HouseholdItem::District, u"地区", u"地区", "STR", 50, true},
    {HouseholdItem::SearchText, u"検索", u"検索", "STR", 256, true},
};

constexpr Entry<DeathItem> kDeathRegister[] = {
    {DeathItem::EntryNumber, u"過去帳管理番号--リンク不可", u"過去CD", "LNG", 4, false},
    {DeathItem::DeathDate, u"没年月日（9999年99月99日）", u"没年月日", "LNG", 4, true},
    {DeathItem::DeathDateWithEra, u"没年(年号xx年xx月xx日)", u"没年月日", "LNG", 4, true},
    {DeathItem::DeathEra, u"没年年号---(昭和・平成等)", u"没年年号", "STR", 4, true},
    {DeathItem::DeathEraYear, u"没年号年----(十二の形式)", u"没年号年", "STR", 6, true},
    {DeathItem::DeathMonth, u"没年月----(一、二の形式)", u"没年月", "STR", 4, true},
    {DeathItem::DeathDay, u"没年日----(一、二の形式)", u"没年日", "STR", 6, true},
    {DeathItem::AgeAtDeath, u"享年------(1,2,3の形式)", u"享年", "STR", 3, true},
    {DeathItem::AgeInKanji, u"XXXXXX----", u"享年和", "STR", 10, false},
    {DeathItem::PosthumousNameReading, u"戒名ヨミカナ--(ｱｲｳの形式)", u"ﾖﾐ", "STR", 50, true},
    {DeathItem::PosthumousName, u"戒名", u"戒名", "STR", 40, true},
    {DeathItem::SecularName, u"俗名", u"俗名", "STR", 20, true},
    {DeathItem::ChiefMourner, u"施主名", u"施主名", "STR", 20, true},
    {DeathItem::Relationship, u"続柄", u"続柄", "INT", 10, true},
    {DeathItem::DeathWesternYear, u"没年(西暦年2002の形式)", u"没年(西暦年)", "LNG", 8, true},
    {DeathItem::DeathMonthNumber, u"没年月--(数値1,2,3形式)", u"没年月(数値)", "LNG", 4, true},
    {DeathItem::DeathDayNumber, u"没年日--(数値1,2,3形式)", u"没年日(数値)", "LNG", 4, true},
    {DeathItem::TempleNumber, u"寺番号", u"寺番号", "LNG", 4, true},
    {DeathItem::StaffCode, u"担当者ＣＤ", u"担当者ＣＤ", "LNG", 4, true},
    {DeathItem::StaffName, u"担当者名", u"担当者名", "STR", 50, true},
    {DeathItem::HouseholdId, u"===============", u"世帯ＩＤ", "STR", 10, false},
    {DeathItem::PersonalId, u"===============", u"個人ＩＤ", "STR", 10, true},
    {DeathItem::PostalCode, u"郵便番号(xxx-xxxx)", u"郵便番号", "STR", 50, true},
    {DeathItem::Address, u"住所", u"住所", "STR", 50, true},
    {DeathItem::Phone, u"電話番号(xxx-xxx-xxxx)", u"電話番号", "STR", 40, true},
    {DeathItem::District, u"地区", u"地区", "STR", 40, true},
    {DeathItem::SearchText, u"検索項目", u"検索項目", "STR", 256, true},
};

// A table lists every item of its kind once, in the order of the numbers:
// a line left out or moved would renumber the items after it.
template <typename Item, std::size_t N>
constexpr bool inItemOrder(const Entry<Item> (&table)[N], int count)
{
    if (int(N) != count)
        return false;
    for (std::size_t i = 0; i < N; ++i)
        if (itemNumber(table[i].item) != qint16(i))
            return false;
    return true;
}
static_assert(inItemOrder(kMembers, kMemberItemCount));
static_assert(inItemOrder(kHouseholds, kHouseholdItemCount));
static_assert(inItemOrder(kDeathRegister, kDeathItemCount));

template <typename Item, std::size_t N>
void fill(const Entry<Item> (&table)[N], qsizetype slotCount, QList<CatalogueLine> &list, Catalogue &catalogue)
{
    catalogue.resize(slotCount);
    for (const Entry<Item> &e : table) {
        const qint16 number = itemNumber(e.item);
        list.append({QString::fromUtf16(e.label), qint32(number)});
        ItemRec &r = catalogue[number];
        r.noLink = e.linkable ? 0 : 1;
        r.index = number;
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
