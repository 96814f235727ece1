#include "convert/number_format.h"

#include <QRegularExpression>

namespace tera {

namespace {

QString padded(const QString &digits, bool negative, int width)
{
    QString out = digits;
    if (out.size() < width)
        out = QString(width - out.size(), QLatin1Char('0')) + out;
    return negative ? QLatin1Char('-') + out : out;
}

} // namespace

QString AsciiDigits(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= QChar(0xFF10) && c <= QChar(0xFF19))
            c = QChar(u'0' + (c.unicode() - 0xFF10));
        else if (c == QChar(0xFF0D))
            c = QLatin1Char('-');
        else if (c == QChar(0xFF0B))
            c = QLatin1Char('+');
        else if (c == QChar(0xFF0E))
            c = QLatin1Char('.');
    }
    return out;
}

QString FormatDigits(const QString &text, int width)
{
    static const QRegularExpression number(QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?$"));
    const QString t = AsciiDigits(text.trimmed());
    const QRegularExpressionMatch m = number.match(t);
    if (t.isEmpty() || !m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return text;
    QString whole = m.captured(2);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    const QString fraction = m.captured(3);
    if (!fraction.isEmpty() && fraction.at(0) >= QLatin1Char('5')) {
        // Half away from zero, as the number formats of the product round;
        // carried digit by digit so that no length overflows.
        int i = whole.size() - 1;
        while (i >= 0 && whole.at(i) == QLatin1Char('9'))
            whole[i--] = QLatin1Char('0');
        if (i < 0)
            whole.prepend(QLatin1Char('1'));
        else
            whole[i] = QChar(whole.at(i).unicode() + 1);
    }
    const bool negative = m.captured(1) == QLatin1String("-") && whole != QLatin1String("0");
    return padded(whole, negative, width);
}

QString FormatDigits(qint64 number, int width)
{
    const bool negative = number < 0;
    // The magnitude as unsigned text, so that the smallest qint64 has one too.
    const quint64 magnitude = negative ? quint64(0) - quint64(number) : quint64(number);
    return padded(QString::number(magnitude), negative, width);
}

} // namespace tera
