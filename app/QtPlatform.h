#pragma once

#include "app/Platform.h"

#include <QStringList>

namespace korvex {

class QtPlatform final : public Platform {
public:
    void ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon) override;
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    UnsavedAnswer AskSaveDiscardCancel(QWidget* owner, const QString& text, const QString& caption) override;
    std::optional<QString> GetOpenFileName(QWidget* owner, const QString& filter, const QString& folder) override;
    std::optional<QString> GetSaveFileName(QWidget* owner, const QString& initialName, const QString& filter,
                                           const QString& folder) override;
    std::optional<int> AskNumber(QWidget* owner, const QString& text, const QString& caption, int value,
                                 int minimum, int maximum) override;
    std::optional<int> AskChoice(QWidget* owner, const QString& text, const QString& caption, const QStringList& items,
                                 int current) override;
    bool StartProgram(const QString& program) override;
    QString ExecutablePath() override;
    std::optional<VersionInfo> ReadVersionInfo() override;
    bool AppendSystemMenuItem(QWidget* window, int commandId, const QString& text) override;
};

// Turns "desc|*.a;*.b|desc2|*.*||" into Qt name filters "desc (*.a *.b)".
// The description is shown as it is; the patterns in brackets are what Qt
// matches, so a file dialog shown with details hidden reads like the original.
QStringList QtNameFilters(const QString& filter);

} // namespace korvex
