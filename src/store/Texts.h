#pragma once

#include <QString>

namespace corvina::StoreTexts {

inline const QString ConnectionError = QStringLiteral("连接错误:");
inline const QString StatementError = QStringLiteral("出错原因：");

// Reasons given after "连接错误:" when a database file cannot be used.
inline const QString FileMissing = QStringLiteral("数据库文件不存在：%1");
inline const QString CannotCreate = QStringLiteral("无法创建数据库文件 %1：%2");
inline const QString NotADatabase = QStringLiteral("文件 %1 既不是SQLite数据库也不是Access数据库，未作任何改动");
// The store of the program this one replaces: its documents are moved into a new store, the
// file is never opened as one.
inline const QString AccessStore = QStringLiteral("文件 %1 "
                                                  "是Access数据库（原来的单据数据库），不能直接作为本程序的数据库使用，"
                                                  "未作任何改动。请先把其中的单据移入本程序的数据库："
                                                  "启动窗口时按提示移入，或运行 corvina migrate");
inline const QString NoAccessOdbcDriver =
    QStringLiteral("文件 %1 是Access数据库，但本机没有Access的ODBC驱动“%2”（或其位数与本程序不同）");
// What to install where the program reads Access files through the system's ODBC driver.
inline const QString InstallAccessDriver = QStringLiteral(
    "。本程序是%1位程序，请安装微软的Access Database Engine 2016 Redistributable（%1位：%2），然后重新启动本程序");
inline const QString AccessOpenFailed = QStringLiteral("无法通过ODBC打开Access数据库 %1：%2");
inline const QString AccessUnrecognised =
    QStringLiteral("文件 %1 的文件头无法识别：不是可读的Jet 3、Jet 4或ACE（Access 2007及以后）数据库，或文件已损坏");
inline const QString AccessNoCatalog =
    QStringLiteral("读不出Access数据库 %1 的表目录：文件已损坏，或在数据库密码之外另行加密");

// Reasons given after "连接错误:" when a shared store on a database server cannot be used. They
// name the address as shown (never its password) and carry the server's or the driver's reason.
inline const QString NoServerDriver =
    QStringLiteral("本机没有PostgreSQL的Qt驱动（QPSQL，Debian软件包 libqt6sql6-psql），无法连接共享数据库 %1");
inline const QString ServerOpenFailed = QStringLiteral("无法连接共享数据库 %1：%2");
inline const QString ServerSchemaFailed = QStringLiteral("共享数据库 %1 中缺少本程序的表，且无法创建：%2");
inline const QString NotAServerAddress = QStringLiteral("共享数据库地址须以 postgresql:// 开头");
inline const QString UnreadableServerAddress = QStringLiteral("（无法识别的共享数据库地址）");
inline const QString UnescapedCredentials =
    QStringLiteral("共享数据库地址中的用户名或密码含有“@”或“/”，须分别写作 %40 和 %2F");
inline const QString BadServerHost = QStringLiteral("共享数据库地址中的主机名无法识别");
inline const QString BadServerPort = QStringLiteral("共享数据库地址中的端口号不是 0 到 65535 之间的数字");
inline const QString BadServerParameter =
    QStringLiteral("共享数据库地址中“?”之后的参数须写作 名称=值，名称只含小写字母和下划线");
inline const QString ServerParameterSemicolon = QStringLiteral("共享数据库地址的参数 %1 的值不能含有分号");
// The connection to the server broke off while a transaction was open: the server has undone it.
inline const QString ConnectionLost = QStringLiteral("与共享数据库的连接已中断，未完成的改动已由服务器撤销：%1");
// A commit the server answered with a rollback (a statement of the transaction had failed).
inline const QString CommitRolledBack = QStringLiteral("服务器撤销了本次事务，改动未保存：%1");

// Errors of one read, shown by the caller (after "发生错误：" while an invoice is prepared).
inline const QString NoSuchTable = QStringLiteral("数据库中没有表 %1");
inline const QString NoSuchColumn = QStringLiteral("表 %1 中没有列 %2");
inline const QString TableUnreadable = QStringLiteral("表 %1 读不出来：数据库文件已损坏");

// Reason given after "出错原因：" for any write to a store this desk may only read.
inline const QString ReadOnlyStore =
    QStringLiteral("数据库文件 %1 只能读取（本机对它或它所在的文件夹没有写权限），只能查看，不能修改");

// Reasons given after "出错原因：" when the issuing journal cannot be written as it must.
inline const QString AttemptNotWritten = QStringLiteral("开票记录（销售单据号 %1）未能写入");
inline const QString DocumentNotStored = QStringLiteral("数据库中已没有销售单据号为 %1 的单据");
// Why a run may not write what it found (the store changed under it), and why a code and number
// may not go to a document: each names the document the clerk should check.
inline const QString AttemptNoLongerOpen = QStringLiteral("销售单据 %1 的这次开票已被核对或关闭（%2）");
inline const QString SettledBy = QStringLiteral("由开票站“%1”核对");
inline const QString DocumentNoLongerPending = QStringLiteral("销售单据 %1 在数据库中已不是“未开票”");
inline const QString InvoiceHeldByDocument = QStringLiteral("发票代码 %1、发票号码 %2 已记录给销售单据 %3");
inline const QString InvoiceHeldByAttempt =
    QStringLiteral("发票代码 %1、发票号码 %2 已用于销售单据 %3 尚未核对的开票（开票站“%4”）");

} // namespace corvina::StoreTexts
