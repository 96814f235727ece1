#include "transcribe/check_run.h"

#include "convert/era_calendar.h"
#include "convert/output_items.h"
#include "model/import_table.h"
#include "model/master_data.h"
#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "platform/text_file.h"
#include "transcribe/backup.h"
#include "transcribe/cell_assignment.h"
#include "transcribe/context.h"
#include "transcribe/death_register.h"
#include "transcribe/household_writer.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/pair_files.h"
#include "transcribe/run_lock.h"
#include "transcribe/progress.h"
#include "transcribe/replace_deletions.h"
#include "transcribe/run_report.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <tuple>

namespace tera {

namespace CheckText {
QString rowProgress(int row) { return QString::number(row) + QStringLiteral(" 番目のデータを検証しています"); }
} // namespace CheckText

QString CheckKindName(CheckKind kind)
{
    switch (kind) {
    case CheckKind::Stop: return QStringLiteral("中止");
    case CheckKind::NotWritten: return QStringLiteral("書込不可");
    case CheckKind::Skip: return QStringLiteral("スキップ");
    case CheckKind::Duplicate: return QStringLiteral("重複の可能性");
    case CheckKind::Unreadable: return QStringLiteral("読めない値");
    case CheckKind::Notice: return QStringLiteral("注意");
    case CheckKind::Created: return QStringLiteral("新規作成");
    case CheckKind::Deceased: return QStringLiteral("故人");
    case CheckKind::Renumbered: return QStringLiteral("世帯番号変更");
    case CheckKind::Updated: return QStringLiteral("上書き");
    case CheckKind::KakoText: return QStringLiteral("kako.rnd");
    }
    return QString();
}

int CheckReport::firstStopRow() const
{
    for (const CheckFinding &f : findings)
        if (f.kind == CheckKind::Stop)
            return f.row;
    return -1;
}

int CheckReport::count(CheckKind kind) const
{
    return int(std::count_if(findings.cbegin(), findings.cend(), [kind](const CheckFinding &f) { return f.kind == kind; }));
}

int CheckReport::rowsWrittenBeforeStop() const
{
    const int stop = firstStopRow();
    if (stop < 0)
        return run.rowsWritten;
    if (stop == 0 || !run.rowsToCorrect.isEmpty())
        return 0; // a run that finds a cell to correct writes nothing
    // Every row before the first stop was read, and was either written,
    // skipped by the rules or left out because of a failure.
    const auto before = [stop](const QList<RowNote> &notes) {
        return int(std::count_if(notes.cbegin(), notes.cend(), [stop](const RowNote &n) { return n.row < stop; }));
    };
    return stop - 1 - before(run.skipped) - before(run.rolledBack);
}

int CheckReport::replacedChars() const
{
    int n = 0;
    for (const CheckFinding &f : findings)
        n += f.replacedChars;
    return n;
}

namespace {

// The user's progress display, told that this is a check.
class CheckProgress : public ProgressObserver {
public:
    explicit CheckProgress(ProgressObserver *inner) : m_inner(inner) {}
    void status(const QString &) override {}
    void progress(int value, int maximum, const QString &) override
    {
        m_inner->progress(value, maximum, value == 0 ? CheckText::kChecking : CheckText::rowProgress(value));
    }
    void finished() override { m_inner->finished(); }
    bool cancelRequested() override { return m_inner->cancelRequested(); }

private:
    ProgressObserver *m_inner;
};

qint64 scalar(Database &db, const QString &sql)
{
    Query q = db.exec(sql);
    FinishOnExit done(q);
    return q.next() ? q.integer(QStringLiteral("n")) : 0;
}

// The highest D_KOJIN.ID and D_SETAI.SNO, in one statement where the
// dialect allows it: the check asks before and after every row.
std::pair<qint64, qint64> highestNumbers(Database &db)
{
    if (db.dialect() != Dialect::SQLite)
        return {scalar(db, QStringLiteral("SELECT MAX([ID]) AS n FROM [D_KOJIN]")),
                scalar(db, QStringLiteral("SELECT MAX([SNO]) AS n FROM [D_SETAI]"))};
    Query q = db.exec(QStringLiteral("SELECT (SELECT MAX([ID]) FROM [D_KOJIN]) AS id, (SELECT MAX([SNO]) FROM [D_SETAI]) AS sno"));
    FinishOnExit done(q);
    if (!q.next())
        return {0, 0};
    return {q.integer(QStringLiteral("id")), q.integer(QStringLiteral("sno"))};
}

// The text fields of a kako.rnd record with their widths.
struct KakoField {
    const char16_t *label;
    QString KakoRec::*field;
    int width;
    bool toDatabase; // the register's columns of this name are written from the record
};
const KakoField kKakoFields[] = {
    {u"戒名", &KakoRec::戒名, KakoWidth::戒名, true},       {u"ﾖﾐ", &KakoRec::ﾖﾐ, KakoWidth::ﾖﾐ, true},
    {u"俗名", &KakoRec::俗名, KakoWidth::俗名, true},       {u"続柄", &KakoRec::続柄, KakoWidth::続柄, true},
    {u"施主名", &KakoRec::施主名, KakoWidth::施主名, true}, {u"電話", &KakoRec::電話, KakoWidth::電話, false},
    {u"郵便", &KakoRec::郵便, KakoWidth::郵便, false},      {u"住所", &KakoRec::住所, KakoWidth::住所, false},
    {u"住所2", &KakoRec::住所2, KakoWidth::住所2, false},
};

// Death-register columns whose cells make up the date of death.
const DeathItem kDateItems[] = {DeathItem::DeathDate,        DeathItem::DeathDateWithEra, DeathItem::DeathEra,
                                DeathItem::DeathEraYear,     DeathItem::DeathMonth,       DeathItem::DeathDay,
                                DeathItem::DeathWesternYear, DeathItem::DeathMonthNumber, DeathItem::DeathDayNumber};

// The characters of text, each once, that CP932 cannot hold.
QString charsNotInCp932(const QString &text)
{
    QString missing;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        int one = 0;
        EncodeKakoText(text.mid(i, n), 4, &one);
        if (one > 0 && !missing.contains(text.mid(i, n)))
            missing += text.mid(i, n);
        i += n;
    }
    return missing;
}

// Learns from the run what each row did, by looking at the scratch database
// before and after the row procedure: the same queries would show a user
// the same changes after a real run.
class CheckObserver : public RowObserver {
public:
    CheckObserver(const ImportTable &importTable, qint16 kind, QList<CheckFinding> &out) : m_importTable(importTable), m_kind(kind), m_out(out) {}

    // The observer only looks: a query of its own that fails (a table the
    // run will stumble over itself) loses a finding, never changes the run.
    void rowAssigned(int row, TranscribeContext &ctx, const RowRecords &records) override
    {
        m_pending.clear();
        m_deceased.clear();
        m_oldSetai.clear();
        m_seen = false;
        try {
            assigned(row, ctx, records);
            m_seen = true;
        } catch (const DbError &) {
        }
    }

    void rowWritten(int row, TranscribeContext &ctx, const RowRecords &records) override
    {
        if (!m_seen)
            return;
        try {
            written(row, ctx, records);
        } catch (const DbError &) {
        }
    }

private:
    void assigned(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        Database &db = ctx.db;
        std::tie(m_maxId, m_maxSno) = highestNumbers(db);
        // The cell assignment judged each value as it read it.
        for (const ValueNotice &n : std::as_const(ctx.valueNotices))
            note(row, n.column, CheckKind::Unreadable, n.reason);
        if (m_kind == kOutDeathRegister)
            deathRowAssigned(row, ctx, records);
        else if (m_kind == kOutHouseholds)
            householdRowAssigned(ctx, records);
    }

    void written(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        m_out << m_pending;
        m_pending.clear();
        Database &db = ctx.db;
        QStringList newMembers, newHouseholds;
        QStringList newMemberNos;
        // New rows are numbered above the highest before the row: most rows
        // add none, and one query tells.
        const auto [maxId, maxSno] = highestNumbers(db);
        if (maxId > m_maxId) {
            Query q = db.exec(QStringLiteral("SELECT [KOJIN_NO], [MEI] FROM [D_KOJIN] WHERE [ID] > ? ORDER BY [ID]"),
                              {m_maxId});
            FinishOnExit done(q);
            while (q.next()) {
                newMemberNos << q.text(QStringLiteral("KOJIN_NO"));
                newMembers << QStringLiteral("個人 %1「%2」").arg(q.text(QStringLiteral("KOJIN_NO")),
                                                               q.text(QStringLiteral("MEI")));
            }
        }
        if (maxSno > m_maxSno) {
            Query q = db.exec(QStringLiteral("SELECT [SETAI_NO], [世帯主名] FROM [D_SETAI] WHERE [SNO] > ? ORDER BY [SNO]"),
                              {m_maxSno});
            FinishOnExit done(q);
            while (q.next())
                newHouseholds << QStringLiteral("世帯 %1「%2」").arg(q.text(QStringLiteral("SETAI_NO")),
                                                                 q.text(QStringLiteral("世帯主名")));
        }
        if (m_kind == kOutDeathRegister)
            deathRowWritten(row, ctx, records, newHouseholds + newMembers);
        else if (m_kind == kOutMembers)
            memberRowWritten(row, records, newHouseholds, newMemberNos);
        else
            householdRowWritten(row, ctx, records);
    }

    int columnOf(DeathItem item) const { return itemNumber(item) < m_importTable.columnCount() ? itemNumber(item) : -1; }
    QString cell(int row, DeathItem item) const
    {
        const int column = columnOf(item);
        return column >= 0 ? m_importTable.text(row, column) : QString();
    }

    void note(int row, int column, CheckKind kind, const QString &text, int replaced = 0)
    {
        m_pending << CheckFinding{row, column, kind, text, replaced};
    }

    void deathRowAssigned(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        const KakoRec &k = records.entry;
        m_name = k.俗名.trimmed();
        if (!m_name.isEmpty()) {
            Query q = ctx.db.exec(QStringLiteral("SELECT [ID], [LIF] FROM [D_KOJIN] WHERE [MEI] = ?"), {m_name});
            FinishOnExit done(q);
            while (q.next())
                if (q.text(QStringLiteral("LIF")) != QLatin1String("1"))
                    m_deceased << q.integer(QStringLiteral("ID"));
        }
        noteDeathDate(row, k);
    }

    // The date of death: the anniversaries follow only a complete one.
    void noteDeathDate(int row, const KakoRec &k)
    {
        int firstDateColumn = -1;
        QStringList written;
        for (DeathItem item : kDateItems) {
            const QString t = cell(row, item).trimmed();
            if (t.isEmpty())
                continue;
            if (firstDateColumn < 0)
                firstDateColumn = columnOf(item);
            written << t;
        }
        if (written.isEmpty())
            return;
        const QString shown = written.join(QStringLiteral("、"));
        // The column named is the one whose cell gave the part that is
        // missing: cells are assigned in column order, so the last filled
        // cell among those that set the part.
        const auto lastFilled = [&](std::initializer_list<DeathItem> items) {
            int column = -1;
            for (DeathItem item : items)
                if (!cell(row, item).trimmed().isEmpty())
                    column = columnOf(item);
            return column >= 0 ? column : firstDateColumn;
        };
        using D = DeathItem;
        const int partColumn =
            k.bnen < 1    ? lastFilled({D::DeathDate, D::DeathDateWithEra, D::DeathEra, D::DeathEraYear, D::DeathWesternYear})
            : k.btuki < 1 ? lastFilled({D::DeathDate, D::DeathDateWithEra, D::DeathMonth, D::DeathMonthNumber})
                          : lastFilled({D::DeathDate, D::DeathDateWithEra, D::DeathDay, D::DeathDayNumber});
        if (k.bnen < 1 || k.btuki < 1 || k.bHi < 1) {
            note(row, partColumn, CheckKind::Unreadable,
                 QStringLiteral("没年月日「%1」から年・月・日が揃いません（年 %2、月 %3、日 %4）。回忌は作られません。")
                     .arg(shown)
                     .arg(k.bnen)
                     .arg(k.btuki)
                     .arg(k.bHi));
        } else if (!QDate(k.bnen, k.btuki, k.bHi).isValid()) {
            note(row, partColumn, CheckKind::Unreadable,
                 QStringLiteral("没年月日「%1」（%2年%3月%4日）は暦にない日付です。回忌の日付は空のまま書き込まれます。")
                     .arg(shown)
                     .arg(k.bnen)
                     .arg(k.btuki)
                     .arg(k.bHi));
        }
    }

    void deathRowWritten(int row, TranscribeContext &ctx, const RowRecords &records, const QStringList &created)
    {
        const KakoRec &k = records.entry;
        if (!created.isEmpty())
            m_out << CheckFinding{row, -1, CheckKind::Created,
                                  QStringLiteral("施主「%1」は登録がないため、%2を新しく作ります。")
                                      .arg(k.施主名.trimmed(), created.join(QStringLiteral("、")))};
        for (qint64 id : std::as_const(m_deceased)) {
            Query q = ctx.db.exec(QStringLiteral("SELECT [KOJIN_NO], [LIF] FROM [D_KOJIN] WHERE [ID] = ?"), {id});
            FinishOnExit done(q);
            if (q.next() && q.text(QStringLiteral("LIF")) == QLatin1String("1"))
                m_out << CheckFinding{row, -1, CheckKind::Deceased,
                                      QStringLiteral("俗名「%1」の個人（個人番号 %2）を故人にします。")
                                          .arg(m_name, q.text(QStringLiteral("KOJIN_NO")))};
        }
        for (const KakoField &f : kKakoFields)
            noteKakoText(row, f, k.*(f.field));
    }

    // kako.rnd holds each text in a fixed number of CP932 bytes; the
    // database columns take the whole text.
    void noteKakoText(int row, const KakoField &f, const QString &text)
    {
        if (text.isEmpty())
            return;
        int replaced = 0;
        EncodeKakoText(text, f.width, &replaced);
        const QByteArray whole = EncodeKakoText(text, int(text.size()) * 2 + 2);
        qsizetype bytes = whole.size();
        while (bytes > 0 && whole.at(bytes - 1) == ' ')
            --bytes;
        const QString missing = charsNotInCp932(text);
        QStringList problems;
        if (!missing.isEmpty())
            problems << QStringLiteral("「%1」は CP932 にないため「?」になります").arg(missing);
        if (bytes > f.width)
            problems << QStringLiteral("%1 バイトまでのため後ろが切れます（%2 バイト）").arg(f.width).arg(bytes);
        if (problems.isEmpty())
            return;
        // The columns written from the record take at most the width in
        // characters (that cut is listed with the cell's values).
        const bool cutInDatabase = f.toDatabase && CutToWidth(text, f.width).size() < text.size();
        const QString database = cutInDatabase
                                     ? QStringLiteral("データベースには先頭 %1 文字を書き込みます。").arg(f.width)
                                     : QStringLiteral("データベースには元のまま書き込みます。");
        m_out << CheckFinding{row, -1, CheckKind::KakoText,
                              QStringLiteral("kako.rnd の%1「%2」: %3。%4")
                                  .arg(QString::fromUtf16(f.label), text, problems.join(QStringLiteral("、")), database),
                              replaced};
    }

    void memberRowWritten(int row, const RowRecords &records, const QStringList &newHouseholds, const QStringList &newMemberNos)
    {
        const MemberRec &r = records.member;
        if (!newHouseholds.isEmpty())
            m_out << CheckFinding{row, -1, CheckKind::Created,
                                  QStringLiteral("世帯主「%1」の世帯がないため、%2を新しく作ります。")
                                      .arg(r.世帯主名, newHouseholds.join(QStringLiteral("、")))};
        if (!newMemberNos.contains(r.KOJIN_NO.trimmed()))
            m_out << CheckFinding{row, -1, CheckKind::Updated,
                                  QStringLiteral("既存の個人（個人番号 %1）をこの行の「%2」で書き換えます。")
                                      .arg(r.KOJIN_NO.trimmed(), r.MEI)};
    }

    void householdRowAssigned(TranscribeContext &ctx, const RowRecords &records)
    {
        m_name = records.member.MEI;
        if (m_name.isEmpty())
            return;
        Query q = ctx.db.exec(QStringLiteral("SELECT [SETAI_NO] FROM [D_KOJIN] WHERE [MEI] = ?") + ctx.db.storedOrder(),
                              {m_name});
        FinishOnExit done(q);
        if (q.next())
            m_oldSetai = SixDigits(q.text(QStringLiteral("SETAI_NO")));
    }

    void householdRowWritten(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        if (m_oldSetai.trimmed().isEmpty())
            return;
        const QString now = SixDigits(records.member.SETAI_NO);
        if (now == m_oldSetai)
            return;
        Query q = ctx.db.exec(QStringLiteral("SELECT [SETAI_NO] FROM [D_KOJIN] WHERE [MEI] = ?") + ctx.db.storedOrder(),
                              {m_name});
        FinishOnExit done(q);
        if (q.next() && SixDigits(q.text(QStringLiteral("SETAI_NO"))) == now)
            m_out << CheckFinding{row, -1, CheckKind::Renumbered,
                                  QStringLiteral("「%1」の世帯番号 %2 を %3 に付け替えます（個人・お参り・回忌・過去帳の行も）。")
                                      .arg(m_name, m_oldSetai, now)};
    }

    const ImportTable &m_importTable;
    qint16 m_kind;
    QList<CheckFinding> &m_out;
    QList<CheckFinding> m_pending; // the row's unreadable values, kept when it is written
    qint64 m_maxId = 0;
    qint64 m_maxSno = 0;
    QString m_name;
    QList<qint64> m_deceased;
    QString m_oldSetai;
    bool m_seen = false; // the state before the row is known
};

// What replace mode deletes, counted on the copy before the run.
void noteDeletions(const RunSettings &s, Database &db, QList<CheckFinding> &out)
{
    if (s.executionMode != kModeReplace)
        return;
    const QString text = QStringLiteral("既存の%1（%2）を削除してから転記します。")
                             .arg(OutKindName(s.outputKind), CountReplaceDeletions(db, s.outputKind, s.files.kako).listText());
    out << CheckFinding{0, -1, CheckKind::Notice, text};
}

// The backups are written beside the database: a folder that takes no new
// file means the run will ask whether to go on without them.
void noteBackup(const RunSettings &real, QList<CheckFinding> &out)
{
    const QFileInfo folder(QFileInfo(real.files.databaseBackup).absolutePath());
    QStringList problems;
    if (!folder.isWritable())
        problems << QStringLiteral("フォルダ %1 に書き込めません").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    for (const QString &old : {real.files.databaseBackup, real.files.kakoBackup}) {
        const QFileInfo f(old);
        if (f.exists() && !f.isWritable())
            problems << QStringLiteral("%1 を置き換えられません").arg(QDir::toNativeSeparators(old));
    }
    if (!problems.isEmpty())
        out << CheckFinding{0, -1, CheckKind::Notice,
                            QStringLiteral("バックアップを作れない見込みです（%1）。転記の始めに続けるかどうか聞かれます。")
                                .arg(problems.join(QStringLiteral("、")))};
}

// How long the copy waits for another program that holds the database
// locked while it writes (as long as a run waits for a row).
constexpr int kCopyLockWaitMs = 30000;

// A database that stays below this size with the rows written is checked on
// a copy in memory; a larger one on a copy in the temporary folder, so that
// a check never needs more memory than a small office computer has to
// spare. A death-register row adds about 12 KB (its anniversaries and
// services with their indexes; 3 KB where the check need not store those),
// a member or household row about 1 KB.
constexpr qint64 kMemoryCopyLimit = 256ll * 1024 * 1024;

// The scratch folder: in memory where the system has such a folder, so that
// the scratch kako.rnd costs no disk writes; on disk for a large database.
QString scratchTemplate(bool large)
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString folder = !large && shm.isDir() && shm.isWritable() ? shm.absoluteFilePath() : QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("tera-import-check-XXXXXX"));
}

// True when no value can make an insert into table fail: no trigger, no
// constraint in its definition, no unique index. Anything unusual counts as
// a possible refusal.
bool insertsCannotFail(Database &db, const QString &table)
{
    Query q = db.exec(QStringLiteral("SELECT [type] AS t, [sql] AS s FROM sqlite_master WHERE [tbl_name] = ?"), {table});
    FinishOnExit done(q);
    bool sawTable = false;
    static const char *const kRefusing[] = {"CHECK", "NOT NULL", "UNIQUE", "PRIMARY KEY", "REFERENCES", "STRICT", "GENERATED"};
    while (q.next()) {
        const QString type = q.text(QStringLiteral("t"));
        const QString sql = q.text(QStringLiteral("s")).toUpper();
        if (type == QLatin1String("trigger"))
            return false;
        if (type == QLatin1String("index") && sql.contains(QLatin1String("UNIQUE")))
            return false;
        if (type == QLatin1String("table")) {
            sawTable = true;
            for (const char *word : kRefusing)
                if (sql.contains(QLatin1String(word)))
                    return false;
        }
    }
    return sawTable;
}

// The anniversaries and services of each entry are the bulk of a death
// register's writes, and no later step of a run reads them back: the rows
// of a later entry carry a number of their own. Where nothing in the schema
// could refuse such a row, the check binds their values (a missing column
// or an unusable value still shows) without storing them.
void skipInsertsNobodyReads(Database &copy)
{
    if (!copy.supportsSavepoints())
        return; // only through the engine's own handle
    QStringList tables;
    try {
        for (const QString &table : {QStringLiteral("W_KAIKI"), QStringLiteral("D_OMAIRI")})
            if (insertsCannotFail(copy, table))
                tables << table;
    } catch (const DbError &) {
        return;
    }
    copy.setInsertsNotRun(tables);
}

// How much a row makes the copy grow, by a generous guess.
qint64 growthPerRow(const RunSettings &state)
{
    qint64 growth = state.outputKind == kOutDeathRegister ? 12 * 1024 : 1024;
    if (state.outputKind == kOutDeathRegister && Database::detect(state.files.database) == FileKind::SQLite) {
        try {
            // Only the schema is read.
            std::unique_ptr<Database> real = Database::open(state.files.database);
            if (insertsCannotFail(*real, QStringLiteral("W_KAIKI")) && insertsCannotFail(*real, QStringLiteral("D_OMAIRI")))
                growth = 3 * 1024;
        } catch (const DbError &) {
            // The larger guess stands.
        }
    }
    return growth;
}

} // namespace

bool CopySqliteInto(const QString &path, Database &target, int lockWaitMs, QString &failure)
{
    try {
        target.copySqliteSnapshotFrom(path, lockWaitMs);
        return true;
    } catch (const SnapshotError &e) {
        if (e.step() == SnapshotError::Step::OpenSource)
            failure = QStringLiteral("%1 を開けません（%2）").arg(QDir::toNativeSeparators(path), e.description());
        else if (e.step() != SnapshotError::Step::Copy)
            failure = e.description();
        else if (e.isLockConflict())
            failure = QStringLiteral("別のプログラム（カリンデなど）がデータベースに書き込み中のため、%1 秒待っても読めませんでした。"
                                     "そのプログラムの作業が終わってから、もう一度検証してください。")
                          .arg((lockWaitMs + 999) / 1000);
        else
            failure = QStringLiteral("%1（%2）").arg(e.description(), QDir::toNativeSeparators(path));
        return false;
    }
}

namespace {

// Copies the database, kako.rnd and its journal to the scratch paths of s
// (a SQLite file that is not large: into copy, in memory). Returns why it
// could not, empty when it did.
QString copyIntoScratch(const RunSettings &state, const RunSettings &s, bool large, Prompt &quiet,
                        std::unique_ptr<Database> &copy, bool runGoingOn)
{
    QString failure;
    // A SQLite file is copied into memory through the engine, which reads a
    // committed state even while another program writes; an Access file is
    // copied as a file and opened through its driver, and so is a large
    // SQLite file.
    if (Database::detect(state.files.database) == FileKind::SQLite && !large) {
        try {
            copy = Database::openInMemory();
        } catch (const DbError &e) {
            return QStringLiteral("検証用にデータベースを写せません: %1").arg(e.description());
        }
        if (!CopySqliteInto(state.files.database, *copy, kCopyLockWaitMs, failure))
            return QStringLiteral("検証用にデータベースを写せません: %1").arg(failure);
        // The engine's own scratch (statement journals, sorts) would go to
        // temporary files otherwise.
        try {
            copy->exec(QStringLiteral("PRAGMA temp_store = MEMORY")).finish();
        } catch (const DbError &) {
            // Only slower.
        }
    } else if (!CopyIfPresent(state.files.database, s.files.database, quiet, &failure)) {
        return QStringLiteral("検証用にデータベースを写せません: %1").arg(failure);
    }
    if (runGoingOn) {
        // The run goes on appending: what is there now, in whole records, is
        // enough (its committed entries are cut out of it afterwards).
        QFile from(state.files.kako);
        if (from.exists()) {
            if (!from.open(QIODevice::ReadOnly))
                return QStringLiteral("検証用に kako.rnd を写せません: %1").arg(from.errorString());
            QByteArray bytes = from.readAll();
            bytes.truncate(bytes.size() - bytes.size() % kKakoRecordBytes);
            const Outcome written = WriteWholeFile(s.files.kako, bytes);
            if (!written.ok)
                return QStringLiteral("検証用に kako.rnd を写せません: %1").arg(written.message);
        }
        return QString();
    }
    if (QFileInfo(state.files.kako).isFile() && !CopyIfPresent(state.files.kako, s.files.kako, quiet, &failure))
        return QStringLiteral("検証用に kako.rnd を写せません: %1").arg(failure);
    // A record that a killed run left uncommitted: the run on the copies
    // takes it back first, as a real run would.
    if (QFileInfo::exists(KakoJournalPath(state.files.kako))
        && !QFile::copy(KakoJournalPath(state.files.kako), KakoJournalPath(s.files.kako)))
        return QStringLiteral("検証用に %1 を写せません。").arg(KakoJournalPath(state.files.kako));
    return QString();
}

// While a run goes on, kako.rnd may hold records of rows not yet committed
// (and the last one half written): the copy keeps only the records of the
// entries the copied database holds, and the journal, which belongs to the
// run, is not used.
QString committedKakoOnly(const RunSettings &s, Database *copy)
{
    QFile::remove(KakoJournalPath(s.files.kako));
    try {
        std::unique_ptr<Database> own;
        Database *db = copy ? copy : (own = Database::open(s.files.database)).get();
        Query q = db->exec(QStringLiteral("SELECT max([過去CD]) AS n FROM [W_KAKO]"));
        const qint64 highest = q.next() ? q.integer(QStringLiteral("n")) : 0;
        q.finish();
        QFile kako(s.files.kako);
        if (kako.exists() && kako.size() > highest * kKakoRecordBytes && !kako.resize(highest * kKakoRecordBytes))
            return QStringLiteral("検証用の kako.rnd を整えられません（%1）。").arg(kako.errorString());
    } catch (const DbError &) {
        // The run on the copy meets the same table and reports it.
    }
    return QString();
}

// The findings of the run on the copies, after those found before it:
// the run's general ones first, then row by row.
QList<CheckFinding> findingsOf(const TranscribeReport &run, bool skipDuplicates, QList<CheckFinding> general,
                               QList<CheckFinding> rows)
{
    if (run.outcome == TranscribeReport::Outcome::Failed && run.stops.isEmpty())
        general << CheckFinding{0, run.failureColumn, CheckKind::Stop,
                                QStringLiteral("転記を始められません: %1").arg(run.failure)};
    if (run.recoveredKakoCd > 0)
        general << CheckFinding{0, -1, CheckKind::Notice, TranscribeText::kakoRecovered(run.recoveredKakoCd)};
    if (run.outcome == TranscribeReport::Outcome::Cancelled)
        general << CheckFinding{0, -1, CheckKind::Notice,
                                QStringLiteral("検証を途中で止めました（%1 行目まで）。").arg(run.rowsRead)};
    for (const RowStop &stop : run.stops)
        rows << CheckFinding{stop.row, stop.column, CheckKind::Stop,
                             stop.endsProgram
                                 ? QStringLiteral("データベースの障害でプログラムが終了します: %1").arg(stop.reason)
                                 : QStringLiteral("転記はこの行で止まります: %1").arg(stop.reason)};
    for (const RowNote &n : run.rolledBack)
        rows << CheckFinding{n.row, -1, CheckKind::NotWritten,
                             QStringLiteral("この行は書き込まれません（転記は続きます）: %1").arg(n.reason)};
    for (const RowNote &n : run.skipped)
        rows << CheckFinding{n.row, -1, CheckKind::Skip, n.reason};
    // A duplicate left out is a skip already; one written is a warning.
    for (const RowNote &n : run.duplicates)
        if (!skipDuplicates)
            rows << CheckFinding{n.row, -1, CheckKind::Duplicate,
                                 n.reason + QStringLiteral("。除くと決めなければ、このまま書き込みます")};
    std::stable_sort(rows.begin(), rows.end(), [](const CheckFinding &a, const CheckFinding &b) {
        return a.row != b.row ? a.row < b.row : int(a.kind) < int(b.kind);
    });
    std::stable_sort(general.begin(), general.end(),
                     [](const CheckFinding &a, const CheckFinding &b) { return int(a.kind) < int(b.kind); });
    return general + rows;
}

// Why the database cannot be checked, empty when it can.
QString uncheckableDatabase(const QString &database)
{
    if (Database::isConnectionString(database))
        return QStringLiteral("接続文字列で指定したデータベースは検証できません。データベースのファイルを指定してください。");
    if (!QFileInfo(database).isFile())
        return QStringLiteral("データベース %1 がありません。").arg(QDir::toNativeSeparators(database));
    return QString();
}

// Every path of the run points into the scratch folder: the run may
// write, delete and back up there as it likes.
RunSettings scratchSettings(const RunSettings &state, const QTemporaryDir &scratch)
{
    RunSettings s = state;
    s.files.database = scratch.filePath(QStringLiteral("tera.mdb"));
    s.files.kako = scratch.filePath(QStringLiteral("kako.rnd"));
    s.files.kakoBackup = scratch.filePath(QStringLiteral("kako2.rnd"));
    s.files.databaseBackup = scratch.filePath(QStringLiteral("tera2.mdb"));
    return s;
}

// A step that a killed process left half done is finished first, when no
// run holds the database, so that the copies are of one pair. While a run
// goes on, the check reads the last committed state: the database as the
// engine gives it, and kako.rnd cut to the entries of that state. Returns
// why the check cannot go on, empty when it can.
QString settleUnlessRunning(const RunSettings &state, QStringList &settled, bool &runGoingOn)
{
    RunLock lock(state.files.database);
    QString refusal;
    if (!lock.tryTake(refusal)) {
        runGoingOn = lock.busy();
        return QString();
    }
    try {
        settled = SettlePairFiles(state.files);
    } catch (const KakoRndError &e) {
        return e.message();
    } catch (const DbError &e) {
        return e.description();
    }
    return QString();
}

// The copies of the database and kako.rnd in the scratch paths of s, the
// database open in copy where it can be. Returns why not, empty when done.
QString prepareCopies(const RunSettings &state, const RunSettings &s, bool large, Prompt &quiet,
                      std::unique_ptr<Database> &copy, bool runGoingOn)
{
    const QString failure = copyIntoScratch(state, s, large, quiet, copy, runGoingOn);
    if (!failure.isEmpty())
        return failure;
    if (runGoingOn) {
        const QString cut = committedKakoOnly(s, copy.get());
        if (!cut.isEmpty())
            return cut;
    }
    // A SQLite file copied to the scratch folder is opened here, so that the
    // run goes through the same connection settings as the copy in memory.
    if (!copy && Database::detect(s.files.database) == FileKind::SQLite) {
        try {
            copy = Database::open(s.files.database);
        } catch (const DbError &) {
            // The run opens it itself and reports why it cannot.
        }
    }
    if (copy)
        skipInsertsNobodyReads(*copy);
    return QString();
}

// What the check knows before the run: the deletions of replace mode, the
// backups, the steps it finished and a run going on.
QList<CheckFinding> findingsBeforeRun(const RunSettings &state, const RunSettings &s, Database *copy,
                                      const QStringList &settled, bool runGoingOn)
{
    QList<CheckFinding> general;
    try {
        if (copy) {
            noteDeletions(s, *copy, general);
        } else {
            std::unique_ptr<Database> db = Database::open(s.files.database);
            noteDeletions(s, *db, general);
        }
    } catch (const DbError &e) {
        // The run itself will meet and report the same failure.
        Q_UNUSED(e);
    }
    noteBackup(state, general);
    for (const QString &note : settled)
        general << CheckFinding{0, -1, CheckKind::Notice, note};
    if (runGoingOn)
        general << CheckFinding{0, -1, CheckKind::Notice,
                                QStringLiteral("別の転記が実行中のため、その転記で最後に確定した状態を検証しました。")};
    return general;
}

TranscribeOptions checkOptions(bool skipDuplicates, RowObserver *observer, Database *copy)
{
    TranscribeOptions options;
    options.backup = false;
    options.runLock = false; // the copies are the check's own
    options.continueAfterFailure = true;
    options.skipDuplicates = skipDuplicates;
    options.rows = observer;
    options.database = copy;
    return options;
}

} // namespace

QList<RowStop> FindRowsToCorrect(const ImportTable &importTable, TranscribeContext &ctx, qint16 kind,
                                 QList<qint16> *yearsWithoutEra)
{
    // Every year from the first day of 明治 on has an era.
    constexpr qint16 kFirstEraYear = 1868;
    QList<RowStop> found;
    RowRecords records;
    for (int r = 1; r <= importTable.rowCount(); ++r) {
        bool stopped = false;
        ResetRowRecords(records);
        ctx.valueNotices.clear();
        for (int c = 1; c < importTable.columnCount(); ++c) {
            QString text = importTable.text(r, c);
            try {
                AssignCell(ctx, records, kind, static_cast<qint16>(c), text);
            } catch (const RowFailure &f) {
                // The row stops at its first such cell, as the run would; a
                // lookup that failed is the run's to meet and report.
                if (f.stopsRun)
                    found << RowStop{r, f.column >= 0 ? f.column : c, f.reason, false};
                stopped = true;
                break;
            }
        }
        const qint16 year = records.entry.bnen;
        if (yearsWithoutEra && !stopped && kind == kOutDeathRegister && year >= kFirstEraYear
            && !yearsWithoutEra->contains(year)) {
            if (!ctx.eraYear(year).found)
                *yearsWithoutEra << year;
        }
    }
    ctx.valueNotices.clear();
    if (yearsWithoutEra)
        std::sort(yearsWithoutEra->begin(), yearsWithoutEra->end());
    return found;
}

CheckReport RowsToCorrectReport(const TranscribeReport &run)
{
    CheckReport report;
    report.made = true;
    report.run = run;
    for (const RowStop &row : run.rowsToCorrect)
        report.findings << CheckFinding{row.row, row.column, CheckKind::Stop,
                                        QStringLiteral("転記はこの行で止まります: %1").arg(row.reason)};
    return report;
}

CheckReport CheckTranscription(const ImportTable &importTable, const RunSettings &state, const MasterData &master, const Clock &clock, ProgressObserver *progress,
                               bool skipDuplicates)
{
    CheckReport out;
    out.failure = uncheckableDatabase(state.files.database);
    if (!out.failure.isEmpty())
        return out;
    const bool large = QFileInfo(state.files.database).size() + qint64(importTable.rowCount()) * growthPerRow(state) > kMemoryCopyLimit;
    QTemporaryDir scratch(scratchTemplate(large));
    if (!scratch.isValid()) {
        out.failure = QStringLiteral("検証用の一時フォルダを作れません: %1").arg(scratch.errorString());
        return out;
    }
    const RunSettings s = scratchSettings(state, scratch);

    // The check answers the run's questions itself (the replace question: it is
    // a check of what happens when the user says yes); what the messages say
    // is in the run's report.
    QuietPrompt quiet(Answer::Yes);
    QStringList settled;
    bool runGoingOn = false;
    out.failure = settleUnlessRunning(state, settled, runGoingOn);
    if (!out.failure.isEmpty())
        return out;
    std::unique_ptr<Database> copy;
    out.failure = prepareCopies(state, s, large, quiet, copy, runGoingOn);
    if (!out.failure.isEmpty())
        return out;

    const QList<CheckFinding> general = findingsBeforeRun(state, s, copy.get(), settled, runGoingOn);
    QList<CheckFinding> rows;
    CheckObserver observer(importTable, s.outputKind, rows);
    CheckProgress checkProgress(progress);
    try {
        out.run = Transcribe(importTable, s, master, quiet, clock, progress ? &checkProgress : nullptr,
                             checkOptions(skipDuplicates, &observer, copy.get()));
    } catch (const DbError &e) {
        // A failure of the observer's own queries on the copy.
        out.failure = QStringLiteral("検証を続けられません: %1").arg(e.description());
        if (progress)
            progress->finished();
        return out;
    }
    out.made = true;

    out.findings = findingsOf(out.run, skipDuplicates, general, rows);
    return out;
}

QString CheckSummaryText(const CheckReport &report)
{
    if (!report.made)
        return QStringLiteral("検証できませんでした。\r\n%1").arg(report.failure);
    QStringList lines;
    lines << QStringLiteral("検証が終わりました（データベースと kako.rnd には何も書き込んでいません）。");
    lines << CheckSummaryLine(report);
    QStringList counts;
    auto add = [&](CheckKind kind, const QString &what) {
        if (const int n = report.count(kind))
            counts << QStringLiteral("%1 %2 件").arg(what).arg(n);
    };
    add(CheckKind::Unreadable, QStringLiteral("読めない値"));
    add(CheckKind::Duplicate, QStringLiteral("重複の可能性"));
    add(CheckKind::Created, QStringLiteral("新しく作る世帯・個人"));
    add(CheckKind::Deceased, QStringLiteral("故人にする個人"));
    add(CheckKind::Renumbered, QStringLiteral("世帯番号の付け替え"));
    add(CheckKind::Updated, QStringLiteral("書き換える個人"));
    add(CheckKind::KakoText, QStringLiteral("kako.rnd に収まらない文字のある項目"));
    if (!counts.isEmpty())
        lines << counts.join(QStringLiteral("、"));
    return lines.join(QStringLiteral("\r\n"));
}

QString CheckSummaryLine(const CheckReport &report)
{
    if (!report.made)
        return QStringLiteral("検証できませんでした: %1").arg(report.failure);
    const TranscribeReport &run = report.run;
    const int stop = report.firstStopRow();
    if (stop == 0)
        return QStringLiteral("書込 0 行、転記は始められません（読込 %1 行）").arg(run.rowsTotal);
    if (!run.rowsToCorrect.isEmpty())
        return QStringLiteral("書込 0 行、直す必要のある値が %1 行にあるため転記は始まりません（最初は %2 行目。止まる行は全部で %3 行、読込 %4 行）")
            .arg(run.rowsToCorrect.size())
            .arg(run.rowsToCorrect.constFirst().row)
            .arg(report.count(CheckKind::Stop))
            .arg(run.rowsRead);
    if (stop > 0) {
        int skippedBefore = 0;
        for (const RowNote &n : run.skipped)
            skippedBefore += n.row < stop ? 1 : 0;
        return QStringLiteral("書込 %1 行、%2 行目で停止（それまでのスキップ %3 行。止まる行は全部で %4 行、読込 %5 行）")
            .arg(report.rowsWrittenBeforeStop())
            .arg(stop)
            .arg(skippedBefore)
            .arg(report.count(CheckKind::Stop))
            .arg(run.rowsRead);
    }
    QString line = QStringLiteral("読込 %1 行、書込 %2 行%4、スキップ %3 行")
                       .arg(run.rowsRead)
                       .arg(run.rowsWritten)
                       .arg(run.skipped.size())
                       .arg(NewAndUpdatedText(run));
    if (!run.rolledBack.isEmpty())
        line += QStringLiteral("、書き込めない行 %1 行").arg(run.rolledBack.size());
    if (const int duplicates = report.count(CheckKind::Duplicate))
        line += QStringLiteral("、重複の可能性 %1 行").arg(duplicates);
    return line + QStringLiteral("、転記を止める行はありません");
}

QList<QStringList> CheckFindingRows(const CheckReport &report, const QStringList &headings)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("行"), QStringLiteral("列"), QStringLiteral("区分"), QStringLiteral("内容")};
    for (const CheckFinding &f : report.findings) {
        QString column;
        if (f.column >= 0) {
            const QString heading = headings.value(f.column).trimmed();
            column = heading.isEmpty() ? QString::number(f.column)
                                       : QStringLiteral("%1 %2").arg(f.column).arg(heading);
        }
        rows << QStringList{f.row > 0 ? QString::number(f.row) : QString(), column, CheckKindName(f.kind), f.text};
    }
    return rows;
}

bool SaveCheckCsv(const CheckReport &report, const QStringList &headings, const QString &path, QString &error, bool utf8)
{
    QList<GridRow> rows;
    for (const QStringList &cells : CheckFindingRows(report, headings))
        rows << GridRow::fromCells(cells);
    const Outcome written = WriteDelimitedText(path, QLatin1Char(','), rows, 4, utf8 ? TextEncoding::Utf8 : TextEncoding::Auto);
    if (!written.ok)
        error = written.message;
    return written.ok;
}

} // namespace tera
