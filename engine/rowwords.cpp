#include "engine/rowwords.h"

#include <QCoreApplication>
#include <QStringList>

#include <iterator>
#include <map>

namespace {

constexpr const char *kContext = "RowWords";

// In the order of the kinds.
constexpr const char *kFailures[] = {
    "",
    QT_TRANSLATE_NOOP("RowWords", "gone before it could be read"),
    QT_TRANSLATE_NOOP("RowWords", "session refused"),
    QT_TRANSLATE_NOOP("RowWords", "gave no ID"),
    QT_TRANSLATE_NOOP("RowWords", "timed out"),
    QT_TRANSLATE_NOOP("RowWords", "camera library failed"),
    QT_TRANSLATE_NOOP("RowWords", "reader failed"),
    QT_TRANSLATE_NOOP("RowWords", "clock could not be set"),
    QT_TRANSLATE_NOOP("RowWords", "clock still off after it was set"),
};
static_assert(std::size(kFailures) == std::size_t(ReadFailure::ClockOff) + 1);

// %1 is the finding's detail; a summary counts it by what comes before it.
constexpr const char *kFindings[] = {
    QT_TRANSLATE_NOOP("RowWords", "missing"),
    QT_TRANSLATE_NOOP("RowWords", "moved (roster: %1)"),
    QT_TRANSLATE_NOOP("RowWords", "unknown"),
    QT_TRANSLATE_NOOP("RowWords", "host lost since %1"),
    QT_TRANSLATE_NOOP("RowWords", "host offline since %1"),
    QT_TRANSLATE_NOOP("RowWords", "failed"),
    QT_TRANSLATE_NOOP("RowWords", "battery low (%1)"),
    QT_TRANSLATE_NOOP("RowWords", "battery unknown"),
    QT_TRANSLATE_NOOP("RowWords", "card nearly full (%1 shots)"),
    QT_TRANSLATE_NOOP("RowWords", "shots unknown"),
    "reading",
    "unplugged",
};
static_assert(std::size(kFindings) == std::size_t(Finding::Kind::Unplugged) + 1);

const char *const kNothingWrong = QT_TRANSLATE_NOOP("RowWords", "ok");

template <typename Word> QString joined(const QVector<Finding> &findings, Word word)
{
    if (findings.isEmpty())
        return word(kNothingWrong);
    QStringList parts;
    for (const Finding &finding : findings) {
        const QString text = word(kFindings[int(finding.kind)]);
        parts << (text.contains(QLatin1String("%1")) ? text.arg(finding.detail) : text);
    }
    return parts.join(QStringLiteral("; "));
}

QString english(const char *text)
{
    return QString::fromLatin1(text);
}

QString translated(const char *text)
{
    return *text ? QCoreApplication::translate(kContext, text) : QString();
}

} // namespace

namespace RowWords {

QString english(ReadFailure failure)
{
    return ::english(kFailures[int(failure)]);
}

QString translated(ReadFailure failure)
{
    return ::translated(kFailures[int(failure)]);
}

std::optional<ReadFailure> failureNamed(const QString &words)
{
    for (std::size_t i = 0; i < std::size(kFailures); ++i) {
        if (words == QLatin1String(kFailures[i]))
            return ReadFailure(i);
    }
    return std::nullopt;
}

QString english(const QVector<Finding> &findings)
{
    return joined(findings, ::english);
}

QString translated(const QVector<Finding> &findings)
{
    return joined(findings, ::translated);
}

QString summary(const QVector<QVector<Finding>> &findingsOfRows)
{
    std::map<Finding::Kind, int> counts;
    for (const QVector<Finding> &findings : findingsOfRows) {
        for (const Finding &finding : findings)
            ++counts[finding.kind];
    }
    QStringList parts;
    for (const auto &[kind, count] : counts) {
        const QString name = ::english(kFindings[int(kind)])
                                 .section(QStringLiteral("%1"), 0, 0)
                                 .section(QStringLiteral(" ("), 0, 0)
                                 .section(QStringLiteral(" since"), 0, 0);
        parts << QStringLiteral("%1 %2").arg(count).arg(name);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace RowWords
