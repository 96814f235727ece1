#include "transcribe/records.h"

#include "platform/db_error.h"
#include "platform/prompt.h"

namespace tera {

void ResetRowRecords(RowRecords &records)
{
    KakoRec &k = records.entry;
    const qint16 keep = k.過去CD;
    k = KakoRec();
    k.過去CD = keep;
    for (int i = 0; i <= 17; ++i)
        k.omairiFlag[i] = 1;
    for (int i = 0; i <= 30; ++i)
        k.kaikiFlag[i] = 1;

    MemberRec &r = records.member;
    r = MemberRec();
    r.ZOK_CD = QStringLiteral("00");
    r.LIF = QStringLiteral("0");
    r.Kankei = QStringLiteral("0");

    records.statedEra = StatedEra();
    records.anniversaryDates.fill(QString());
}

QString BlankForEmpty(const QString &text)
{
    const QString t = text.trimmed();
    return t.isEmpty() ? QStringLiteral(" ") : t;
}

QString CutToWidth(const QString &text, int width)
{
    if (text.size() <= width)
        return text;
    qsizetype n = qMax(width, 0);
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QString WriterFailureText(qint32 number, const QString &description)
{
    return QStringLiteral("ErrCode = ") + QString::number(number) + QStringLiteral("\r\n") + description;
}

void ReportWriterFailure(Prompt &prompt, qint32 number, const QString &description)
{
    prompt.beep();
    prompt.ask(WriterFailureText(number, description), Buttons::Ok, Icon::Exclamation);
}

void ReportWriterFailure(Prompt &prompt, const DbError &error)
{
    ReportWriterFailure(prompt, error.number(), error.description());
}

} // namespace tera
