#pragma once
// A platform for tests: file dialogs answer from a queue, every message box
// and every started program is recorded, and the version block is whatever
// the test sets.

#include "app/Platform.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace korvex::testing {

struct RecordedMessage {
    QString text;
    QString caption;
    MessageIcon icon;
};

class FakePlatform final : public Platform {
public:
    void ShowMessage(QWidget*, const QString& text, const QString& caption, MessageIcon icon) override
    {
        messages.push_back({text, caption, icon});
    }

    bool AskYesNo(QWidget*, const QString& text, const QString& caption) override
    {
        questions.push_back({text, caption, MessageIcon::Warning});
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }

    UnsavedAnswer AskSaveDiscardCancel(QWidget*, const QString& text, const QString& caption) override
    {
        questions.push_back({text, caption, MessageIcon::Warning});
        if (unsavedAnswers.empty())
            return UnsavedAnswer::Cancel;
        const UnsavedAnswer answer = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return answer;
    }

    std::optional<QString> GetOpenFileName(QWidget*, const QString& filter, const QString& folder) override
    {
        openFilters << filter;
        openFolders << folder;
        return Next(openAnswers);
    }

    std::optional<QString> GetSaveFileName(QWidget*, const QString& initialName, const QString& filter,
                                           const QString& folder) override
    {
        saveInitialNames << initialName;
        saveFilters << filter;
        saveFolders << folder;
        return Next(saveAnswers);
    }

    std::optional<int> AskNumber(QWidget*, const QString& text, const QString& caption, int, int minimum,
                                 int maximum) override
    {
        questions.push_back({text, caption, MessageIcon::None});
        numberRanges.push_back({minimum, maximum});
        if (numberAnswers.empty())
            return std::nullopt;
        const std::optional<int> answer = numberAnswers.front();
        numberAnswers.pop_front();
        return answer;
    }

    std::optional<int> AskChoice(QWidget*, const QString& text, const QString& caption, const QStringList& items,
                                 int current) override
    {
        questions.push_back({text, caption, MessageIcon::None});
        choices.push_back({items, current});
        if (choiceAnswers.empty())
            return std::nullopt;
        const std::optional<int> answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }

    bool StartProgram(const QString& program) override
    {
        startedPrograms << program;
        return false;
    }

    QString ExecutablePath() override { return executablePath; }
    std::optional<VersionInfo> ReadVersionInfo() override { return versionInfo; }

    bool AppendSystemMenuItem(QWidget*, int commandId, const QString& text) override
    {
        systemMenuItems.push_back({commandId, text});
        return true;
    }

    void Reset()
    {
        messages.clear();
        questions.clear();
        yesNoAnswers.clear();
        unsavedAnswers.clear();
        openAnswers.clear();
        numberAnswers.clear();
        numberRanges.clear();
        choiceAnswers.clear();
        choices.clear();
        saveAnswers.clear();
        openFilters.clear();
        openFolders.clear();
        saveFilters.clear();
        saveInitialNames.clear();
        saveFolders.clear();
        startedPrograms.clear();
        systemMenuItems.clear();
    }

    // What the test arranges. Unanswered questions are answered No, and
    // Cancel.
    std::deque<bool> yesNoAnswers;
    std::deque<UnsavedAnswer> unsavedAnswers;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::optional<int>> numberAnswers;
    std::deque<std::optional<int>> choiceAnswers;
    QString executablePath = QStringLiteral("/opt/korvex/bin/korvex");
    std::optional<VersionInfo> versionInfo = VersionInfo{{1, 0, 0, 3}, {10, 10, 22, 9}};

    // What the program did.
    std::vector<RecordedMessage> messages;
    std::vector<RecordedMessage> questions;
    std::vector<std::pair<int, int>> numberRanges;
    std::vector<std::pair<QStringList, int>> choices;  // the items offered and the one first chosen
    QStringList openFilters;
    QStringList openFolders;
    QStringList saveFilters;
    QStringList saveInitialNames;
    QStringList saveFolders;
    QStringList startedPrograms;
    std::vector<std::pair<int, QString>> systemMenuItems;

private:
    static std::optional<QString> Next(std::deque<std::optional<QString>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        std::optional<QString> answer;
        answer.swap(answers.front());
        answers.pop_front();
        return answer;
    }
};

} // namespace korvex::testing
