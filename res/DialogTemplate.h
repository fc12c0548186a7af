#pragma once
// Dialog templates: each dialog is a table of controls with their ids, kinds,
// texts and rectangles in dialog units. One builder turns a table into
// widgets, converting dialog units with the metrics of the template's font
// (a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height), so every control can later be found
// by its id.

#include "res/ResizeAnchors.h"

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include <span>
#include <vector>

namespace korvex::res {

enum class ControlKind {
    ListView,      // report view over a model
    TreeView,
    TabStrip,      // tabs drawn as buttons
    Static,        // text
    SunkenStatic,  // text in a sunken frame
    GroupBox,      // frame, caption optional
    PushButton,
    DefPushButton,
    Edit,          // one-line edit
    NumberEdit,    // one-line edit that accepts digits only
    ComboBox,      // drop-down list with an edit part
    CheckBox,      // automatic two-state check box
    Icon,          // the application icon
    Bitmap,        // a bitmap resource, named in `text` by its number
};

enum ControlStyle : unsigned {
    kNoStyle = 0,
    kTabStop = 1u << 0,
    kDisabled = 1u << 1,
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    QString text;
    QRect dialogUnits;  // x, y, width, height
    unsigned style = kNoStyle;
};

struct DialogTemplate {
    int id;
    QString caption;
    QSize dialogUnits;
    QString fontFamily;
    int fontPointSize;
    std::vector<ControlTemplate> controls;  // in template (and tab) order
};

// Converts dialog units to pixels for one font, with the rounding of the
// original platform (multiply, then divide with rounding).
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int X(int units) const;
    int Y(int units) const;
    QRect ToPixels(const QRect& units) const;
    QSize ToPixels(const QSize& units) const;

private:
    int baseWidth_;
    int baseHeight_;
};

QFont TemplateFont(const DialogTemplate& dialogTemplate);

// Creates the template's controls as children of `client`, at their
// positions, in template order (which is also the tab order), and sizes the
// client to the template. Each control's object name is its id (see
// ControlName), so FindControl finds it.
void BuildControls(QWidget* client, const DialogTemplate& dialogTemplate);

// Gives a dialog its template: the caption, and a client area of the
// template's size holding the controls, kept at that size by the dialog's
// layout (which leaves room for a menu bar above the client area).
void BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate);

// Gives a dialog its template as BuildDialog does, except that the client
// area may grow: the template's size is the smallest it gets, and each
// anchored control follows the edges named for it as the dialog grows.
void BuildResizableDialog(QDialog* dialog, const DialogTemplate& dialogTemplate, std::span<const Anchor> anchors);

QString ControlName(int id);

// The control with this id in root's own window. Ids repeat across dialogs,
// and a dialog owned by root is a window of its own, so it is not searched.
template <typename Widget>
Widget* FindControl(const QWidget* root, int id)
{
    for (Widget* control : root->findChildren<Widget*>(ControlName(id))) {
        if (control->window() == root->window())
            return control;
    }
    return nullptr;
}

} // namespace korvex::res
