#pragma once

#include "StandinOptions.h"

#include <QString>

namespace corvina::standin {

// Creates (or recreates) the stand-in's folder: Data/DB_KP.mdb with the company record, the two
// code tables, the invoice books and the tables of issued invoices, and Config/invoice.xml with
// the print offsets. False with `error` set when something cannot be written.
bool initStandinFolder(const QString& folder, const InitOptions& options, QString& error);

} // namespace corvina::standin
