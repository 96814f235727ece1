#pragma once
#include "convert/number_format.h"

#include <QString>

#include <array>
#include <vector>

namespace tera {

struct TranscribeContext;
struct RowRecords;

// The number for a new household: the largest D_SETAI.SNO + 1, or 1 on an
// empty table. A failure is reported (ReportWriterFailure) and gives 0.
qint32 NextSetaiNo(TranscribeContext &ctx);

// Writes the household of records.member into D_SETAI: edits the first row with its
// six-digit SETAI_NO, or adds one. Empty fields of records.member leave their columns
// alone; SETAI_NO and 寺番号 are always written. False after a reported
// failure.
bool WriteSetai(TranscribeContext &ctx, RowRecords &records);

// Looks up the household whose 世帯主名 equals head (trimmed). When there is
// one, its number, contact and visit data, 地区 and 検索 are loaded into records.member
// (from the first row), and KOJIN_NO becomes its first living member.
// A lookup that fails stops the row (RowFailure naming the lookup).
bool FindSetaiByHead(TranscribeContext &ctx, RowRecords &records, const QString &head);

// Rewrites the M_お参り rows of household h: earlier rows are deleted, then
// one row per service 1 to 17 whose flag in records.entry is 1 (other flags are
// set to 0). False after a reported failure.
// When the run collects the selections (ctx.serviceSelections), the rows are
// written once per household just before the commit instead.
bool WriteOmairiSelection(TranscribeContext &ctx, RowRecords &records, qint16 h);

// The M_お参り rewrites that the rows since the last commit asked for. Every
// death row rewrites its household's rows with the same services, so only
// the last request of each household matters: they are written once per
// household and commit, in the order of each household's last row, which
// leaves the table as a rewrite per row would. A row taken back takes back
// its request, so a household whose rows all failed keeps its old rows.
class ServiceSelections {
public:
    using Flags = std::array<qint16, 18>;
    void request(qint16 household, const Flags &flags);
    // The current row was kept: its request stays.
    void keepRow() { m_rowUndo.clear(); }
    // The current row was taken back: so is its request.
    void dropRow();
    bool isEmpty() const { return m_entries.empty(); }
    void clear();
    // Writes every pending household's rows; the requests stay until clear().
    // Throws DbError.
    void write(TranscribeContext &ctx) const;

private:
    struct Entry {
        qint16 household = 0;
        Flags flags{};
    };
    struct Undo {
        int index = -1; // where the household's earlier request stood, -1 none
        Entry entry;
    };
    std::vector<Entry> m_entries; // in the order of each household's last request
    std::vector<Undo> m_rowUndo;  // the current row's requests, to take back in reverse
};

} // namespace tera
