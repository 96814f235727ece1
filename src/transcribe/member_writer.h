#pragma once
#include <QDate>
#include <QString>
#include <QVariant>

namespace tera {

class Database;
struct TranscribeContext;
struct RowRecords;

// The members of D_KOJIN. Member numbers (KOJIN_NO) and household numbers
// (SETAI_NO) are texts; household numbers have six digits.
//
// WriteKojin, UpdateMemberLink, DeleteKojinByName and LivingMemberOf end the
// program on a database failure (ctx.endForMemberFailure: the critical
// message, then ProgramEndingFailure; the driver rolls the current row back
// and reports that the program is to end).

// The highest D_KOJIN.ID, 0 on an empty table; a new member's KOJIN_NO is
// this + 1. A failure is reported (ReportWriterFailure) and gives 0.
qint32 NextKojinId(TranscribeContext &ctx);

// Inserts the member of records.member, or updates the row that has its KOJIN_NO
// (trimmed) in place; ID and KOJIN_NO of an existing row stay. An empty
// ZOK_NM with a ZOK_CD of value 0 becomes "本人", in records.member too. Throws DbError
// (before writing anything) when the registration date cannot be read.
bool WriteKojin(TranscribeContext &ctx, RowRecords &records);

// The registration date T_YMD as WriteKojin writes it: empty text is
// 1999/01/01; eight digits are yyyymmdd, six are yymmdd (a two-digit year up
// to today's is this century's, above it the last one's), full-width digits
// counted as digits; any other length is written as it stands. Six or eight
// characters that are no date throw RowFailure::cell.
QVariant RegistrationDate(const Database &db, const QString &text, const QDate &today);

// Why a registration date that RegistrationDate writes as it stands is no
// date, as a message naming the text; empty when it is one. A date is
// yyyy/m/d with "/", "-" or "." (or yyyy年m月d日), in ASCII or full-width
// digits, on the calendar. Empty texts and texts of six or eight characters
// give no message: RegistrationDate reads those itself and refuses what is
// no date.
QString RegistrationDateProblem(const QString &text);

// Writes ZOK_CD and ZOK_NM (each when not empty) and LIF (when SETAI_NO is
// not empty) of records.member into the member row with records.member's KOJIN_NO. False when
// there is no such row.
bool UpdateMemberLink(TranscribeContext &ctx, RowRecords &records);

// Looks up the member named name (trimmed) and loads the first match into
// records.member; found tells whether there was one. mode 0 is the deceased, mode 1
// the donor: a donor fills the telephone, postal code and address lines of
// records.entry that are still empty. Not found empties the three visit fields
// 訪問先電話, 訪問先〒 and 訪問先住所. A failed lookup is no "not found": it
// stops the row (ctx.lookupFailed throws RowFailure naming the lookup).
bool FindMemberByName(TranscribeContext &ctx, RowRecords &records, const QString &name, qint16 mode, bool &found);
bool FindMemberByName(TranscribeContext &ctx, RowRecords &records, const QString &name, qint16 mode);

// Only the three visit fields of records.member, exactly as FindMemberByName loads
// them for the member named name (emptied when there is none). A failure
// stops the row, as in FindMemberByName.
void LoadVisitFields(TranscribeContext &ctx, RowRecords &records, const QString &name);

// Deletes every member named name (trimmed).
bool DeleteKojinByName(TranscribeContext &ctx, const QString &name);

// The six-digit household number of the first member whose MEI (mode 0) or
// KOJIN_NO (any other mode) is key; empty when there is none. A failure
// stops the row, as in FindMemberByName.
QString GetSetaiNoOf(TranscribeContext &ctx, const QString &key, qint16 mode = 0);

// The KOJIN_NO of the first living member (LIF "0") of household n, or
// records.member's KOJIN_NO when it has none.
QString LivingMemberOf(TranscribeContext &ctx, RowRecords &records, const QString &n);

// What a row procedure did with its row: written, or skipped and why.
struct RowWriteResult {
    bool written = true;
    QString skipReason;
    static RowWriteResult skipped(const QString &reason) { return {false, reason}; }
};

// The row of a member import, after its cells are assigned: skipped without
// a name; otherwise the member's household (by 世帯主名, which defaults to
// the name) is found or made, and the member is written: a found household's
// first living member is updated, otherwise a member is added with the next
// number unless a KOJIN_NO was given.
RowWriteResult WriteMemberImportRow(TranscribeContext &ctx, RowRecords &records);

// The row of a household import: skipped without a head name or when a
// household with that head exists. Otherwise a household is added with the
// next number (the pre-delete number preDeleteNo for the first household of
// a replace run), and the head is written as its member: a member of that
// name in another household has that household's references moved to the
// new number and is written anew.
RowWriteResult WriteHouseholdImportRow(TranscribeContext &ctx, RowRecords &records, const QString &preDeleteNo);

} // namespace tera
