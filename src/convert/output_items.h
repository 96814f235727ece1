#pragma once
#include <QtGlobal>

// The link items of each output kind. An item's value is its number: its
// place in the catalogue, the column of the import table it fills, the
// number `tera-import items` shows and `--link L:R` takes, and the target
// saved in link files. Values must therefore never change.

namespace tera {

enum class MemberItem : qint16 {
    Id = 0,
    PersonalNumber = 1,
    RegistrationDate = 2,
    CancellationDate = 3,
    HouseholdNumber = 4,
    RelationNumber = 5,
    RelationCode = 6,
    RelationName = 7,
    Name = 8,
    NameReading = 9,
    Sex = 10,
    BirthWesternYear = 11,
    BirthEra = 12,
    BirthEraYear = 13,
    BirthMonth = 14,
    BirthDay = 15,
    BirthZodiacSign = 16,
    BirthStar = 17,
    BirthBuddha = 18,
    MobilePhone = 19,
    LivingFlag = 20, // unlinkable; a cell under it marks the member as living
    Memo = 21,
    Occupation = 22,
    EmployerName = 23,
    EmployerDepartment = 24,
    EmployerAddress = 25,
    EmployerPhone = 26,
    EmployerExtension = 27,
    EmploymentMemo = 28,
    Unused29 = 29,
    Unused30 = 30,
    Phone = 31,
    Fax = 32,
    PostalCodeFirstPart = 33,
    PostalCodeSecondPart = 34,
    Address = 35,
    Address2 = 36,
    PostalCode = 37,
    ContactName = 38,
    ContactPostalCode = 39,
    ContactAddress = 40,
    ContactAddress2 = 41,
    ContactPhone = 42,
    ContactFax = 43,
    VisitName = 44,
    VisitPostalCode = 45,
    VisitAddress = 46,
    VisitAddress2 = 47,
    VisitPhone = 48,
    VisitFax = 49,
    District = 50,
    SearchText = 51,
};
inline constexpr int kMemberItemCount = 52;

enum class HouseholdItem : qint16 {
    ManagementNumber = 0,
    HouseholdNumber = 1,
    HeadName = 2,
    HouseholdKana = 3,
    Phone = 4,
    Fax = 5,
    PostalCodeFirstPart = 6,
    PostalCodeSecondPart = 7,
    Address = 8,
    Address2 = 9,
    PostalCode = 10,
    NoticeName = 11,
    NoticePostalCode = 12,
    NoticeAddress = 13,
    NoticePhone = 14,
    NoticeFax = 15,
    StaffCode = 16,
    StaffName = 17,
    Spare = 18,
    ContactName = 19,
    ContactPostalCode = 20,
    ContactAddress = 21,
    ContactAddress2 = 22,
    ContactPhone = 23,
    ContactFax = 24,
    VisitName = 25,
    VisitPostalCode = 26,
    VisitAddress = 27,
    VisitAddress2 = 28,
    VisitPhone = 29,
    VisitFax = 30,
    District = 31,
    SearchText = 32,
};
inline constexpr int kHouseholdItemCount = 33;

enum class DeathItem : qint16 {
    EntryNumber = 0,
    DeathDate = 1,         // 9999年99月99日
    DeathDateWithEra = 2,  // 年号xx年xx月xx日
    DeathEra = 3,
    DeathEraYear = 4,      // in kanji
    DeathMonth = 5,        // in kanji
    DeathDay = 6,          // in kanji
    AgeAtDeath = 7,
    AgeInKanji = 8,
    PosthumousNameReading = 9,
    PosthumousName = 10,
    SecularName = 11,
    ChiefMourner = 12,
    Relationship = 13,
    DeathWesternYear = 14, // 2002
    DeathMonthNumber = 15, // 1, 2, 3
    DeathDayNumber = 16,   // 1, 2, 3
    TempleNumber = 17,
    StaffCode = 18,
    StaffName = 19,
    HouseholdId = 20,
    PersonalId = 21,
    PostalCode = 22,
    Address = 23,
    Phone = 24,
    District = 25,
    SearchText = 26,
};
inline constexpr int kDeathItemCount = 27;

// The item's number, as the import table, the link grid and link files use it.
template <typename Item>
constexpr qint16 itemNumber(Item item)
{
    return static_cast<qint16>(item);
}

} // namespace tera
