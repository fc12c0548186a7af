#include "ui/shell/NamesMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <cctype>
#include <vector>

namespace korvex {
namespace {

constexpr std::array<std::string_view, 18> kCommonBoxCharsets{
    "GBK",          "GB18030",      "Big5",         "Windows-1250", "Windows-1251", "Windows-1252",
    "Windows-1253", "Windows-1254", "Windows-1256", "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-5",
    "ISO-8859-7",   "ISO-8859-9",   "KOI8-R",       "Shift_JIS",    "EUC-KR",       "UTF-8",
};

std::string Plain(std::string_view name)
{
    std::string plain;
    for (const char c : name)
        if (c != '-' && c != '_')
            plain.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return plain;
}

} // namespace

std::span<const std::string_view> CommonBoxCharsets() { return kCommonBoxCharsets; }

bool SameCharsetName(std::string_view a, std::string_view b) { return Plain(a) == Plain(b); }

NamesMenu::NamesMenu(QMenuBar* bar, QAction* before, Chosen chosen)
    : QObject(bar), menu_(new QMenu(QStringLiteral("Names"), bar)), group_(new QActionGroup(menu_)),
      chosen_(std::move(chosen))
{
    group_->setExclusive(true);
    bar->insertMenu(before, menu_);
}

void NamesMenu::Show(const CharsetChoice& inUse, const std::string& localeCharset)
{
    std::vector<std::string> names(kCommonBoxCharsets.begin(), kCommonBoxCharsets.end());
    for (const std::string& extra : {localeCharset, inUse.charset.Name()}) {
        bool listed = false;
        for (const std::string& name : names)
            listed = listed || SameCharsetName(name, extra);
        if (!listed && !extra.empty())
            names.push_back(extra);
    }

    // A choice from the menu keeps the list as it is: its entries are only
    // relabelled, never deleted while one of them is still being triggered.
    if (names != listed_) {
        menu_->clear();
        for (const std::string& name : names) {
            QAction* action = menu_->addAction(QString::fromStdString(name));
            action->setCheckable(true);
            action->setData(QString::fromStdString(name));
            group_->addAction(action);
            connect(action, &QAction::triggered, this, [this, name] { chosen_(name); });
        }
        listed_ = std::move(names);
    }
    const QList<QAction*> actions = menu_->actions();
    for (std::size_t i = 0; i < listed_.size(); ++i) {
        const bool used = SameCharsetName(listed_[i], inUse.charset.Name());
        QString text = QString::fromStdString(listed_[i]);
        if (used && inUse.source == CharsetSource::Detected)
            text += QStringLiteral(" (detected)");
        actions[static_cast<qsizetype>(i)]->setText(text);
        actions[static_cast<qsizetype>(i)]->setChecked(used);
    }
}

} // namespace korvex
