#include "ui/GuiPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace corvina {

GuiPrompter::GuiPrompter(QObject* parent) : QObject(parent)
{
}

void GuiPrompter::setMainWindow(QWidget* window)
{
    m_mainWindow = window;
}

template <typename F> auto GuiPrompter::onUiThread(F&& f) -> decltype(f())
{
    using R = decltype(f());
    if (QThread::currentThread() == thread())
        return f();
    R result{};
    QMetaObject::invokeMethod(
        this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

QWidget* GuiPrompter::owner(BoxOwner owner) const
{
    // The application's own top-level window has no widget here: an application-modal box.
    return owner == BoxOwner::MainWindow ? m_mainWindow.data() : nullptr;
}

int GuiPrompter::showBox(BoxOwner boxOwner, const QString& text, MessageBoxKind kind)
{
    return onUiThread([&] {
        QMessageBox::Icon icon = QMessageBox::Information;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        switch (kind) {
        case MessageBoxKind::Info:
            break;
        case MessageBoxKind::Warning:
            icon = QMessageBox::Warning;
            break;
        case MessageBoxKind::Error:
            icon = QMessageBox::Critical;
            break;
        case MessageBoxKind::YesNo:
            icon = QMessageBox::Question;
            buttons = QMessageBox::Yes | QMessageBox::No;
            break;
        case MessageBoxKind::YesNoCancel:
            icon = QMessageBox::Question;
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
        }
        QMessageBox box(icon, messageBoxTitle(kind), text, buttons, owner(boxOwner));
        box.setWindowModality(boxOwner == BoxOwner::MainWindow ? Qt::WindowModal : Qt::ApplicationModal);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return ButtonCode::Yes;
        case QMessageBox::No:
            return ButtonCode::No;
        case QMessageBox::Cancel:
            return ButtonCode::Cancel;
        default:
            // Closing a question box with the window's close button counts as its last button.
            return kind == MessageBoxKind::YesNo         ? ButtonCode::No
                   : kind == MessageBoxKind::YesNoCancel ? ButtonCode::Cancel
                                                         : ButtonCode::Ok;
        }
    });
}

void GuiPrompter::showPlain(const QString& text)
{
    onUiThread([&] {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok);
        box.exec();
        return 0;
    });
}

int GuiPrompter::askPlain(const QString& title, const QString& text)
{
    return onUiThread([&] {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? ButtonCode::Yes : ButtonCode::No;
    });
}

QString GuiPrompter::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& desc = parts.at(i);
        const QString& pattern = parts.at(i + 1);
        out << (desc.contains(QLatin1Char('(')) ? desc : desc + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> GuiPrompter::chooseOpenFile(const QString& filter)
{
    return onUiThread([&]() -> std::optional<QString> {
        const QString qt = qtFilter(filter);
        QString selected = qt.section(QStringLiteral(";;"), 0, 0);
        const QString path = QFileDialog::getOpenFileName(m_mainWindow, QString(), QString(), qt, &selected);
        if (path.isEmpty())
            return std::nullopt;
        return path;
    });
}

std::optional<QString> GuiPrompter::chooseSaveFile(const SaveDialogRequest& request)
{
    return onUiThread([&]() -> std::optional<QString> {
        QFileDialog dialog(m_mainWindow);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(qtFilter(request.filter));
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.selectFile(request.proposedName);
        // The export asks about overwriting itself.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().first();
    });
}

} // namespace corvina
