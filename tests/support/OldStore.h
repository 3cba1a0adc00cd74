#pragma once

#include "support/JetWriter.h"

#include <QStringList>

// Access files shaped as the store of the program Corvina replaces: its two document tables, as
// the tests of moving such a store need them.
namespace corvina::test {

// How the old store's columns were typed: the program never created its tables, so files differ.
enum class Typing { AllText, Typed };

// XS20240001, XS20240002, ...
QString documentId(int n);

// `documents` headers (every third issued, from the first, with code 3100071140 and number
// 2000000N; document 1's customer in Chinese; document 2 with a long remark; nulls and empty texts
// among the others; FNoTaxSum 100N.46 as text or 100N.4567 as Currency) with `linesEach` lines
// (2.5 x 12.3456 = 30.864); `extra` columns the store has no place for; the old database password.
// `ids` replace the first document numbers.
JetFile oldStore(Typing typing, int documents, int linesEach, const QStringList& extra = {},
                 const QStringList& ids = {});

} // namespace corvina::test
