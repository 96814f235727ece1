// Loading a large register into the grid, against sqlite3's CSV import.
//
// Run (from the project root, after configuring the build):
//   cmake --build build --target bench_grid_load && build/bench/bench_grid_load
//
// Writes a CP932 CSV of 100,000 lines x 30 fields of register text (names with
// the NEC/IBM extension characters, half-width kana, addresses, era and
// Western dates, quoted fields with commas, doubled quotes and the odd line
// break) into a temporary folder, then prints: the file's size; the best of
// three loads into the grid model, with rows per second; the process's peak
// memory (VmHWM) against the file's size; the time to sort the rows on two
// key columns (modes 1 and 9); the best of three runs of `sqlite3 :memory: ".import"` on the
// same file; and last, the ratio of the grid's load time to sqlite3's.
// Targets: ratio <= 1.0, peak memory <= 6 x file size, sort < 1 s.
// An argument names another CSV file to load instead of the generated one.

#include "bench_data.h"
#include "platform/grid_model.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <random>

using namespace tera;

namespace {

constexpr int kLines = 100'000;
constexpr int kFields = 30;

QStringList words(const char *spaceSeparated) { return QString::fromUtf8(spaceSeparated).split(u' '); }

class RegisterWriter {
public:
    explicit RegisterWriter(quint32 seed) : m_rng(seed) {}

    QString line(int n)
    {
        if (n == 0) {
            return QStringLiteral(
                "管理番号,世帯番号,地区,氏名,ﾌﾘｶﾞﾅ,性別,生年月日,没年月日,戒名,俗名,行年,施主名,続柄,郵便番号,住所1,住所2,"
                "電話番号,携帯番号,備考,墓地区画,檀家区分,登録日,護持会費,年忌,メール,法名,菩提寺,本籍,勤務先,更新日時");
        }
        const int s = pick(kSei), m = pick(kMei);
        const bool dead = chance(40);
        QStringList f;
        f.reserve(kFields);
        f << QString::asprintf("%06d", n) << QString::asprintf("%06d", n / 3 + 1) << kChiku[pick(kChiku)]
          << QString(kSei[s]) + QChar(0x3000) + kMei[m] << QString(kSeiKana[s]) + u' ' + kMeiKana[m]
          << (chance(50) ? QStringLiteral("男") : QStringLiteral("女"))
          << QStringLiteral("%1%2年%3月%4日").arg(kEra[pick(kEra)]).arg(range(1, 45)).arg(range(1, 12)).arg(range(1, 28))
          << (dead ? QString::asprintf("%d/%02d/%02d", range(1950, 2023), range(1, 12), range(1, 28)) : QString())
          << (dead ? QString(kKaimyo[pick(kKaimyo)]) : QString())
          << (dead ? QString(kSei[pick(kSei)]) + kMei[pick(kMei)] : QString())
          << (dead ? QStringLiteral("%1歳").arg(kKanjiAge[pick(kKanjiAge)]) : QString())
          << QString(kSei[s]) + kMei[pick(kMei)] << kZoku[pick(kZoku)]
          << QString::asprintf("%03d-%04d", range(100, 999), range(0, 9999))
          << QStringLiteral("%1%2%3丁目%4番%5号").arg(kCity[pick(kCity)], kTown[pick(kTown)]).arg(range(1, 5)).arg(range(1, 30)).arg(range(1, 20))
          << (chance(30) ? QStringLiteral("コーポ%1 %2号室").arg(kSei[pick(kSei)]).arg(range(101, 505)) : QString())
          << QString::asprintf("0%d-%04d-%04d", range(3, 99), range(0, 9999), range(0, 9999))
          << (chance(50) ? QString::asprintf("090-%04d-%04d", range(0, 9999), range(0, 9999)) : QString())
          << note() << QStringLiteral("%1-%2").arg(QChar(u'A' + range(0, 7))).arg(range(1, 120))
          << (chance(80) ? QStringLiteral("檀家") : QStringLiteral("信徒"))
          << QString::asprintf("%d/%02d/%02d", range(1990, 2023), range(1, 12), range(1, 28))
          << QLocale::c().toString(range(3, 60) * 1000) << (dead ? QString(kNenki[pick(kNenki)]) : QString())
          << (chance(20) ? QStringLiteral("user%1@example.jp").arg(n) : QString()) << QString()
          << QStringLiteral("浄土寺") << kCity[pick(kCity)] << (chance(25) ? QStringLiteral("株式会社%1商店").arg(kSei[pick(kSei)]) : QString())
          << QString::asprintf("2023/%02d/%02d %02d:%02d:00", range(1, 12), range(1, 28), range(8, 18), range(0, 59));
        QString out;
        for (int i = 0; i < f.size(); ++i) {
            if (i)
                out.append(u',');
            const QString &v = f[i];
            if (v.contains(u',') || v.contains(u'"') || v.contains(u'\n')) {
                out.append(u'"');
                out.append(QString(v).replace(QStringLiteral("\""), QStringLiteral("\"\"")));
                out.append(u'"');
            } else {
                out.append(v);
            }
        }
        return out;
    }

private:
    int pick(const QStringList &list) { return range(0, int(list.size()) - 1); }
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(int percent) { return range(1, 100) <= percent; }
    QString note()
    {
        const int k = range(1, 100);
        if (k <= 40)
            return QString();
        if (k <= 85)
            return QStringLiteral("法要済, 墓地%1, 護持会費納入").arg(range(1, 99));
        if (k <= 98)
            return QStringLiteral("「\"至急\"」連絡, 施主変更予定");
        return QStringLiteral("転居先:\r\n%1").arg(kCity[pick(kCity)]);
    }

    const QStringList kSei = words("山田 佐藤 鈴木 髙橋 田中 渡邊 伊藤 山本 中村 小林 加藤 吉田 山﨑 齋藤 松本 井上");
    const QStringList kSeiKana = words("ﾔﾏﾀﾞ ｻﾄｳ ｽｽﾞｷ ﾀｶﾊｼ ﾀﾅｶ ﾜﾀﾅﾍﾞ ｲﾄｳ ﾔﾏﾓﾄ ﾅｶﾑﾗ ｺﾊﾞﾔｼ ｶﾄｳ ﾖｼﾀﾞ ﾔﾏｻﾞｷ ｻｲﾄｳ ﾏﾂﾓﾄ ｲﾉｳｴ");
    const QStringList kMei = words("太郎 花子 一郎 美智子 正雄 幸子 清 和子 博 節子 茂 久美子");
    const QStringList kMeiKana = words("ﾀﾛｳ ﾊﾅｺ ｲﾁﾛｳ ﾐﾁｺ ﾏｻｵ ｻﾁｺ ｷﾖｼ ｶｽﾞｺ ﾋﾛｼ ｾﾂｺ ｼｹﾞﾙ ｸﾐｺ");
    const QStringList kChiku = words("北地区 南地区 東地区 西地区 中央 本町 山手");
    const QStringList kEra = words("明治 大正 昭和 平成");
    const QStringList kKaimyo = words("釋浄念信士 釋尼妙華信女 清光院貞誉妙心大姉 慈雲院徳山道秀居士 ①顕誉浄光信士");
    const QStringList kKanjiAge = words("六十八 七十五 八十二 九十一 百一");
    const QStringList kZoku = words("長男 妻 長女 次男 本人 孫");
    const QStringList kCity = words("東京都世田谷区 京都府京都市左京区 大阪府大阪市北区 福岡県福岡市博多区 北海道札幌市中央区 愛知県名古屋市中区");
    const QStringList kTown = words("北沢 下鴨 梅田 中洲 大通西 栄");
    const QStringList kNenki = words("一周忌 三回忌 七回忌 十三回忌 三十三回忌");

    std::mt19937 m_rng;
};

bool writeRegister(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    RegisterWriter writer(20240401);
    QString chunk;
    for (int n = 0; n < kLines; ++n) {
        chunk.append(writer.line(n));
        chunk.append(QStringLiteral("\r\n"));
        if (chunk.size() > (1 << 20) || n == kLines - 1) {
            const QByteArray bytes = encoder.encode(chunk);
            if (encoder.hasError() || file.write(bytes) != bytes.size())
                return false;
            chunk.clear();
        }
    }
    return true;
}

// The grid's load, best of three, each into a fresh table; the last table
// loaded stays in grid. A negative time when the load fails.
double bestGridLoad(const QString &path, std::unique_ptr<GridModel> &grid)
{
    double loadSeconds = 1e9;
    for (int run = 0; run < 3; ++run) {
        grid.reset();
        auto g = std::make_unique<GridModel>();
        QElapsedTimer t;
        t.start();
        const Outcome r = g->LoadGrid(path, GridFileKind::Csv);
        const double s = t.nsecsElapsed() / 1e9;
        if (!r.ok) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(r.message));
            return -1;
        }
        loadSeconds = std::min(loadSeconds, s);
        grid = std::move(g);
    }
    return loadSeconds;
}

// Sorts the data rows (below the title line) in file order on two key
// columns, 地区 then 氏名: once as numbers-or-text, once in Japanese order.
void printSortTimes(const QString &path)
{
    for (int mode : {int(SortGenericAscending), int(SortCustom)}) {
        auto grid = std::make_unique<GridModel>();
        grid->LoadGrid(path, GridFileKind::Csv);
        grid->setFixedRows(1);
        grid->select(1, 2, grid->Rows() - 1, 3);
        QElapsedTimer t;
        t.start();
        grid->Sort(mode);
        std::printf("sort %d rows on 2 key columns, mode %d: %.3f s\n", grid->Rows() - 1, mode, t.nsecsElapsed() / 1e9);
    }
}

// The sqlite3 shell's .import of the same file into memory, best of three;
// count is the rows it read. A negative time when the shell fails.
double bestSqliteImport(const QString &sqlite, const QString &path, QByteArray &count)
{
    double sqliteSeconds = 1e9;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(sqlite, {QStringLiteral(":memory:"), QStringLiteral(".mode csv"),
                         QStringLiteral(".import \"%1\" t").arg(path), QStringLiteral("SELECT count(*) FROM t;")});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::fprintf(stderr, "sqlite3 failed: %s\n", p.readAllStandardError().constData());
            return -1;
        }
        sqliteSeconds = std::min(sqliteSeconds, t.nsecsElapsed() / 1e9);
        count = p.readAllStandardOutput().trimmed();
    }
    return sqliteSeconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString path = app.arguments().value(1);
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("register.csv"));
        if (!writeRegister(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const qint64 fileSize = QFileInfo(path).size();
    std::printf("file: %s, %.1f MB (CP932 CSV, %d lines x %d fields)\n", qPrintable(path), fileSize / 1e6, kLines, kFields);

    bench::resetPeak();
    const qint64 baselineKb = bench::memoryKb("VmRSS:");
    std::unique_ptr<GridModel> grid;
    const double loadSeconds = bestGridLoad(path, grid);
    if (loadSeconds < 0)
        return 1;
    const qint64 peakKb = bench::memoryKb("VmHWM:");
    std::printf("grid load: %d rows x %d columns in %.3f s, %.0f rows/s\n", grid->Rows(), grid->Cols(), loadSeconds,
                grid->Rows() / loadSeconds);
    std::printf("peak memory: %.1f MB (%.2f x file size; %.1f MB before loading)\n", peakKb / 1024.0,
                peakKb * 1024.0 / double(fileSize), baselineKb / 1024.0);
    grid.reset();
    printSortTimes(path);

    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty()) {
        std::printf("sqlite3 not found on PATH: no ratio\n");
        return 1;
    }
    QByteArray count;
    const double sqliteSeconds = bestSqliteImport(sqlite, path, count);
    if (sqliteSeconds < 0)
        return 1;
    std::printf("sqlite3 .import: %s rows in %.3f s\n", count.constData(), sqliteSeconds);
    std::printf("ratio (grid load / sqlite3 .import): %.2f\n", loadSeconds / sqliteSeconds);
    return 0;
}
