#include "transcribe/duplicates.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "transcribe/records.h"

namespace tera {

namespace {

// A unit separator cannot occur in a name or an address read from a CSV cell.
const QChar kSep(0x1F);

QString join(std::initializer_list<QString> parts)
{
    QString key;
    for (const QString &p : parts)
        key += p + kSep;
    return key;
}

QString number(qint64 n) { return QString::number(n); }

// Names typed in two systems differ in blanks and letter widths (髙橋　一郎,
// 髙橋 一郎) more than in anything else: those differences do not count.
QString folded(const QString &text) { return text.normalized(QString::NormalizationForm_KC).simplified(); }

// The head a household row is filed under: the writers take the member's
// name when the row names no head.
QString headOf(const MemberRec &r) { return folded(r.世帯主名.isEmpty() ? r.MEI : r.世帯主名); }

} // namespace

void DuplicateIndex::load(Database &db, qint16 kind)
{
    m_kind = kind;
    m_keys.clear();
    QString sql;
    if (kind == kOutDeathRegister)
        sql = QStringLiteral("SELECT [過去CD], [戒名], [俗名], [bnen], [btuki], [bHi] FROM [W_KAKO]");
    else if (kind == kOutMembers)
        sql = QStringLiteral("SELECT [KOJIN_NO], [MEI], [sei], [tuki], [Hi] FROM [D_KOJIN]");
    else if (kind == kOutHouseholds)
        sql = QStringLiteral("SELECT [SETAI_NO], [世帯主名], [住所1] FROM [D_SETAI]");
    else
        return;
    Query q = db.exec(sql);
    FinishOnExit done(q);
    while (q.next()) {
        QString key, name;
        if (kind == kOutDeathRegister) {
            // Empty texts are stored as a single blank.
            key = join({folded(q.text(QStringLiteral("戒名"))), folded(q.text(QStringLiteral("俗名"))),
                        number(q.integer(QStringLiteral("bnen"))), number(q.integer(QStringLiteral("btuki"))),
                        number(q.integer(QStringLiteral("bHi")))});
            name = QStringLiteral("過去CD %1").arg(q.integer(QStringLiteral("過去CD")));
        } else if (kind == kOutMembers) {
            key = join({folded(q.text(QStringLiteral("MEI"))), number(q.integer(QStringLiteral("sei"))),
                        number(q.integer(QStringLiteral("tuki"))), number(q.integer(QStringLiteral("Hi")))});
            name = QStringLiteral("個人番号 %1").arg(q.text(QStringLiteral("KOJIN_NO")).trimmed());
        } else {
            key = join({folded(q.text(QStringLiteral("世帯主名"))), folded(q.text(QStringLiteral("住所1")))});
            name = QStringLiteral("世帯番号 %1").arg(q.text(QStringLiteral("SETAI_NO")).trimmed());
        }
        if (!m_keys.contains(key))
            m_keys.insert(key, name);
    }
}

QString DuplicateIndex::keyOf(const RowRecords &records) const
{
    const MemberRec &r = records.member;
    const KakoRec &k = records.entry;
    // A row without its name is skipped by the rules; it repeats nothing.
    if (m_kind == kOutDeathRegister) {
        if (folded(k.戒名).isEmpty())
            return QString();
        return join({folded(k.戒名), folded(k.俗名), number(k.bnen), number(k.btuki), number(k.bHi)});
    }
    if (m_kind == kOutMembers) {
        if (folded(r.MEI).isEmpty())
            return QString();
        return join({folded(r.MEI), number(r.sei), number(r.tuki), number(r.Hi)});
    }
    if (m_kind == kOutHouseholds) {
        if (headOf(r).isEmpty())
            return QString();
        return join({headOf(r), folded(r.JYU)});
    }
    return QString();
}

QString DuplicateIndex::nameOf(const RowRecords &records) const
{
    if (m_kind == kOutDeathRegister)
        return QStringLiteral("過去CD %1").arg(records.entry.過去CD);
    if (m_kind == kOutMembers)
        return QStringLiteral("個人番号 %1").arg(records.member.KOJIN_NO.trimmed());
    return QStringLiteral("世帯番号 %1").arg(records.member.SETAI_NO.trimmed());
}

QString DuplicateIndex::find(const RowRecords &records) const
{
    const QString key = keyOf(records);
    return key.isEmpty() ? QString() : m_keys.value(key);
}

void DuplicateIndex::add(const RowRecords &records)
{
    const QString key = keyOf(records);
    if (!key.isEmpty() && !m_keys.contains(key))
        m_keys.insert(key, nameOf(records));
}

QString DuplicateText(qint16 kind, const QString &existing)
{
    if (kind == kOutDeathRegister)
        return QStringLiteral("戒名・俗名・没年月日が %1 と同じです").arg(existing);
    if (kind == kOutMembers)
        return QStringLiteral("氏名・生年月日が %1 と同じです").arg(existing);
    return QStringLiteral("世帯主名・住所が %1 と同じです").arg(existing);
}

} // namespace tera
