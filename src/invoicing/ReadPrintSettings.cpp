#include "invoicing/ReadPrintSettings.h"

#include "app/Gbk.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "invoicing/Texts.h"

#include <QFile>
#include <QRegularExpression>

#include <pugixml.hpp>

namespace corvina {

namespace {

// The whole text content of a node, as a DOM's text property gives it.
void collectText(const pugi::xml_node& node, std::string& out)
{
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        out += node.value();
        return;
    }
    for (const pugi::xml_node& child : node.children())
        collectText(child, out);
}

QString textOf(const pugi::xml_node& node)
{
    std::string text;
    collectText(node, text);
    return QString::fromStdString(text);
}

// Child nodes by position. Whitespace between elements never becomes a node with the default
// parse options, and comments or processing instructions are not kept either.
pugi::xml_node childAt(const pugi::xml_node& node, int position)
{
    if (!node)
        return {};
    int i = 0;
    for (const pugi::xml_node& child : node.children()) {
        if (i++ == position)
            return child;
    }
    return {};
}

// The invoicing program may write its files in GBK; the parser only knows Unicode forms.
QByteArray asUtf8(const QByteArray& bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral("^<\\?xml[^>]*encoding\\s*=\\s*[\"'](gb2312|gbk|gb18030|cp936)[\"']"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(200));
    const QRegularExpressionMatch m = declaration.match(head);
    if (!m.hasMatch())
        return bytes;
    QString text = gbkDecode(bytes);
    const qsizetype at = text.indexOf(m.captured(1), 0, Qt::CaseInsensitive);
    text.replace(at, m.captured(1).size(), QStringLiteral("utf-8"));
    return text.toUtf8();
}

} // namespace

bool ReadPrintSettings(const QString& fileName, Prompter& prompter, PrintOffsets& offsets)
{
    // Every way of failing says why: the run ends here, and a run that ends without a word leaves
    // the clerk looking at a stop button.
    const auto fail = [&](const QString& text) {
        ShowMessageBox(prompter, BoxOwner::Application, text.arg(fileName), MessageBoxKind::Error);
        return false;
    };
    QFile file(nativePath(fileName));
    if (!file.exists())
        return fail(InvoicingTexts::ControlFileMissing);

    pugi::xml_document document;
    bool loaded = false;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = asUtf8(file.readAll());
        loaded = file.error() == QFileDevice::NoError &&
                 document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), pugi::parse_default,
                                      pugi::encoding_auto);
    }
    if (!loaded) {
        ShowMessageBox(prompter, BoxOwner::Application, InvoicingTexts::PrintSettingsLoadFailed, MessageBoxKind::Error);
        return false;
    }

    const pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "kpkz") {
        ShowMessageBox(prompter, BoxOwner::Application, InvoicingTexts::PrintSettingsNoRoot, MessageBoxKind::Error);
        return false;
    }

    const pugi::xml_node printInfo = childAt(childAt(root, 0), 1);
    const pugi::xml_node left = childAt(printInfo, 0);
    const pugi::xml_node top = childAt(printInfo, 1);
    const pugi::xml_node name = childAt(printInfo, 2);
    if (!left || !top || !name)
        return fail(InvoicingTexts::ControlFileIncomplete);
    offsets.PrintLeft = textOf(left);
    offsets.PrintTop = textOf(top);
    return true;
}

} // namespace corvina
