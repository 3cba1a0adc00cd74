#pragma once

#include <QString>

// Texts of the workbook readers: why a file cannot be read.
namespace corvina::WorkbookTexts {

// Reasons given after the store's "连接错误:" when a workbook cannot be read.
inline const QString CannotOpenFile = QStringLiteral("无法打开文件 %1：%2");
inline const QString NotAWorkbook = QStringLiteral("文件 %1 不是EXCEL工作簿（.xls或.xlsx）");
inline const QString Encrypted = QStringLiteral("文件 %1 设有打开密码，请在EXCEL中去掉密码后另存再导入");
inline const QString Corrupt = QStringLiteral("文件 %1 已损坏，无法读取（%2）");
inline const QString PartTooLarge = QStringLiteral("文件 %1 中的 %2 解压后超过 %3 MB，疑为损坏或恶意文件，已停止读取");
inline const QString TooManyCells = QStringLiteral("工作表“%1”的单元格超过 %2 个，无法导入");
inline const QString SheetMissing = QStringLiteral("工作簿中没有名为“%1”的工作表（现有工作表：%2）");
inline const QString OldKindNotRead =
    QStringLiteral("文件 %1 是 Excel 4.0 的多工作表工作簿，无法读取；请在电子表格程序中另存为 .xlsx 后再导入");
// Logged, not refused: the cells before the cut are read.
inline const QString EndsEarly = QStringLiteral("文件提前结束：工作表 %1 的最后一条记录不完整，已读到第 %2 行");
inline const QString EndsEarlyNoCells = QStringLiteral("文件提前结束：工作表 %1 的最后一条记录不完整，其前没有单元格");

// Details inside Corrupt.
inline const QString DetailTooManyRows = QStringLiteral("超过 %1 行");
inline const QString DetailRecordTooLong = QStringLiteral("第%1行起的一条记录超过 %2 MB（引号没有配对？）");
inline const QString DetailZip = QStringLiteral("压缩包结构错误：%1");
inline const QString DetailPartMissing = QStringLiteral("缺少部件 %1");
inline const QString DetailXml = QStringLiteral("%1 的XML格式错误：%2，位置 %3");
inline const QString DetailSharedString = QStringLiteral("单元格 %1 引用的共享字符串 %2 不存在");
inline const QString DetailCellRef = QStringLiteral("单元格位置“%1”超出工作表范围");
inline const QString DetailRecord = QStringLiteral("记录 0x%1 在偏移 %2 处不完整");
inline const QString DetailCompound = QStringLiteral("复合文件结构损坏：%1");
inline const QString DetailMemory = QStringLiteral("内存不足");
inline const QString DetailRowOrder = QStringLiteral("第%1行的位置在它前面的行之前");
inline const QString DetailTooManyStrings = QStringLiteral("共享字符串超过 %1 个或 %2M 个字符");
inline const QString DetailCellText = QStringLiteral("单元格文字超过 %1 个字符");
inline const QString DetailTooManyStyles = QStringLiteral("单元格样式超过 %1 个");
inline const QString DetailStream = QStringLiteral("复合文件中没有工作簿数据流");
inline const QString DetailBiffVersion = QStringLiteral("不支持的EXCEL版本（BIFF %1）");
inline const QString DetailSheetOffset = QStringLiteral("工作表“%1”的位置超出文件范围");
// The place named in DetailCellRef of a workbook saved as XML.
inline const QString DetailRowAt = QStringLiteral("%1行");
inline const QString DetailColumnAt = QStringLiteral("%1列");

// What is wrong inside DetailCompound.
inline const QString CompoundSectorOutside = QStringLiteral("扇区超出文件范围");
inline const QString CompoundSectorUnreadable = QStringLiteral("无法读取扇区");
inline const QString CompoundHeaderShort = QStringLiteral("文件头不完整");
inline const QString CompoundHeaderSignature = QStringLiteral("文件头标志错误");
inline const QString CompoundSectorSize = QStringLiteral("扇区大小错误");
inline const QString CompoundFatSize = QStringLiteral("分配表大小错误");
inline const QString CompoundDifatChain = QStringLiteral("分配表扩展链错误");
inline const QString CompoundChain = QStringLiteral("扇区链错误");
inline const QString CompoundNoRoot = QStringLiteral("目录缺少根存储");
inline const QString CompoundChainShort = QStringLiteral("扇区链短于数据流");
inline const QString CompoundMiniStreamLarge = QStringLiteral("小数据流区过大");
inline const QString CompoundMiniChainShort = QStringLiteral("小扇区链短于数据流");
inline const QString CompoundMiniSectorOutside = QStringLiteral("小扇区超出范围");

} // namespace corvina::WorkbookTexts
