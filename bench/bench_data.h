// The death register that bench_transcribe and bench_check run on: a demo
// database with a pool of donors (half of them registered members) and N
// rows of realistic text (dates in several written forms, 25 and 31
// anniversaries mixed). The same seed gives the same rows.
#pragma once
#include "session/demo_database.h"
#include "model/master_data.h"
#include "session/startup.h"
#include "convert/item_catalogue.h"
#include "convert/output_items.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"

#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace tera::bench {

class SilentPrompt : public Prompt {
public:
    Answer ask(const QString &text, Buttons buttons, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

// A figure of /proc/self/status in kB ("VmRSS:", "VmHWM:"), -1 when unknown.
inline long memoryKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

// Starts the peak-memory count (VmHWM) afresh: Linux resets it when 5 is
// written to clear_refs.
inline void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

struct DeathRegisterBench {
    QString dbPath;
    GridModel grid;
    AppState state;
};

// Fills folder with the demo database and the import grid of n rows, and
// sets state up for an append run of the death register.
inline const char *const kBenchFamily[] = {"髙橋", "﨑山", "佐藤", "鈴木", "田中", "伊藤",
                                           "渡辺", "山本", "中村", "小林", "加藤", "吉田"};
inline const char *const kBenchGiven[] = {"一郎", "花子", "清", "トメ", "健太", "和子", "正雄", "幸子", "勇", "キヨ"};

// The donors the rows name: members, every second one the head of a
// household of his own. Returns their names.
inline QStringList AddBenchDonors(const QString &dbPath, int donors)
{
    QStringList donorNames;
    auto db = Database::open(dbPath);
    Transaction tx(*db);
    for (int i = 0; i < donors; ++i) {
        const QString name = QString::fromUtf8(kBenchFamily[i % 12]) + QString::fromUtf8(kBenchGiven[(i / 12) % 10]) + QString::number(i);
        donorNames << name;
        if (i % 2 == 0) {
            const QString setai = QStringLiteral("%1").arg(i + 1, 6, 10, QLatin1Char('0'));
            db->insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), setai}, {QStringLiteral("世帯主名"), name}});
            db->insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QString::number(i + 1)},
                                                   {QStringLiteral("SETAI_NO"), setai},
                                                   {QStringLiteral("MEI"), name},
                                                   {QStringLiteral("LIF"), QStringLiteral("0")},
                                                   {QStringLiteral("Kankei"), i % 4 == 0 ? QStringLiteral("2") : QStringLiteral("0")},
                                                   {QStringLiteral("tel"), QStringLiteral("03-3812-4471")},
                                                   {QStringLiteral("JYU"), QStringLiteral("東京都文京区本郷三丁目4番2号")}});
        }
    }
    tx.commit();
    return donorNames;
}

// Row r's date of death, in the three forms registers hold: Western with
// 年月日, with its era, and in full-width digits.
inline void SetBenchDeathDate(GridModel &grid, int r, int year, int month, int day)
{
    static const char *const kEras[] = {"昭和", "平成"};
    switch (r % 3) {
    case 0:
        grid.setTextMatrix(r, itemNumber(DeathItem::DeathDate), QStringLiteral("%1年%2月%3日").arg(year).arg(month).arg(day));
        break;
    case 1: {
        const bool heisei = year >= 1990;
        grid.setTextMatrix(r, itemNumber(DeathItem::DeathDateWithEra), QStringLiteral("%1%2年%3月%4日")
                                                                        .arg(QString::fromUtf8(kEras[heisei ? 1 : 0]))
                                                                        .arg(heisei ? year - 1988 : year - 1925)
                                                                        .arg(month)
                                                                        .arg(day));
        break;
    }
    default: {
        QString wide = QStringLiteral("%1年%2月%3日").arg(year).arg(month).arg(day);
        for (QChar &ch : wide)
            if (ch.isDigit())
                ch = QChar(ch.unicode() - u'0' + 0xFF10);
        grid.setTextMatrix(r, itemNumber(DeathItem::DeathDate), wide);
    }
    }
}

inline void MakeDeathRegisterBench(const QString &folder, int n, DeathRegisterBench &out, Prompt &prompt)
{
    QRandomGenerator random(20261206);
    out.dbPath = CreateDemoDatabase(folder);
    const int donors = qMax(10, n / 4);
    const QStringList donorNames = AddBenchDonors(out.dbPath, donors);

    const Catalogue cat = CatalogueOf(kOutDeathRegister);
    GridModel &grid = out.grid;
    grid.setRows(n + 1);
    grid.setCols(int(cat.size()));
    grid.setFixedRows(1);
    grid.setFixedCols(1);
    for (int c = 0; c < cat.size(); ++c)
        grid.setTextMatrix(0, c, cat.at(c).name);
    for (int r = 1; r <= n; ++r) {
        const int year = 1950 + int(random.bounded(70));
        const int month = 1 + int(random.bounded(12));
        const int day = 1 + int(random.bounded(28));
        grid.setTextMatrix(r, itemNumber(DeathItem::EntryNumber), QString::number(r));
        grid.setTextMatrix(r, itemNumber(DeathItem::PosthumousName), QStringLiteral("釋浄心信士%1").arg(r));
        grid.setTextMatrix(r, itemNumber(DeathItem::PosthumousNameReading), QStringLiteral("ｼｬｸｼﾞｮｳｼﾝｼﾝｼ"));
        grid.setTextMatrix(r, itemNumber(DeathItem::SecularName), QString::fromUtf8(kBenchFamily[r % 12]) + QStringLiteral("故人%1").arg(r));
        grid.setTextMatrix(r, itemNumber(DeathItem::ChiefMourner), donorNames.at(int(random.bounded(donors))));
        grid.setTextMatrix(r, itemNumber(DeathItem::AgeAtDeath), QStringLiteral("%1歳").arg(60 + r % 40));
        SetBenchDeathDate(grid, r, year, month, day);
        grid.setTextMatrix(r, itemNumber(DeathItem::Address), QStringLiteral("東京都文京区本郷三丁目%1番").arg(r % 30));
    }

    out.state = AppState();
    out.state.files.database = out.dbPath;
    DeriveSiblingPaths(out.state);
    out.state.outputKind = kOutDeathRegister;
    out.state.executionMode = kModeAppend;
    auto db = Database::open(out.dbPath);
    ReadMasterData(*db, out.state, prompt);
}

} // namespace tera::bench
