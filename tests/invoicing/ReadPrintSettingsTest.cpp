#include "invoicing/ReadPrintSettings.h"
#include "app/Gbk.h"
#include "doubles/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace corvina;

namespace {

struct ControlCase {
    const char* name;
    QByteArray content; // null: no file at all
    bool result;
    QString left; // expected offsets when the read succeeds
    QString top;
    QString message; // the one box expected, empty for none
};

const QByteArray kWritten = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<kpkz>\r\n<kp zlid=\"1\">\r\n"
                            "<invoice_info>\r\n<fpdm>3100071140</fpdm>\r\n<fphm>00000123</fphm>\r\n"
                            "<kpzt>1</kpzt>\r\n</invoice_info>\r\n<print_info>\r\n<print_left>10</print_left>\r\n"
                            "<print_top>20</print_top>\r\n<print_name>printer</print_name>\r\n</print_info>\r\n"
                            "</kp>\r\n<printerName>printer</printerName>\r\n</kpkz>\r\n";

} // namespace

TEST(ReadPrintSettings, ShapesOfTheControlFile)
{
    const QString loadFailed = QStringLiteral("装载XML文件失败!");
    const QString noRoot = QStringLiteral("结果文件中不存在子节点[kpkz]");
    // Every other way of failing names its cause and the file (the run ends there).
    const QString missing = QStringLiteral("找不到开票软件的控制文件 %1，连开已停止。");
    const QString incomplete = QStringLiteral(
        "开票软件的控制文件 %1 缺少打印设置（kp 下 print_info 的 print_left、print_top、print_name），连开已停止。");
    const std::vector<ControlCase> cases = {
        {"as written by the tool", kWritten, true, "10", "20", {}},
        {"indented",
         "<?xml version=\"1.0\"?>\n<kpkz>\n  <kp zlid=\"1\">\n    <invoice_info>\n"
         "      <fpdm>1</fpdm>\n    </invoice_info>\n    <print_info>\n"
         "      <print_left>-3.5</print_left>\n\t<print_top>7</print_top>\n"
         "      <print_name>x</print_name>\n    </print_info>\n  </kp>\n</kpkz>\n",
         true,
         "-3.5",
         "7",
         {}},
        {"one line",
         "<kpkz><kp><invoice_info/><print_info><print_left>1</print_left><print_top>2</print_top>"
         "<print_name/></print_info></kp></kpkz>",
         true,
         "1",
         "2",
         {}},
        {"other names at the right places", "<kpkz><a><b/><c><d>L</d><e>T</e><f/></c></a></kpkz>", true, "L", "T", {}},
        {"texts kept unchanged, nested text joined",
         "<kpkz><kp><i/><p><l> 1 0 </l><t>a<x>b</x>c</t><n/></p></kp></kpkz>",
         true,
         " 1 0 ",
         "abc",
         {}},
        {"CJK offsets in a GBK file",
         gbkEncode(QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"GB2312\"?><kpkz><kp><i/><p><l>左</l><t>上</t><n/></p></kp></kpkz>")),
         true,
         QStringLiteral("左"),
         QStringLiteral("上"),
         {}},
        {"no file", QByteArray(), false, {}, {}, missing},
        {"empty file", QByteArray(""), false, {}, {}, loadFailed},
        {"truncated", kWritten.left(kWritten.size() / 2), false, {}, {}, loadFailed},
        {"wrong root", "<kpkz2><kp><i/><p><l>1</l><t>2</t><n/></p></kp></kpkz2>", false, {}, {}, noRoot},
        {"kp with one child", "<kpkz><kp><invoice_info/></kp></kpkz>", false, {}, {}, incomplete},
        {"root without children", "<kpkz/>", false, {}, {}, incomplete},
        {"no third child", "<kpkz><kp><i/><p><l>1</l><t>2</t></p></kp></kpkz>", false, {}, {}, incomplete},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        if (!c.content.isNull())
            folder.write(QStringLiteral("Config/invoice.xml"), c.content);
        RecordingPrompter prompter;
        PrintOffsets offsets{QStringLiteral("old"), QStringLiteral("old")};
        // The path comes Windows-style, as kaippath + "\Config\invoice.xml".
        const QString path = folder.path() + QStringLiteral("Config\\invoice.xml");
        EXPECT_EQ(ReadPrintSettings(path, prompter, offsets), c.result);
        if (c.result) {
            EXPECT_EQ(offsets.PrintLeft, c.left);
            EXPECT_EQ(offsets.PrintTop, c.top);
        }
        const auto shown = prompter.shown();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(shown.isEmpty());
        } else {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_EQ(shown[0].text, c.message.contains(QLatin1String("%1")) ? c.message.arg(path) : c.message);
            EXPECT_EQ(shown[0].kind, MessageBoxKind::Error);
            EXPECT_EQ(shown[0].owner, BoxOwner::Application);
            EXPECT_EQ(shown[0].title, QStringLiteral("错误"));
        }
    }
}
