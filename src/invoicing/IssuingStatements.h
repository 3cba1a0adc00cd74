#pragma once

#include "invoicing/IssuingRead.h"

namespace corvina::IssuingStatements {

// The reads of the invoicing program's database. Values travel beside the read, never spliced
// into statement text, so an apostrophe in a name cannot break a lookup.

// The company record; the first row is used.
IssuingRead companyRecord();
// Code of the company's industry class, by its name.
IssuingRead industryCode(const QString& industryName);
// Name of an invoice kind, by its id (a number, compared as one when it reads as an integer).
IssuingRead kindName(const QString& kindId);
// The enabled invoice book(s); the first row is used.
IssuingRead enabledBook();

} // namespace corvina::IssuingStatements
