#include "ui/AccessKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace korvex {
namespace {

// The position of the access key's mark in text, or -1. "&&" is an
// ampersand shown as it is.
qsizetype MarkAt(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return i;
        ++i;
    }
    return -1;
}

// The position of the character to mark in text: the first free letter that
// begins a word, else the first free letter or digit; -1 when none is free.
qsizetype KeyFor(const QString& text, const QSet<QChar>& taken)
{
    const auto free = [&](qsizetype i) { return text[i].isLetterOrNumber() && !taken.contains(text[i].toLower()); };
    for (qsizetype i = 0; i < text.size(); ++i)
        if (free(i) && (i == 0 || !text[i - 1].isLetterOrNumber()))
            return i;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (free(i))
            return i;
    return -1;
}

void MarkAll(const QList<QAction*>& actions)
{
    QSet<QChar> taken;
    for (const QAction* action : actions)
        if (const qsizetype mark = MarkAt(action->text()); mark >= 0)
            taken.insert(action->text()[mark + 1].toLower());
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        if (MarkAt(action->text()) < 0) {
            QString text = action->text();
            if (const qsizetype at = KeyFor(text, taken); at >= 0) {
                taken.insert(text[at].toLower());
                text.insert(at, QLatin1Char('&'));
                action->setText(text);
            }
        }
        if (QMenu* submenu = action->menu())
            GiveAccessKeys(submenu);
    }
}

} // namespace

void GiveAccessKeys(QMenu* menu)
{
    MarkAll(menu->actions());
}

void GiveAccessKeys(QMenuBar* bar)
{
    MarkAll(bar->actions());
}

QString WithoutAccessKey(const QString& text)
{
    QString plain = text;
    if (const qsizetype mark = MarkAt(plain); mark >= 0)
        plain.remove(mark, 1);
    return plain.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

} // namespace korvex
