// Transcription speed against the engine's practical limit.
//
//   ./build/bench/bench_transcribe [N]        (N death-register rows, default 30000)
//
// Builds a demo database, generates N death-register rows of realistic text
// (about half of the donors already members, dates in several written forms,
// 25 and 31 anniversaries mixed), transcribes them through the driver, then
// inserts the same number of rows into the same tables with plain prepared
// statements in one transaction. Prints rows per second, database rows per
// second, memory as the run goes, and on the last line the ratio of the two
// times (target: at most 3).
#include "app/demo_database.h"
#include "app/master_data.h"
#include "app/startup.h"
#include "convert/item_catalogue.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/progress.h"
#include "transcribe/transcribe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace tera;

namespace {

class SilentPrompt : public Prompt {
public:
    Answer ask(const QString &text, Buttons buttons, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

long memoryKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

// Samples the resident memory at every tenth of the run.
class MemoryProgress : public ProgressObserver {
public:
    void progress(int value, int maximum, const QString &) override
    {
        ++calls;
        if (maximum > 0 && value * 10 / maximum != lastTenth) {
            lastTenth = value * 10 / maximum;
            samples << QStringLiteral("%1%:%2MB").arg(lastTenth * 10).arg(memoryKb("VmRSS:") / 1024);
        }
    }
    int lastTenth = -1;
    qint64 calls = 0;
    QStringList samples;
};

const char *const kFamily[] = {"髙橋", "﨑山", "佐藤", "鈴木", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤", "吉田"};
const char *const kGiven[] = {"一郎", "花子", "清", "トメ", "健太", "和子", "正雄", "幸子", "勇", "キヨ"};
const char *const kEras[] = {"昭和", "平成"};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 30000;
    QRandomGenerator random(20261206);
    QTemporaryDir dir;
    const QString dbPath = CreateDemoDatabase(dir.path());

    // Donors: a pool of names, half of them registered members.
    const int donors = qMax(10, n / 4);
    QStringList donorNames;
    {
        auto db = Database::open(dbPath);
        Transaction tx(*db);
        for (int i = 0; i < donors; ++i) {
            const QString name = QString::fromUtf8(kFamily[i % 12]) + QString::fromUtf8(kGiven[(i / 12) % 10]) + QString::number(i);
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
    }

    const Catalogue cat = CatalogueOf(kOutDeathRegister);
    GridModel grid;
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
        grid.setTextMatrix(r, 0, QString::number(r));
        grid.setTextMatrix(r, 10, QStringLiteral("釋浄心信士%1").arg(r));
        grid.setTextMatrix(r, 9, QStringLiteral("ｼｬｸｼﾞｮｳｼﾝｼﾝｼ"));
        grid.setTextMatrix(r, 11, QString::fromUtf8(kFamily[r % 12]) + QStringLiteral("故人%1").arg(r));
        grid.setTextMatrix(r, 12, donorNames.at(int(random.bounded(donors))));
        grid.setTextMatrix(r, 7, QStringLiteral("%1歳").arg(60 + r % 40));
        switch (r % 3) {
        case 0:
            grid.setTextMatrix(r, 1, QStringLiteral("%1年%2月%3日").arg(year).arg(month).arg(day));
            break;
        case 1: {
            const bool heisei = year >= 1990;
            grid.setTextMatrix(r, 2, QStringLiteral("%1%2年%3月%4日")
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
            grid.setTextMatrix(r, 1, wide);
        }
        }
        grid.setTextMatrix(r, 23, QStringLiteral("東京都文京区本郷三丁目%1番").arg(r % 30));
    }

    AppState state;
    state.gDbPath = dbPath;
    DeriveSiblingPaths(state);
    state.gOutKind = kOutDeathRegister;
    state.gExecMode = kModeAppend;
    SilentPrompt prompt;
    {
        auto db = Database::open(dbPath);
        GetComSys(*db, state, prompt);
        LoadOmairiMaster(*db, state);
    }
    FixedClock clock(QDate(2024, 5, 10));
    MemoryProgress progress;

    QElapsedTimer timer;
    timer.start();
    const TranscribeReport report = Transcribe(grid, state, prompt, clock, &progress);
    const double driverSeconds = timer.nsecsElapsed() / 1e9;
    const long driverPeakKb = memoryKb("VmHWM:");

    qint64 kaiki = 0, omairi = 0, kako = 0, selection = 0;
    {
        auto db = Database::open(dbPath);
        auto count = [&](const char *table) {
            Query q = db->exec(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(QString::fromUtf8(table)));
            q.next();
            const qint64 v = q.integer(QStringLiteral("n"));
            q.finish();
            return v;
        };
        kako = count("W_KAKO");
        kaiki = count("W_KAIKI");
        omairi = count("D_OMAIRI");
        selection = count("M_お参り");
    }
    const qint64 dbRows = kako + kaiki + omairi + selection;

    // The engine's practical limit: the very rows the driver wrote (every
    // column), inserted with plain prepared statements in one transaction.
    struct TableRows {
        QString table;
        QStringList columns;
        QList<QVariantList> rows;
    };
    QList<TableRows> written;
    {
        auto db = Database::open(dbPath);
        for (const char *table : {"W_KAKO", "W_KAIKI", "D_OMAIRI", "M_お参り"}) {
            TableRows t;
            t.table = QString::fromUtf8(table);
            t.columns = db->columnsOf(t.table);
            Query q = db->exec(QStringLiteral("SELECT * FROM [%1]").arg(t.table));
            while (q.next()) {
                QVariantList row;
                for (const QString &c : std::as_const(t.columns))
                    row << q.value(c);
                t.rows << row;
            }
            q.finish();
            written << t;
        }
    }
    QTemporaryDir plainDir;
    const QString plainPath = CreateDemoDatabase(plainDir.path());
    timer.restart();
    {
        auto db = Database::open(plainPath);
        Transaction tx(*db);
        for (const TableRows &t : std::as_const(written)) {
            for (const QVariantList &row : t.rows) {
                Columns columns;
                for (int i = 0; i < t.columns.size(); ++i)
                    columns.append({t.columns.at(i), row.at(i)});
                db->insert(t.table, columns);
            }
        }
        tx.commit();
    }
    const double plainSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("rows: %d (written %d, skipped %lld, outcome %d)\n", n, report.rowsWritten,
                qint64(report.skipped.size() + report.rolledBack.size()), int(report.outcome));
    std::printf("database rows: W_KAKO %lld, W_KAIKI %lld, D_OMAIRI %lld, M_お参り %lld\n", kako, kaiki, omairi, selection);
    std::printf("driver: %.2f s, %.0f rows/s, %.0f database rows/s, %lld progress calls\n", driverSeconds,
                n / driverSeconds, dbRows / driverSeconds, progress.calls);
    std::printf("plain inserts of the same rows: %.2f s, %.0f database rows/s\n", plainSeconds, dbRows / plainSeconds);
    std::printf("memory during the run: %s; peak by the end of the run %ld MB\n",
                qPrintable(progress.samples.join(QLatin1Char(' '))), driverPeakKb / 1024);
    std::printf("ratio driver/plain: %.2f\n", driverSeconds / plainSeconds);
    return 0;
}
