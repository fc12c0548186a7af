#include "app/QtPlatform.h"

#include "io/AtomicFile.h"
#include "app/KorvexVersion.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>

namespace korvex {

void QtPlatform::ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    const QMessageBox::Icon shown = icon == MessageIcon::Warning       ? QMessageBox::Warning
                                    : icon == MessageIcon::Information ? QMessageBox::Information
                                                                       : QMessageBox::NoIcon;
    QMessageBox box(shown, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool QtPlatform::AskYesNo(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

UnsavedAnswer QtPlatform::AskSaveDiscardCancel(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return UnsavedAnswer::Save;
    case QMessageBox::Discard: return UnsavedAnswer::Discard;
    default: return UnsavedAnswer::Cancel;
    }
}

QStringList QtNameFilters(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");  // every file, with or without a dot
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

std::optional<QString> QtPlatform::GetOpenFileName(QWidget* owner, const QString& filter, const QString& folder)
{
    QFileDialog dialog(owner);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(QtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

namespace {

// Korvex keeps the first original of a file it saves over (see
// WriteFileKeepingFirstOriginal); the question says so.
QString ReplaceQuestion(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QString backup = QFileInfo(BackupPathOf(path)).fileName();
    const QString kept = QFileInfo::exists(BackupPathOf(path))
                             ? QStringLiteral("The first original stays in \"%1\".").arg(backup)
                             : QStringLiteral("The file as it is now is kept as \"%1\".").arg(backup);
    return QStringLiteral("\"%1\" already exists. Replace it?\n%2").arg(name, kept);
}

} // namespace

std::optional<QString> QtPlatform::GetSaveFileName(QWidget* owner, const QString& initialName,
                                                   const QString& filter, const QString& folder)
{
    QFileDialog dialog(owner);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(QtNameFilters(filter));
    dialog.selectFile(initialName);
    // The question about replacing a file is asked here rather than by the
    // dialog, so that it can say what happens to the file replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().constFirst();
        if (!QFileInfo(path).isFile() || AskYesNo(owner, ReplaceQuestion(path), QStringLiteral("Korvex")))
            return path;
    }
    return std::nullopt;
}

std::optional<int> QtPlatform::AskNumber(QWidget* owner, const QString& text, const QString& caption, int value,
                                         int minimum, int maximum)
{
    bool ok = false;
    const int number = QInputDialog::getInt(owner, caption, text, value, minimum, maximum, 1, &ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

std::optional<int> QtPlatform::AskChoice(QWidget* owner, const QString& text, const QString& caption,
                                         const QStringList& items, int current)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(owner, caption, text, items, current, false, &ok);
    const qsizetype at = items.indexOf(chosen);
    return ok && at >= 0 ? std::optional<int>(static_cast<int>(at)) : std::nullopt;
}

bool QtPlatform::StartProgram(const QString& program)
{
    return QProcess::startDetached(program, {});
}

QString QtPlatform::ExecutablePath()
{
    return QCoreApplication::applicationFilePath();
}

std::optional<VersionInfo> QtPlatform::ReadVersionInfo()
{
    return VersionInfo{kProductVersion, kFileVersion};
}

bool QtPlatform::AppendSystemMenuItem(QWidget*, int, const QString&)
{
    // The window manager owns the window menu here; a program cannot add to it.
    return false;
}

} // namespace korvex
