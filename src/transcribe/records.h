#pragma once
#include <QString>

#include <array>

namespace tera {

class Prompt;
class DbError;

// The member record: one row of D_KOJIN (and, for households, of D_SETAI).
// Field names are the column names they are written to.
struct MemberRec {
    QString KOJIN_NO;
    QString T_YMD;
    QString 取消日;
    QString SETAI_NO;
    QString 世帯主名;
    QString ZOK_CD;
    qint16 ZOK_ID = 0;
    QString ZOK_NM;
    QString MEI;
    QString MEI_KA;
    QString SEX;
    qint16 sei = 0;
    QString NenGo;
    qint16 NENGO_NEN = 0;
    qint16 tuki = 0;
    qint16 Hi = 0;
    QString KEITAI;
    QString LIF;
    QString Memo;
    QString SYOKU;
    QString KINMU_MEI;
    QString BUKA;
    QString KINMU_JYU;
    QString KINMU_TEL;
    QString NAI_TEL;
    QString KINMU_MEMO;
    QString Kankei;
    QString tel;
    QString FAX;
    QString YUBIN1;
    QString YUBIN2;
    QString JYU;
    QString JYU_KA;
    QString KETO;
    QString KBUTU;
    QString KHOSI;
    qint32 寺番号 = 0;
    // The columns are 連絡先〒 and 訪問先〒; 〒 cannot appear in a C++ name.
    QString 連絡先氏名;
    QString 連絡先郵便;
    QString 連絡先住所;
    QString 連絡先住所２;
    QString 連絡先電話;
    QString 連絡先ＦＡＸ;
    QString 訪問先氏名;
    QString 訪問先郵便;
    QString 訪問先住所;
    QString 訪問先住所２;
    QString 訪問先電話;
    QString 訪問先ＦＡＸ;
    qint16 曜日指定 = 0; // nothing fills it
    QString 地区;
    QString 検索;
};

// Widths in bytes of the text fields of a kako.rnd record.
namespace KakoWidth {
inline constexpr int 戒名 = 40;
inline constexpr int ﾖﾐ = 40;
inline constexpr int 俗名 = 20;
inline constexpr int 予備5 = 2;
inline constexpr int 続柄 = 6;
inline constexpr int 施主名 = 20;
inline constexpr int 電話 = 12;
inline constexpr int 郵便 = 8;
inline constexpr int 住所 = 40;
inline constexpr int 住所2 = 40;
inline constexpr int 予備16 = 20;
inline constexpr int 予備17 = 12;
inline constexpr int 予備19 = 20;
inline constexpr int kaikiDate = 12;
} // namespace KakoWidth

inline constexpr int kOmairiFlagCount = 19; // service flags 0 to 18
inline constexpr int kKaikiCount = 32;      // anniversary flags and dates 0 to 31

// The death record: one death-register entry, and one record of kako.rnd.
// In memory a text field holds its text as is; an empty text is a blank
// field. The file codec pads, cuts and converts to CP932 (see kako_rnd.h).
struct KakoRec {
    qint16 過去CD = 0; // entry number = record number in kako.rnd
    QString 戒名;
    QString ﾖﾐ;
    QString 俗名;
    QString 予備5; // reserved, always blank
    qint16 bnen = 0;
    qint16 btuki = 0;
    qint16 bHi = 0;
    qint16 享年 = 0;
    QString 続柄;
    QString 施主名;
    QString 電話;
    QString 郵便;
    QString 住所;
    QString 住所2;
    QString 予備16; // reserved, always blank
    QString 予備17; // reserved, always blank
    std::array<qint16, kOmairiFlagCount> omairiFlag{}; // 1: the service row of this number is written
    QString 予備19; // reserved, always blank
    std::array<qint16, kKaikiCount> kaikiFlag{};       // 1: the anniversary row of this index is written
    std::array<QString, kKaikiCount> kaikiDate{};      // anniversary dates, year/month/day
    qint16 予備22 = 0; // reserved, always 0
    qint16 予備23 = 0; // reserved, always 0
};

// The era of the entry when its date of death names one (平成元年,
// 昭和六十四年一月七日): the cell assignment reads what the source states and
// decides the era for the year, month and day it read; the writers take it
// for the entry and for the era columns of its anniversary and service rows
// while bnen, btuki and bHi are still those.
struct StatedEra {
    QString statedName;    // the era name the source gives, as found in M_年号
    qint16 statedYear = 0; // the era year it gives
    qint16 westernYear = 0; // bnen as read from them
    bool decided = false;
    qint16 bnen = 0, btuki = 0, bHi = 0; // the date the era was decided for
    QString name;         // the era written: 年号
    QString year;         // and 年号年, decimal text ("0" for no era)
    int noticeColumn = -1; // the notice given when the date lies outside the stated era
    QString notice;
};

using AnniversaryDates = std::array<QString, kKaikiCount>;

// The row being written, handed to each step that reads or fills it: the
// member (or household) record, the death-register entry with its kako.rnd
// record, the era its date of death states and its anniversary dates. The
// run keeps one for all its rows and resets it before each.
struct RowRecords {
    MemberRec member;
    KakoRec entry;
    StatedEra statedEra;
    AnniversaryDates anniversaryDates{}; // year/month/day, from the date of death
};

// Resets the row for the next one. entry: texts blank, integers 0, service
// flags 0-17 and anniversary flags 0-30 set to 1, 過去CD kept (the death-row
// step numbers the entry itself). member: empty texts and zeros, except
// ZOK_CD "00", LIF "0", Kankei "0". No stated era, no anniversary dates: a
// row without a complete date must not inherit the previous row's.
void ResetRowRecords(RowRecords &records);

// The value the death-register tables write for a blank-for-empty column:
// the trimmed text, or a single blank when nothing is left. They never
// receive an empty string.
QString BlankForEmpty(const QString &text);

// A text of the death record as its database columns receive it: at most
// width characters, as the record's fixed field holds them. A product
// database sizes those columns for the record, and a longer value would fail
// there. A surrogate pair is never split: the cut falls before it.
QString CutToWidth(const QString &text, int width);

// The record writers' error report: "ErrCode = <number>", CR LF and the
// description, with the exclamation icon and an OK button.
QString WriterFailureText(qint32 number, const QString &description);
void ReportWriterFailure(Prompt &prompt, qint32 number, const QString &description);
void ReportWriterFailure(Prompt &prompt, const DbError &error);

} // namespace tera
