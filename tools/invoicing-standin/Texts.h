#pragma once

#include <QString>
#include <QStringList>

// Texts of the stand-in invoicing program: its windows, its log and its refusals.
namespace corvina::StandinTexts {

// The windows, titled and captioned as the real program's are, so that the tool finds them.
inline const QString MainTitle = QStringLiteral("eTax@SH 电脑开票");
inline const QString DialogTitle = QStringLiteral("正常开票 - eTax@SH 电脑开票");
inline const QString Save = QStringLiteral("保存");
inline const QString Print = QStringLiteral("打印");
inline const QString PrintPreview = QStringLiteral("打印预览");
inline const QString PrintSettings = QStringLiteral("打印设置");
inline const QString Close = QStringLiteral("关闭");
inline const QStringList Buttons = {Save, Print, PrintPreview, PrintSettings, Close};
inline const QString IssueButton = QStringLiteral("正常开票");
inline const QString Banner = QStringLiteral("开票软件（演示与测试用）");
// The dialog's status line and its error box; each is followed by the intake's message.
inline const QString Saved = QStringLiteral("已保存：");
inline const QString SaveFailed = QStringLiteral("保存失败：");
inline const QString IssueFailed = QStringLiteral("开票失败：");
inline const QString Printed = QStringLiteral("，已打印");

// Log lines.
inline const QString PrintedLog = QStringLiteral("已打印：代码 %1 号码 %2，打印偏移 %3,%4");
inline const QString PendingRequest = QStringLiteral("待开发票：代码 %1 号码 %2");
inline const QString IssuedLog = QStringLiteral("已开具发票：代码 %1 号码 %2");
inline const QString NumberNotYetAdvanced = QStringLiteral("（发票薄的当前号码暂未前进）");
inline const QString RefusedLog = QStringLiteral("拒收开票请求：");
inline const QString NumberAdvanced = QStringLiteral("发票薄的当前号码已从 %1 前进（延迟 %2 毫秒）");
inline const QString NumberNotAdvanced = QStringLiteral("发票薄的当前号码未能前进：");

// Why a request is refused: its files.
inline const QString CannotRead = QStringLiteral("无法读取 %1：%2");
inline const QString NotWellFormed = QStringLiteral("%1 不是合法的XML（第 %2 行第 %3 列：%4）");
inline const QString NoRoot = QStringLiteral("%1 没有根元素");
inline const QString WrongRoot = QStringLiteral("%1 的根元素不是 %2");
inline const QString MissingElement = QStringLiteral("%1 缺少元素 %2（在 %3 中）");
inline const QString MissingAttribute = QStringLiteral("%1 的元素 %2 缺少属性 %3");
inline const QString NotANumber = QStringLiteral("%1 不是数字：%2");
inline const QString CodeOrNumberDiffer = QStringLiteral("两个请求文件的发票代码或号码不一致");
inline const QString KindsDiffer = QStringLiteral("两个请求文件的发票种类不一致");
inline const QString UnknownLineElement = QStringLiteral("%1 的 MX 中有未知元素 %2");
inline const QString BadLineNumber = QStringLiteral("明细序号 XH=%1 不合理（RecNum=%2）");
inline const QString RefusedByOption = QStringLiteral("按启动设置拒收这个请求（--refuse-request）");

// Why a request is refused: the book and the database.
inline const QString CurrentNotANumber = QStringLiteral("启用的发票薄的当前号码不是数字：");
inline const QString NoEnabledBook = QStringLiteral("没有启用的发票薄");
inline const QString BookUsedUp = QStringLiteral("启用的发票薄已经用完");
inline const QString BookNotUpdated = QStringLiteral("发票薄无法更新：");
inline const QString CodeMismatch = QStringLiteral("发票代码 %1 与启用的发票薄 %2 不符");
inline const QString NumberMismatch = QStringLiteral("发票号码 %1 不是启用的发票薄的当前号码 %2");
inline const QString KindMismatch = QStringLiteral("发票种类 %1 与启用的发票薄 %2 不符");
inline const QString InvoiceNotRecorded = QStringLiteral("发票 %1 %2 无法记录：%3");
inline const QString LinesNotRecorded = QStringLiteral("明细无法记录：");
inline const QString DatabaseError = QStringLiteral("数据库错误：");
inline const QString DatabaseMissing = QStringLiteral("数据库不存在：");
inline const QString DatabaseNotOpened = QStringLiteral("数据库无法打开：");
inline const QString DatabaseNotWritten = QStringLiteral("数据库无法写入");
inline const QString DatabaseNotCommitted = QStringLiteral("数据库无法提交");

// Setting up the folder.
inline const QString CannotCreateFolder = QStringLiteral("无法创建文件夹：");
inline const QString CannotWriteControl = QStringLiteral("无法写入控制文件：");

} // namespace corvina::StandinTexts
