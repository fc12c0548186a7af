#include "res/DialogTemplate.h"

#include "res/ResizeAnchors.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace korvex::res {
namespace {

// Multiply, then divide, rounding half away from zero.
int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent)
{
    switch (control.kind) {
    case ControlKind::ListView: {
        auto* view = new QTableView(parent);
        view->verticalHeader()->hide();
        // Rows as tight as a report list's: one line of text and a little air.
        view->verticalHeader()->setMinimumSectionSize(1);
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
        view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        view->horizontalHeader()->setHighlightSections(false);
        view->setFrameShadow(QFrame::Sunken);
        return view;
    }
    case ControlKind::TreeView: {
        auto* tree = new QTreeWidget(parent);
        tree->setHeaderHidden(true);
        tree->setRootIsDecorated(true);
        tree->setFrameShadow(QFrame::Sunken);
        return tree;
    }
    case ControlKind::TabStrip: {
        auto* tabs = new QTabBar(parent);
        tabs->setExpanding(false);
        tabs->setDrawBase(false);
        return tabs;
    }
    case ControlKind::Static:
        return new QLabel(control.text, parent);
    case ControlKind::SunkenStatic: {
        auto* label = new QLabel(control.text, parent);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(control.text, parent);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(control.text, parent);
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::Edit:
        return new QLineEdit(control.text, parent);
    case ControlKind::NumberEdit: {
        auto* edit = new QLineEdit(control.text, parent);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        return edit;
    }
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(control.text, parent);
    case ControlKind::Icon: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setPixmap(ApplicationIcon().pixmap(32, 32));
        return label;
    }
    case ControlKind::Bitmap: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setPixmap(BitmapResource(control.text.toInt()));
        return label;
    }
    }
    return new QWidget(parent);
}

bool TakesFocus(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Static:
    case ControlKind::SunkenStatic:
    case ControlKind::GroupBox:
    case ControlKind::Icon:
    case ControlKind::Bitmap:
        return false;
    default:
        return true;
    }
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    // The average character width of the font's letters, as the original
    // platform measures it: the width of A..Z a..z over 26, halved, rounded up.
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = (letters / 26 + 1) / 2;
    baseHeight_ = metrics.height();
}

int DialogUnits::X(int units) const { return MulDiv(units, baseWidth_, 4); }
int DialogUnits::Y(int units) const { return MulDiv(units, baseHeight_, 8); }

QRect DialogUnits::ToPixels(const QRect& units) const
{
    return QRect(X(units.x()), Y(units.y()), X(units.width()), Y(units.height()));
}

QSize DialogUnits::ToPixels(const QSize& units) const
{
    return QSize(X(units.width()), Y(units.height()));
}

QFont TemplateFont(const DialogTemplate& dialogTemplate)
{
    QFont font(dialogTemplate.fontFamily);
    font.setPointSize(dialogTemplate.fontPointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

namespace {

// The dialog's layout holds the client area, and later a menu bar above it.
QWidget* AddClientArea(QDialog* dialog, const DialogTemplate& dialogTemplate, QLayout::SizeConstraint constraint)
{
    dialog->setWindowTitle(dialogTemplate.caption);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(constraint);
    auto* client = new QWidget(dialog);
    BuildControls(client, dialogTemplate);
    layout->addWidget(client);
    return client;
}

} // namespace

void BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate)
{
    AddClientArea(dialog, dialogTemplate, QLayout::SetFixedSize);
}

void BuildResizableDialog(QDialog* dialog, const DialogTemplate& dialogTemplate, std::span<const Anchor> anchors)
{
    QWidget* client = AddClientArea(dialog, dialogTemplate, QLayout::SetDefaultConstraint);
    new ResizeAnchors(client, anchors);
    client->setMinimumSize(client->size());
    client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

QString ControlName(int id)
{
    return QStringLiteral("control%1").arg(id);
}

void BuildControls(QWidget* client, const DialogTemplate& dialogTemplate)
{
    const QFont font = TemplateFont(dialogTemplate);
    client->setFont(font);
    const DialogUnits units(font);
    client->setFixedSize(units.ToPixels(dialogTemplate.dialogUnits));

    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, client);
        widget->setObjectName(ControlName(control.id));
        QRect at = units.ToPixels(control.dialogUnits);
        // A drop-down's template height includes its open list; closed, it
        // is as tall as the widget wants.
        if (control.kind == ControlKind::ComboBox)
            at.setHeight(std::min(at.height(), widget->sizeHint().height()));
        // The templates were laid out for a narrower font than the ones found
        // here; a label grows to the right to show its whole text rather than
        // lose its last letters.
        if (control.kind == ControlKind::Static)
            at.setWidth(std::max(at.width(), widget->sizeHint().width()));
        widget->setGeometry(at);
        widget->setEnabled(!(control.style & kDisabled));
        if (!TakesFocus(control.kind)) {
            widget->setFocusPolicy(Qt::NoFocus);
        } else if (control.style & kTabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        // Frames are drawn first so that the controls inside stay on top.
        if (control.kind == ControlKind::GroupBox)
            widget->lower();
    }
}

} // namespace korvex::res
