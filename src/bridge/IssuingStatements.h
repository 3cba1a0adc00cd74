#pragma once

#include "store/SqlStatement.h"

namespace corvina::IssuingStatements {

// The selects run against the invoicing program's database. Values are bound, never spliced, so
// an apostrophe in a name cannot break a lookup.

// The company record; the first row is used.
SqlStatement companyRecord();
// Code of the company's industry class, by its name.
SqlStatement industryCode(const QString& industryName);
// Name of an invoice kind, by its id (a number, bound as one when it reads as an integer).
SqlStatement kindName(const QString& kindId);
// The enabled invoice book(s); the first row is used.
SqlStatement enabledBook();

} // namespace corvina::IssuingStatements
