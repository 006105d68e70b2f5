#pragma once

#include "engine/finding.h"
#include "worker/readfailure.h"

#include <QString>
#include <QVector>

#include <optional>

// The words a row's failure and findings are told in: English as the console
// and the exports print them, and the same text as the source the window
// translates (context "RowWords"), so both come from one table.
namespace RowWords {

// Empty for a body that was read.
QString english(ReadFailure failure);
QString translated(ReadFailure failure);
// The failure these English words tell, where they tell one.
std::optional<ReadFailure> failureNamed(const QString &words);

// "ok" where there are none; several are joined by "; ".
QString english(const QVector<Finding> &findings);
QString translated(const QVector<Finding> &findings);

// "2 missing, 1 moved, 1 unknown": the findings of every row counted by
// kind, in the kinds' order; empty when there are none.
QString summary(const QVector<QVector<Finding>> &findingsOfRows);

} // namespace RowWords
