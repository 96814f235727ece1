#pragma once
#include <QHash>
#include <QString>

namespace tera {

class Database;
struct RowRecords;

// Likely duplicates of an append run: a row whose key fields match what the
// database already holds. Appending the same file twice is the usual slip,
// and nothing else in the rules stops it from doubling every entry.
//   death register: 戒名, 俗名 and the date of death (W_KAKO)
//   members:        氏名 and the date of birth (D_KOJIN)
//   households:     世帯主名 and 住所 (D_SETAI)
// Texts are compared with blanks and letter widths folded (NFKC), so a
// household the rules take for new because its head is typed with another
// blank is still caught.
// The keys are read once when the run starts and grow with every row the run
// writes, so a row that repeats an earlier row of the same file is found too,
// without a query per row.
class DuplicateIndex {
public:
    // Reads the keys of kind's table. Throws DbError.
    void load(Database &db, qint16 kind);
    // The existing row that the assigned records repeat, as messages name it
    // ("過去CD 12"), or empty when there is none or the row has no key.
    QString find(const RowRecords &records) const;
    // The row just written, named by what the writer gave it.
    void add(const RowRecords &records);
    int size() const { return int(m_keys.size()); }

private:
    QString keyOf(const RowRecords &records) const;
    QString nameOf(const RowRecords &records) const;
    qint16 m_kind = -1;
    QHash<QString, QString> m_keys; // key -> the first row holding it
};

// What a likely duplicate repeats ("戒名・俗名・没年月日が 過去CD 3 と同じです");
// the run writes the row anyway unless told to leave such rows out.
QString DuplicateText(qint16 kind, const QString &existing);

} // namespace tera
