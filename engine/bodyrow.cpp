#include "engine/bodyrow.h"

#include <algorithm>

namespace {

bool isDigitAt(const QString &text, int i)
{
    return i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
}

// <0, 0 or >0 as a is before, level with or after b; runs of digits count
// by their value, leading zeros aside.
int naturalCompare(const QString &a, const QString &b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigitAt(a, i) && isDigitAt(b, j)) {
            int startA = i;
            int startB = j;
            while (a[startA] == QLatin1Char('0') && isDigitAt(a, startA + 1))
                ++startA;
            while (b[startB] == QLatin1Char('0') && isDigitAt(b, startB + 1))
                ++startB;
            i = startA;
            j = startB;
            while (isDigitAt(a, i))
                ++i;
            while (isDigitAt(b, j))
                ++j;
            const int lengthA = i - startA;
            const int lengthB = j - startB;
            if (lengthA != lengthB)
                return lengthA - lengthB;
            const int digits
                = QStringRef(&a, startA, lengthA).compare(QStringRef(&b, startB, lengthB));
            if (digits != 0)
                return digits;
            continue;
        }
        if (a[i] != b[j])
            return a[i].unicode() - b[j].unicode();
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return (a.size() - i) - (b.size() - j);
    return a.compare(b); // equal but for leading zeros
}

} // namespace

QString placeOf(const BodyRow &row)
{
    return row.location.isEmpty() ? row.port : row.location;
}

bool locationLess(const BodyRow &a, const BodyRow &b)
{
    if (const int host = naturalCompare(a.host, b.host))
        return host < 0;
    const int location = naturalCompare(a.location, b.location);
    return location != 0 ? location < 0 : naturalCompare(a.port, b.port) < 0;
}

void sortByLocation(QVector<BodyRow> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), locationLess);
}
