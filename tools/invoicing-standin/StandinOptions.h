#pragma once

#include "RequestIntake.h"
#include "StandinWindows.h"

#include <QString>
#include <QStringList>

namespace corvina::standin {

// How a fresh stand-in folder is set up; the defaults give one company and one enabled book.
struct InitOptions {
    bool company = true;            // a KPZH row
    bool enabledBook = true;        // a FPB_TZ row with ZTID = 3
    bool secondEnabledBook = false; // another enabled book after the first
    bool controlFile = true;        // Config/invoice.xml
    QString taxNumber = QStringLiteral("310115720345678");
    QString companyName = QStringLiteral("上海澄江进出口贸易有限公司");
    QString industryName = QStringLiteral("商业");
    QString companyKind = QStringLiteral("1");
    QString bookKind = QStringLiteral("1");
    QString code = QStringLiteral("3100071140");
    QString nextNumber = QStringLiteral("00000001"); // DQKYH as stored; "" marks a used-up book
    QString lastNumber = QStringLiteral("00001000");
    QString printLeft = QStringLiteral("10");
    QString printTop = QStringLiteral("20");
};

enum class Command { None, Init, Intake, Advance, Windows };

// Everything the command line can ask for. New modes (the windows) add their fields here.
struct StandinOptions {
    Command command = Command::None;
    QString folder; // the invoicing program's folder (Data/, Config/)
    InitOptions init;
    IntakeOptions intake; // for the one-shot intake and the windows' "保存"
    WindowOptions windows;
};

// Parses the arguments (without the program name check); false with `error` set on bad input.
bool parseStandinOptions(const QStringList& arguments, StandinOptions& options, QString& error);
QString standinUsage();

} // namespace corvina::standin
