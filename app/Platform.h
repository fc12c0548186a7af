#pragma once
// Everything that leaves the process or waits for a person goes through this
// interface: message boxes, file dialogs, starting the sibling tools, the
// executable's own path, the version block and the window's system menu.
// The application installs QtPlatform; tests install a fake that answers the
// dialogs and records every message.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QWidget;

namespace korvex {

// None: a plain box, the text and an OK button only.
enum class MessageIcon { Warning, Information, None };

// The answer to the question about edits that were not saved.
enum class UnsavedAnswer { Save, Discard, Cancel };

// The version block of the executable: product and file versions, each as
// four numbers a.b.c.d.
struct VersionInfo {
    std::array<int, 4> product{};
    std::array<int, 4> file{};
};

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box with an OK button only, owned by `owner`.
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                             MessageIcon icon) = 0;

    // A modal question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;

    // The desktop's question before edits are thrown away, with Save,
    // Discard and Cancel buttons; Escape and closing the question are Cancel.
    virtual UnsavedAnswer AskSaveDiscardCancel(QWidget* owner, const QString& text, const QString& caption) = 0;

    // File dialogs. `filter` is a list of "description|patterns" pairs, each
    // part ended by '|', the list ended by an empty pair ("...||"); patterns
    // are separated by ';'. Each dialog starts in `folder` when one is
    // given. Nothing when the user cancels.
    virtual std::optional<QString> GetOpenFileName(QWidget* owner, const QString& filter,
                                                   const QString& folder) = 0;
    // Proposes initialName; asks before an existing file is overwritten.
    virtual std::optional<QString> GetSaveFileName(QWidget* owner, const QString& initialName,
                                                   const QString& filter, const QString& folder) = 0;

    // A modal question for a whole number from minimum to maximum, starting
    // at value; nothing when the user cancels.
    virtual std::optional<int> AskNumber(QWidget* owner, const QString& text, const QString& caption, int value,
                                         int minimum, int maximum) = 0;

    // A modal choice of one of `items`, starting at `current`; its position,
    // or nothing when the user cancels.
    virtual std::optional<int> AskChoice(QWidget* owner, const QString& text, const QString& caption,
                                         const QStringList& items, int current) = 0;

    // Starts a program by its path, without arguments and without waiting.
    virtual bool StartProgram(const QString& program) = 0;

    // Full path of the running executable.
    virtual QString ExecutablePath() = 0;

    // The executable's version block; nothing when it has none.
    virtual std::optional<VersionInfo> ReadVersionInfo() = 0;

    // Appends a separator and a text item to the window's system menu. False
    // when the window has no system menu this program can reach.
    virtual bool AppendSystemMenuItem(QWidget* window, int commandId, const QString& text) = 0;
};

} // namespace korvex
