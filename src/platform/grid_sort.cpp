#include "grid_sort.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace tera {

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

int digitOf(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'\uFF10' && c <= u'\uFF19')
        return c - u'\uFF10';
    return -1;
}

// Reads the number at the start of text (after blanks). Returns how many
// characters it took, or 0 when no digit was found.
qsizetype scanNumber(QStringView text, double &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i].unicode()))
        ++i;
    std::string ascii;
    if (i < n) {
        const char16_t c = text[i].unicode();
        if (c == u'-' || c == u'\uFF0D' || c == u'\u2212') {
            ascii.push_back('-');
            ++i;
        } else if (c == u'+' || c == u'\uFF0B') {
            ++i;
        }
    }
    bool digits = false;
    bool point = false;
    qsizetype end = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const int d = digitOf(c);
        if (d >= 0) {
            ascii.push_back(char('0' + d));
            digits = true;
            end = i + 1;
        } else if ((c == u'.' || c == u'\uFF0E') && !point) {
            ascii.push_back('.');
            point = true;
            if (digits)
                end = i + 1; // "12." is a number too
        } else if ((c == u',' || c == u'\uFF0C') && digits && !point && i + 1 < n && digitOf(text[i + 1].unicode()) >= 0) {
            continue; // a thousands separator
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ec == std::errc::result_out_of_range)
        v = ascii.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    Q_UNUSED(ptr);
    value = v;
    return end;
}

template <typename T> int order(const T &a, const T &b) { return a < b ? -1 : (b < a ? 1 : 0); }

struct KeyColumn {
    int mode = 0;
    bool descending = false;
    std::vector<double> numbers;
    std::vector<char> isNumber;
    std::vector<QStringView> views;
    std::vector<QString> folded;
    std::vector<QCollatorSortKey> collated;

    int compare(int a, int b) const
    {
        switch (mode) {
        case SortGenericAscending:
        case SortGenericDescending:
            // Numbers come before texts; numbers by value, texts by code.
            if (isNumber[a] && isNumber[b])
                return order(numbers[a], numbers[b]);
            if (isNumber[a] != isNumber[b])
                return isNumber[a] ? -1 : 1;
            return views[a].compare(views[b], Qt::CaseSensitive);
        case SortNumericAscending:
        case SortNumericDescending:
            return order(numbers[a], numbers[b]);
        case SortNoCaseAscending:
        case SortNoCaseDescending:
            return QStringView(folded[a]).compare(QStringView(folded[b]), Qt::CaseSensitive);
        case SortCaseAscending:
        case SortCaseDescending:
            return views[a].compare(views[b], Qt::CaseSensitive);
        case SortCustom:
            return collated[a].compare(collated[b]);
        }
        return 0;
    }
};

} // namespace

bool ParseNumber(QStringView text, double &value)
{
    double v = 0;
    qsizetype end = scanNumber(text, v);
    if (end == 0)
        return false;
    while (end < text.size() && isBlank(text[end].unicode()))
        ++end;
    if (end != text.size())
        return false;
    value = v;
    return true;
}

double LeadingNumber(QStringView text)
{
    double v = 0;
    return scanNumber(text, v) > 0 ? v : 0.0;
}

namespace {

// One key's values for rows first .. first + count - 1, read once in the
// form its mode compares.
KeyColumn keyColumnOf(const QList<GridRow> &source, int first, int count, const SortKey &key)
{
    KeyColumn k;
    k.mode = key.mode;
    k.descending = key.mode != SortCustom && key.mode % 2 == 0;
    switch (key.mode) {
    case SortGenericAscending:
    case SortGenericDescending:
        k.numbers.resize(count);
        k.isNumber.resize(count);
        k.views.resize(count);
        for (int i = 0; i < count; ++i) {
            k.views[i] = source[first + i].cellView(key.col);
            k.isNumber[i] = ParseNumber(k.views[i], k.numbers[i]);
        }
        break;
    case SortNumericAscending:
    case SortNumericDescending:
        k.numbers.resize(count);
        for (int i = 0; i < count; ++i)
            k.numbers[i] = LeadingNumber(source[first + i].cellView(key.col));
        break;
    case SortNoCaseAscending:
    case SortNoCaseDescending:
        k.folded.resize(count);
        for (int i = 0; i < count; ++i)
            k.folded[i] = source[first + i].cellView(key.col).toString().toCaseFolded();
        break;
    case SortCaseAscending:
    case SortCaseDescending:
        k.views.resize(count);
        for (int i = 0; i < count; ++i)
            k.views[i] = source[first + i].cellView(key.col);
        break;
    case SortCustom: {
        QCollator collator(QLocale(QLocale::Japanese, QLocale::Japan));
        collator.setNumericMode(true);
        k.collated.reserve(count);
        for (int i = 0; i < count; ++i)
            k.collated.push_back(collator.sortKey(source[first + i].cell(key.col)));
        break;
    }
    }
    return k;
}

} // namespace

void SortRows(QList<GridRow> &rows, int first, int last, const QList<SortKey> &keys)
{
    first = std::max(first, 0);
    last = std::min(last, int(rows.size()) - 1);
    const int count = last - first + 1;
    if (count < 2)
        return;
    const QList<GridRow> &source = rows;

    std::vector<int> perm(count);
    std::iota(perm.begin(), perm.end(), 0);
    {
        std::vector<KeyColumn> columns;
        for (const SortKey &key : keys)
            if (key.mode >= SortGenericAscending && key.mode <= SortCustom)
                columns.push_back(keyColumnOf(source, first, count, key));
        if (columns.empty())
            return;
        std::stable_sort(perm.begin(), perm.end(), [&columns](int a, int b) {
            for (const KeyColumn &k : columns) {
                const int c = k.compare(a, b);
                if (c != 0)
                    return k.descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    QList<GridRow> sorted;
    sorted.reserve(count);
    for (int i = 0; i < count; ++i)
        sorted.append(source[first + perm[i]]);
    for (int i = 0; i < count; ++i)
        rows[first + i] = std::move(sorted[i]);
}

} // namespace tera
