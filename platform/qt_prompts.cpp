#include "platform/qt_prompts.h"

#include "platform/scripted_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace zlm {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QStringList qtNameFilters(const std::string& filter)
{
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (label.isEmpty() && patterns.isEmpty())
            break;
        // The label's own "(...)" is replaced by the patterns actually used.
        label.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
        QStringList list;
        for (QString p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            list << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        if (list.isEmpty())
            list << QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(label, list.join(QLatin1Char(' ')));
    }
    return filters;
}

Answer QtPrompts::message(
    const std::string& text, const std::string& caption, Icon icon, Buttons buttons)
{
    QMessageBox box(qtIcon(icon), qs(messageCaption(caption)), qs(text), QMessageBox::NoButton,
        QApplication::activeWindow());
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    // Closed without a button: Escape means Cancel where there is one.
    if (buttons == Buttons::OkCancel || buttons == Buttons::YesNoCancel)
        return Answer::Cancel;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

std::optional<std::string> QtPrompts::chooseFile(const FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), qs(fileDialogTitle(request)));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    // A name typed without an extension gets the default one.
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(qs(request.defaultExtension));
    if (!request.initialDirectory.empty())
        dialog.setDirectory(qs(request.initialDirectory));
    if (!request.initialName.empty())
        dialog.selectFile(qs(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtPrompts::chooseFolder(
    const std::string& title, const std::string& initialFolder)
{
    const QString folder = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), qs(title), qs(initialFolder));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

} // namespace zlm
