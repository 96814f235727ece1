#pragma once
// The names of the temple database's tables and of the columns the
// writers use, as the database spells them; the record fields carry the
// same names. Sql() puts them into a statement.
#include <QString>

#include <initializer_list>

namespace tera::schema {

namespace tbl {
inline const QString D_KOJIN = QStringLiteral("D_KOJIN");
inline const QString D_SETAI = QStringLiteral("D_SETAI");
inline const QString D_OMAIRI = QStringLiteral("D_OMAIRI");
inline const QString W_KAKO = QStringLiteral("W_KAKO");
inline const QString W_KAIKI = QStringLiteral("W_KAIKI");
inline const QString M_お参り = QStringLiteral("M_お参り");
inline const QString OMAIRI = QStringLiteral("OMAIRI");
} // namespace tbl

namespace col {
inline const QString BUKA = QStringLiteral("BUKA");
inline const QString FAX = QStringLiteral("FAX");
inline const QString Hi = QStringLiteral("Hi");
inline const QString ID = QStringLiteral("ID");
inline const QString JYU = QStringLiteral("JYU");
inline const QString JYU_KA = QStringLiteral("JYU_KA");
inline const QString KAINO = QStringLiteral("KAINO");
inline const QString KBUTU = QStringLiteral("KBUTU");
inline const QString KEITAI = QStringLiteral("KEITAI");
inline const QString KETO = QStringLiteral("KETO");
inline const QString KHOSI = QStringLiteral("KHOSI");
inline const QString KINMU_JYU = QStringLiteral("KINMU_JYU");
inline const QString KINMU_MEI = QStringLiteral("KINMU_MEI");
inline const QString KINMU_MEMO = QStringLiteral("KINMU_MEMO");
inline const QString KINMU_TEL = QStringLiteral("KINMU_TEL");
inline const QString KOJIN_NO = QStringLiteral("KOJIN_NO");
inline const QString KSEI = QStringLiteral("KSEI");
inline const QString Kankei = QStringLiteral("Kankei");
inline const QString LIF = QStringLiteral("LIF");
inline const QString MEI = QStringLiteral("MEI");
inline const QString MEI_KA = QStringLiteral("MEI_KA");
inline const QString Memo = QStringLiteral("Memo");
inline const QString NAI_TEL = QStringLiteral("NAI_TEL");
inline const QString NENGO_NEN = QStringLiteral("NENGO_NEN");
inline const QString NM = QStringLiteral("NM");
inline const QString NenGo = QStringLiteral("NenGo");
inline const QString OMAIRINO = QStringLiteral("OMAIRINO");
inline const QString ONO = QStringLiteral("ONO");
inline const QString Otuki = QStringLiteral("Otuki");
inline const QString SETAI_NO = QStringLiteral("SETAI_NO");
inline const QString SEX = QStringLiteral("SEX");
inline const QString SNO = QStringLiteral("SNO");
inline const QString SYOKU = QStringLiteral("SYOKU");
inline const QString T_YMD = QStringLiteral("T_YMD");
inline const QString YUBIN1 = QStringLiteral("YUBIN1");
inline const QString YUBIN2 = QStringLiteral("YUBIN2");
inline const QString ZOK_CD = QStringLiteral("ZOK_CD");
inline const QString ZOK_ID = QStringLiteral("ZOK_ID");
inline const QString ZOK_NM = QStringLiteral("ZOK_NM");
inline const QString bHi = QStringLiteral("bHi");
inline const QString bnen = QStringLiteral("bnen");
inline const QString btuki = QStringLiteral("btuki");
inline const QString sei = QStringLiteral("sei");
inline const QString tel = QStringLiteral("tel");
inline const QString tuki = QStringLiteral("tuki");
inline const QString yubin = QStringLiteral("yubin");
inline const QString お参りCD = QStringLiteral("お参りCD");
inline const QString お参り名称 = QStringLiteral("お参り名称");
inline const QString 世帯CD = QStringLiteral("世帯CD");
inline const QString 世帯主名 = QStringLiteral("世帯主名");
inline const QString 享年 = QStringLiteral("享年");
inline const QString 享年和 = QStringLiteral("享年和");
inline const QString 俗名 = QStringLiteral("俗名");
inline const QString 個人CD = QStringLiteral("個人CD");
inline const QString 回年 = QStringLiteral("回年");
inline const QString 回年号 = QStringLiteral("回年号");
inline const QString 回忌 = QStringLiteral("回忌");
inline const QString 回忌年 = QStringLiteral("回忌年");
inline const QString 回日 = QStringLiteral("回日");
inline const QString 回月 = QStringLiteral("回月");
inline const QString 地区 = QStringLiteral("地区");
inline const QString 場所 = QStringLiteral("場所");
inline const QString 場所名 = QStringLiteral("場所名");
inline const QString 寺番号 = QStringLiteral("寺番号");
inline const QString 年号 = QStringLiteral("年号");
inline const QString 年号年 = QStringLiteral("年号年");
inline const QString 戒名 = QStringLiteral("戒名");
inline const QString 担当者CD = QStringLiteral("担当者CD");
inline const QString 指定曜日 = QStringLiteral("指定曜日");
inline const QString 施主名 = QStringLiteral("施主名");
inline const QString 曜日指定 = QStringLiteral("曜日指定");
inline const QString 案内 = QStringLiteral("案内");
inline const QString 検索 = QStringLiteral("検索");
inline const QString 歿年日 = QStringLiteral("歿年日");
inline const QString 歿年月 = QStringLiteral("歿年月");
inline const QString 法年 = QStringLiteral("法年");
inline const QString 法年号 = QStringLiteral("法年号");
inline const QString 法日 = QStringLiteral("法日");
inline const QString 法月 = QStringLiteral("法月");
inline const QString 法要 = QStringLiteral("法要");
inline const QString 法要年 = QStringLiteral("法要年");
inline const QString 続柄 = QStringLiteral("続柄");
inline const QString 訪問住所 = QStringLiteral("訪問住所");
inline const QString 訪問先郵便 = QStringLiteral("訪問先〒");
inline const QString 訪問先住所 = QStringLiteral("訪問先住所");
inline const QString 訪問先氏名 = QStringLiteral("訪問先氏名");
inline const QString 訪問先電話 = QStringLiteral("訪問先電話");
inline const QString 訪問郵便 = QStringLiteral("訪問郵便");
inline const QString 訪問電話 = QStringLiteral("訪問電話");
inline const QString 連絡先郵便 = QStringLiteral("連絡先〒");
inline const QString 連絡先住所 = QStringLiteral("連絡先住所");
inline const QString 連絡先氏名 = QStringLiteral("連絡先氏名");
inline const QString 連絡先電話 = QStringLiteral("連絡先電話");
inline const QString 過去CD = QStringLiteral("過去CD");
inline const QString 選択 = QStringLiteral("選択");
inline const QString ﾖﾐ = QStringLiteral("ﾖﾐ");
} // namespace col

// A statement whose %1, %2, ... are the names given, in order:
// Sql("SELECT [%1] FROM [%2]", {col::ID, tbl::D_KOJIN}).
inline QString Sql(const char *pattern, std::initializer_list<QString> names)
{
    QString sql = QString::fromUtf8(pattern);
    for (const QString &name : names)
        sql = sql.arg(name);
    return sql;
}

} // namespace tera::schema
