#pragma once
// The two kinds of message the user is shown: warnings, captioned "Waring"
// with the warning icon, and the information box of a successful save.

#include "app/Platform.h"

namespace korvex {

inline const QString kWarningCaption = QStringLiteral("Waring");

inline void ShowWarning(Platform& platform, QWidget* owner, const QString& text)
{
    platform.ShowMessage(owner, text, kWarningCaption, MessageIcon::Warning);
}

inline void ShowInformation(Platform& platform, QWidget* owner, const QString& text, const QString& caption)
{
    platform.ShowMessage(owner, text, caption, MessageIcon::Information);
}

} // namespace korvex
