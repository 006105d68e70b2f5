#include "engine/rowwords.h"

#include <QCoreApplication>

#include <utility>

namespace {

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

const char *sourceOf(ReadFailure failure)
{
    for (const auto &[kind, text] : kFailures) {
        if (kind == failure)
            return text;
    }
    return "";
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
    return *source ? QCoreApplication::translate("RowWords", source) : QString();
}

} // namespace RowWords
