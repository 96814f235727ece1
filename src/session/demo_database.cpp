#include "session/demo_database.h"

#include "platform/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>

namespace tera {

namespace {

// The schema of the temple database as far as this system reads or writes it.
const char *const kSchema[] = {
    R"(CREATE TABLE [D_SETAI] (
        [SNO] INTEGER PRIMARY KEY AUTOINCREMENT,
        [SETAI_NO] TEXT, [世帯主名] TEXT, [カナ] TEXT, [tel] TEXT, [FAX] TEXT,
        [YU_1] TEXT, [YU_2] TEXT, [住所1] TEXT, [住所2] TEXT, [寺番号] INTEGER DEFAULT 0,
        [連絡先氏名] TEXT, [連絡先〒] TEXT, [連絡先住所] TEXT, [連絡先電話] TEXT,
        [訪問先氏名] TEXT, [訪問先〒] TEXT, [訪問先住所] TEXT, [訪問先電話] TEXT,
        [地区] TEXT, [検索] TEXT))",
    "CREATE INDEX [IX_D_SETAI_SETAI_NO] ON [D_SETAI] ([SETAI_NO])",
    "CREATE INDEX [IX_D_SETAI_世帯主名] ON [D_SETAI] ([世帯主名])",

    R"(CREATE TABLE [D_KOJIN] (
        [ID] INTEGER PRIMARY KEY AUTOINCREMENT,
        [KOJIN_NO] TEXT, [T_YMD] TEXT, [SETAI_NO] TEXT,
        [ZOK_CD] TEXT, [ZOK_ID] INTEGER DEFAULT 0, [ZOK_NM] TEXT,
        [MEI] TEXT, [MEI_KA] TEXT, [SEX] TEXT,
        [sei] INTEGER DEFAULT 0, [NenGo] TEXT, [NENGO_NEN] INTEGER DEFAULT 0,
        [tuki] INTEGER DEFAULT 0, [Hi] INTEGER DEFAULT 0,
        [KEITAI] TEXT, [LIF] TEXT DEFAULT '0',
        [Memo] TEXT, [SYOKU] TEXT, [KINMU_MEI] TEXT, [BUKA] TEXT, [KINMU_JYU] TEXT,
        [KINMU_TEL] TEXT, [NAI_TEL] TEXT, [KINMU_MEMO] TEXT,
        [Kankei] TEXT DEFAULT '0',
        [tel] TEXT, [FAX] TEXT, [YUBIN1] TEXT, [YUBIN2] TEXT, [JYU] TEXT, [JYU_KA] TEXT,
        [KETO] TEXT, [KBUTU] TEXT, [KHOSI] TEXT,
        [寺番号] INTEGER DEFAULT 0,
        [連絡先氏名] TEXT, [連絡先〒] TEXT, [連絡先住所] TEXT, [連絡先電話] TEXT,
        [訪問先氏名] TEXT, [訪問先〒] TEXT, [訪問先住所] TEXT, [訪問先電話] TEXT,
        [地区] TEXT, [検索] TEXT))",
    "CREATE INDEX [IX_D_KOJIN_KOJIN_NO] ON [D_KOJIN] ([KOJIN_NO])",
    "CREATE INDEX [IX_D_KOJIN_MEI] ON [D_KOJIN] ([MEI])",
    "CREATE INDEX [IX_D_KOJIN_SETAI_NO] ON [D_KOJIN] ([SETAI_NO], [LIF])",

    R"(CREATE TABLE [W_KAKO] (
        [過去CD] INTEGER, [世帯CD] INTEGER DEFAULT 0, [世帯ID] TEXT, [個人CD] INTEGER DEFAULT 0,
        [年号] TEXT, [年号年] TEXT, [歿年月] TEXT, [歿年日] TEXT, [享年] TEXT, [享年和] TEXT,
        [戒名] TEXT, [ﾖﾐ] TEXT, [俗名] TEXT, [施主名] TEXT, [続柄] TEXT,
        [bnen] INTEGER DEFAULT 0, [btuki] INTEGER DEFAULT 0, [bHi] INTEGER DEFAULT 0,
        [yubin] TEXT, [JYU] TEXT, [tel] TEXT, [地区] TEXT, [検索] TEXT))",
    "CREATE INDEX [IX_W_KAKO_過去CD] ON [W_KAKO] ([過去CD])",
    "CREATE INDEX [IX_W_KAKO_世帯CD] ON [W_KAKO] ([世帯CD])",

    R"(CREATE TABLE [W_KAIKI] (
        [回忌] TEXT, [回忌年] TEXT, [回年号] TEXT, [回年] INTEGER DEFAULT 0, [回月] INTEGER DEFAULT 0,
        [回日] TEXT, [過去CD] INTEGER, [世帯CD] TEXT, [個人CD] TEXT,
        [年号] TEXT, [年号年] TEXT, [歿年月] TEXT, [歿年日] TEXT, [享年] TEXT, [享年和] TEXT,
        [戒名] TEXT, [俗名] TEXT, [施主名] TEXT, [続柄] TEXT,
        [bnen] INTEGER DEFAULT 0, [btuki] INTEGER DEFAULT 0, [bHi] INTEGER DEFAULT 0,
        [KAINO] INTEGER DEFAULT 0, [KSEI] INTEGER DEFAULT 0, [担当者CD] INTEGER DEFAULT 0,
        [yubin] TEXT, [JYU] TEXT, [tel] TEXT))",
    "CREATE INDEX [IX_W_KAIKI_過去CD] ON [W_KAIKI] ([過去CD])",
    "CREATE INDEX [IX_W_KAIKI_世帯CD] ON [W_KAIKI] ([世帯CD])",

    R"(CREATE TABLE [D_OMAIRI] (
        [OMAIRINO] INTEGER, [法要] TEXT, [法要年] INTEGER DEFAULT 0, [法年号] TEXT,
        [法年] TEXT, [法月] TEXT, [法日] TEXT,
        [過去CD] INTEGER, [世帯CD] TEXT, [個人CD] TEXT,
        [年号] TEXT, [年号年] TEXT, [歿年月] TEXT, [歿年日] TEXT, [享年] TEXT, [享年和] TEXT,
        [戒名] TEXT, [俗名] TEXT, [施主名] TEXT, [続柄] TEXT,
        [bnen] INTEGER DEFAULT 0, [btuki] INTEGER DEFAULT 0, [bHi] INTEGER DEFAULT 0,
        [KSEI] INTEGER DEFAULT 0, [案内] INTEGER DEFAULT 0, [曜日指定] INTEGER DEFAULT 0,
        [場所] INTEGER DEFAULT 0, [場所名] TEXT, [寺番号] INTEGER DEFAULT 0, [地区] TEXT,
        [訪問電話] TEXT, [訪問郵便] TEXT, [訪問住所] TEXT))",
    "CREATE INDEX [IX_D_OMAIRI_過去CD] ON [D_OMAIRI] ([過去CD])",
    "CREATE INDEX [IX_D_OMAIRI_世帯CD] ON [D_OMAIRI] ([世帯CD])",

    R"(CREATE TABLE [M_お参り] (
        [世帯CD] TEXT, [選択] INTEGER DEFAULT 0, [お参りCD] INTEGER DEFAULT 0,
        [お参り名称] TEXT, [指定曜日] INTEGER DEFAULT 0, [KSEI] INTEGER DEFAULT 0))",
    "CREATE INDEX [IX_M_お参り_世帯CD] ON [M_お参り] ([世帯CD])",

    R"(CREATE TABLE [W_OMAIRI] (
        [過去CD] INTEGER, [世帯CD] INTEGER DEFAULT 0, [世帯ID] TEXT, [法要] TEXT, [法要年] INTEGER DEFAULT 0))",
    "CREATE INDEX [IX_W_OMAIRI_世帯CD] ON [W_OMAIRI] ([世帯CD])",

    R"(CREATE TABLE [M_KBN] ([ID] INTEGER PRIMARY KEY, [項目NO] INTEGER DEFAULT 0, [名称] TEXT))",

    R"(CREATE TABLE [OMAIRI] (
        [ONO] INTEGER PRIMARY KEY, [ODISP] INTEGER DEFAULT 0, [NM] TEXT, [ONEN] INTEGER DEFAULT 0,
        [Otuki] INTEGER DEFAULT 0, [OHi] INTEGER DEFAULT 0, [訪問区分] INTEGER DEFAULT 0))",

    R"(CREATE TABLE [M_年号] ([年号] TEXT, [開始] INTEGER, [終了] INTEGER, [計算] INTEGER))",
};

struct KbnRow {
    int value;
    const char *name;
};

// Entries 4, 5, 10 and 12 steer the date rules; the others are held only.
const KbnRow kKbn[20] = {
    {0, "寺番号"},       {1, "世帯番号桁"},     {0, "個人番号桁"},   {0, "予備3"},
    {0, "新盆基準日数"}, {0, "新彼岸基準日数"}, {0, "予備6"},       {0, "予備7"},
    {0, "予備8"},        {0, "予備9"},          {0, "命日補正"},     {0, "予備11"},
    {0, "年忌に補正"},   {0, "予備13"},         {0, "予備14"},       {0, "予備15"},
    {0, "予備16"},       {0, "予備17"},         {0, "予備18"},       {0, "予備19"},
};

struct ServiceRow {
    int ono;
    const char *name;
    int month;
    int day;
    int visit; // 0 in the temple, 1 at home, 2 at the grave
};

// The 21 services; 6 and 7 are the first higan and the first bon after a death.
const ServiceRow kServices[21] = {
    {0, "祥月命日", 0, 0, 1},   {1, "月参り", 0, 0, 1},     {2, "春彼岸", 3, 18, 2},
    {3, "お盆", 8, 13, 1},      {4, "盆施餓鬼", 8, 16, 0},  {5, "秋彼岸", 9, 20, 2},
    {6, "新彼岸", 3, 18, 1},    {7, "新盆", 8, 13, 1},      {8, "棚経", 8, 1, 1},
    {9, "お初穂", 1, 1, 0},     {10, "永代", 0, 0, 0},      {11, "紫陽花", 6, 15, 0},
    {12, "除夜の鐘", 12, 31, 0}, {13, "花まつり", 4, 8, 0},  {14, "成道会", 12, 8, 0},
    {15, "涅槃会", 2, 15, 0},   {16, "墓地保有", 0, 0, 2},  {17, "檀信祖霊", 0, 0, 0},
    {18, "施餓鬼会", 7, 15, 0}, {19, "開山忌", 10, 5, 0},   {20, "報恩講", 11, 28, 0},
};

struct EraRow {
    const char *name;
    int start;
    int end;
    int offset;
};

// Oldest first: the era lookup relies on the stored order.
const EraRow kEras[] = {
    {"明治", 1868, 1912, 1867}, {"大正", 1912, 1926, 1911}, {"昭和", 1926, 1989, 1925},
    {"平成", 1989, 2019, 1988}, {"令和", 2019, 0, 2018},
};

} // namespace

void CreateSchema(Database &db)
{
    for (const char *statement : kSchema)
        db.execute(QString::fromUtf8(statement));
}

void InsertDemoMasters(Database &db)
{
    for (int i = 0; i < 20; ++i)
        db.insert(QStringLiteral("M_KBN"), {{QStringLiteral("ID"), i + 1},
                                            {QStringLiteral("項目NO"), kKbn[i].value},
                                            {QStringLiteral("名称"), QString::fromUtf8(kKbn[i].name)}});
    for (const ServiceRow &s : kServices)
        db.insert(QStringLiteral("OMAIRI"), {{QStringLiteral("ONO"), s.ono},
                                             {QStringLiteral("ODISP"), s.ono + 1},
                                             {QStringLiteral("NM"), QString::fromUtf8(s.name)},
                                             {QStringLiteral("ONEN"), 0},
                                             {QStringLiteral("Otuki"), s.month},
                                             {QStringLiteral("OHi"), s.day},
                                             {QStringLiteral("訪問区分"), s.visit}});
    for (const EraRow &e : kEras)
        db.insert(QStringLiteral("M_年号"), {{QStringLiteral("年号"), QString::fromUtf8(e.name)},
                                            {QStringLiteral("開始"), e.start},
                                            {QStringLiteral("終了"), e.end},
                                            {QStringLiteral("計算"), e.offset}});
}

QString CreateDemoDatabase(const QString &dir)
{
    if (!QDir().mkpath(dir))
        throw DbError(75, QStringLiteral("フォルダを作成できません: %1").arg(dir));
    const QString path = QDir(dir).absoluteFilePath(QStringLiteral("tera.mdb"));
    if (QFileInfo::exists(path))
        throw DbError(58, QStringLiteral("既にファイルがあります（上書きしません）: %1").arg(path));
    {
        // A new SQLite file: Qt's driver creates it on open.
        const QString name = QStringLiteral("tera-create-demo");
        {
            QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            q.setDatabaseName(path);
            if (!q.open())
                throw DbError(3049, QStringLiteral("データベースを作成できません: %1").arg(path));
            q.exec(QStringLiteral("PRAGMA user_version = 1"));
            q.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    try {
        std::unique_ptr<Database> db = Database::open(path);
        Transaction tx(*db);
        CreateSchema(*db);
        InsertDemoMasters(*db);
        tx.commit();
        db->close();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return path;
}

} // namespace tera
