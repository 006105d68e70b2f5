#include "engine/rowwords.h"

#include <QCoreApplication>
#include <QStringList>

#include <map>
#include <utility>

namespace {

constexpr const char *kContext = "RowWords";

constexpr std::pair<ReadFailure, const char *> kFailures[] = {
    { ReadFailure::None, "" },
    { ReadFailure::Gone, QT_TRANSLATE_NOOP("RowWords", "gone before it could be read") },
    { ReadFailure::Refused, QT_TRANSLATE_NOOP("RowWords", "session refused") },
    { ReadFailure::NoId, QT_TRANSLATE_NOOP("RowWords", "gave no ID") },
    { ReadFailure::TimedOut, QT_TRANSLATE_NOOP("RowWords", "timed out") },
    { ReadFailure::SdkFailed, QT_TRANSLATE_NOOP("RowWords", "camera library failed") },
    { ReadFailure::WorkerFailed, QT_TRANSLATE_NOOP("RowWords", "reader failed") },
    { ReadFailure::ClockNotSet, QT_TRANSLATE_NOOP("RowWords", "clock could not be set") },
    { ReadFailure::ClockOff, QT_TRANSLATE_NOOP("RowWords", "clock still off after it was set") },
};

struct FindingWords {
    Finding::Kind kind;
    const char *name; // as a summary counts it
    const char *text; // as a row shows it; %1 is the detail
};

constexpr FindingWords kFindings[] = {
    { Finding::Kind::Missing, "missing", QT_TRANSLATE_NOOP("RowWords", "missing") },
    { Finding::Kind::Moved, "moved", QT_TRANSLATE_NOOP("RowWords", "moved (roster: %1)") },
    { Finding::Kind::Unknown, "unknown", QT_TRANSLATE_NOOP("RowWords", "unknown") },
    { Finding::Kind::Failed, "failed", QT_TRANSLATE_NOOP("RowWords", "failed") },
    { Finding::Kind::BatteryLow, "battery low", QT_TRANSLATE_NOOP("RowWords", "battery low (%1)") },
    { Finding::Kind::BatteryUnknown, "battery unknown",
      QT_TRANSLATE_NOOP("RowWords", "battery unknown") },
    { Finding::Kind::CardNearlyFull, "card nearly full",
      QT_TRANSLATE_NOOP("RowWords", "card nearly full (%1 shots)") },
    { Finding::Kind::ShotsUnknown, "shots unknown",
      QT_TRANSLATE_NOOP("RowWords", "shots unknown") },
    { Finding::Kind::Reading, "reading", "reading" },
    { Finding::Kind::Unplugged, "unplugged", "unplugged" },
};

const char *const kNothingWrong = QT_TRANSLATE_NOOP("RowWords", "ok");

const char *sourceOf(ReadFailure failure)
{
    for (const auto &[kind, text] : kFailures) {
        if (kind == failure)
            return text;
    }
    return "";
}

const FindingWords &wordsOf(Finding::Kind kind)
{
    for (const FindingWords &words : kFindings) {
        if (words.kind == kind)
            return words;
    }
    return kFindings[0];
}

template <typename Word> QString joined(const QVector<Finding> &findings, Word word)
{
    if (findings.isEmpty())
        return word(kNothingWrong);
    QStringList parts;
    for (const Finding &finding : findings) {
        const QString text = word(wordsOf(finding.kind).text);
        parts << (text.contains(QLatin1String("%1")) ? text.arg(finding.detail) : text);
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

namespace RowWords {

QString english(ReadFailure failure)
{
    return QString::fromLatin1(sourceOf(failure));
}

QString translated(ReadFailure failure)
{
    const char *source = sourceOf(failure);
    return *source ? QCoreApplication::translate(kContext, source) : QString();
}

QString english(const QVector<Finding> &findings)
{
    return joined(findings, [](const char *text) { return QString::fromLatin1(text); });
}

QString translated(const QVector<Finding> &findings)
{
    return joined(findings,
                  [](const char *text) { return QCoreApplication::translate(kContext, text); });
}

QString summary(const QVector<QVector<Finding>> &findingsOfRows)
{
    std::map<Finding::Kind, int> counts;
    for (const QVector<Finding> &findings : findingsOfRows) {
        for (const Finding &finding : findings)
            ++counts[finding.kind];
    }
    QStringList parts;
    for (const auto &[kind, count] : counts)
        parts << QStringLiteral("%1 %2").arg(count).arg(QLatin1String(wordsOf(kind).name));
    return parts.join(QStringLiteral(", "));
}

} // namespace RowWords
