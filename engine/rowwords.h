#pragma once

#include "worker/readfailure.h"

#include <QString>

// The words a row's failure is told in: English as the console and the
// exports print it, and the same text as the source the window translates
// (context "RowWords"), so both come from one table.
namespace RowWords {

// Empty for a body that was read.
QString english(ReadFailure failure);
QString translated(ReadFailure failure);

} // namespace RowWords
