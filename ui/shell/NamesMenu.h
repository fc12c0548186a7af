#pragma once
// The "Names" menu: the charsets a box may keep its names in, with a check
// mark on the one in use and "(detected)" after it when it was detected from
// the image. Choosing one reads every name anew; the image is not touched.

#include "codepage/CharsetDetection.h"

#include <QObject>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

namespace korvex {

// The charsets boxes are known to store names in, as iconv names them.
std::span<const std::string_view> CommonBoxCharsets();

// True when the two names stand for the same charset as far as the menu can
// tell: equal but for case, '-' and '_'.
bool SameCharsetName(std::string_view a, std::string_view b);

class NamesMenu final : public QObject {
public:
    using Chosen = std::function<void(const std::string& charset)>;

    // Adds the menu to bar, before `before` (at the end when null).
    NamesMenu(QMenuBar* bar, QAction* before, Chosen chosen);

    // Lists the common charsets, the locale's and the one in use, and checks
    // the one in use.
    void Show(const CharsetChoice& inUse, const std::string& localeCharset);

    QMenu* menu() const { return menu_; }

private:
    QMenu* menu_;
    QActionGroup* group_;
    Chosen chosen_;
    std::vector<std::string> listed_;
};

} // namespace korvex
