#pragma once

#include <QString>

namespace corvina::WorkbookTexts {

// Import log lines.
inline const QString LogChecking = QStringLiteral("开始处理EXCEL文件数据的正确性");
inline const QString LogCount = QStringLiteral("该EXCEL文件一共含%1张发票!");
inline const QString LogStored = QStringLiteral("该销售单据的数据正确，处理成功");
inline const QString LogAlreadyPresent = QStringLiteral("该销售单据的数据已有记录，放弃处理");
inline const QString LogDone = QStringLiteral("EXCEL文件处理完成");
// A document whose rows stand in more than one place: nothing of it is stored. %2 and %3 are the
// first two places ("5" or "5-7"), %4 what follows when there are more.
inline const QString LogSplit = QStringLiteral("%1该销售单据的数据分在第%2行和第%3行%4，不相连，整张放弃处理");
inline const QString LogSplitMore = QStringLiteral("等%1处");

// Messages of the import run.
inline const QString NoReader = QStringLiteral("无法打开EXCEL文件，请确定电脑安装了OFFICE软件!");
inline const QString OpenFilter = QStringLiteral("*.xls|*.xls|*.xlsx|*.xlsx");
inline const QString ProgressLabel = QStringLiteral("正在导入EXCEL文件……");

// Reasons given after the store's "连接错误:" when a workbook cannot be read.
inline const QString CannotOpenFile = QStringLiteral("无法打开文件 %1：%2");
inline const QString NotAWorkbook = QStringLiteral("文件 %1 不是EXCEL工作簿（.xls或.xlsx）");
inline const QString Encrypted = QStringLiteral("文件 %1 设有打开密码，请在EXCEL中去掉密码后另存再导入");
inline const QString Corrupt = QStringLiteral("文件 %1 已损坏，无法读取（%2）");
inline const QString PartTooLarge = QStringLiteral("文件 %1 中的 %2 解压后超过 %3 MB，疑为损坏或恶意文件，已停止读取");
inline const QString TooManyCells = QStringLiteral("工作表“%1”的单元格超过 %2 个，无法导入");
inline const QString SheetMissing = QStringLiteral("工作簿中没有名为“%1”的工作表（现有工作表：%2）");
inline const QString BadAmount = QStringLiteral("第%1行N列的金额“%2”不是数字");
inline const QString Uncalculated = QStringLiteral(
    "单元格%1是公式，但文件里没有它的计算结果（文件不是由EXCEL或WPS保存的），请用EXCEL打开并保存后再导入");
inline const QString BadQuantity = QStringLiteral("销售单据%1第%2行明细的数量“%3”不是数字");
inline const QString BadPrice = QStringLiteral("销售单据%1第%2行明细的单价“%3”不是数字");
inline const QString BadLineSum = QStringLiteral("销售单据%1第%2行明细的数量与单价相乘超出数值范围");
inline const QString BadAmountSum = QStringLiteral("销售单据%1到第%2行的金额合计超出数值范围");

// Details inside Corrupt.
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

// The export to the workbook template; the replace question's title is the plain "提示".
inline const QString ExportTemplateName = QStringLiteral("发票导出数据格式.xlsx");
inline const QString ExportNamePrefix = QStringLiteral("发票数据导出_");
inline const QString ExportSaveFilter = QStringLiteral("Excel文件(*.xlsx)|*.xlsx");
inline const QString ExportSuffix = QStringLiteral("xlsx");
inline const QString ExportNothingListed = QStringLiteral("请先查询选择发票数据，再进行数据导出!");
inline const QString ExportNothingTicked = QStringLiteral("请先选中发票数据，再进行数据导出!");
inline const QString ExportTemplateMissing = QStringLiteral("Excel源文件已损坏或不存在");
inline const QString ExportReplaceQuestion = QStringLiteral("Excel文件已存在，是否替换");
inline const QString ExportCopyFailed = QStringLiteral("复制文件时发生保护性错误，Excel 如在运行，请先关闭！");
inline const QString ExportFillFailed = QStringLiteral("初始化Excel失败，可能没装Excel，或者其他错误。");
inline const QString Exported = QStringLiteral("发票数据导出成功");

} // namespace corvina::WorkbookTexts
