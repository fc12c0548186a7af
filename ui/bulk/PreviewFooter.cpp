#include "ui/bulk/PreviewFooter.h"

#include "ui/shell/HelpWindow.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableView>

#include <algorithm>

namespace korvex {
namespace {

// The sizes the user gave the previews, for the rest of the run.
QHash<QByteArray, QSize>& GivenSizes()
{
    static QHash<QByteArray, QSize> sizes;
    return sizes;
}

class PreviewPlacement final : public QObject {
public:
    PreviewPlacement(QDialog* dialog, const char* key, QSize preferred)
        : QObject(dialog), dialog_(dialog), key_(key), preferred_(preferred)
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != dialog_)
            return false;
        if (event->type() == QEvent::Show)
            Place();
        else if (event->type() == QEvent::Hide && dialog_->size() != placedAt_)
            GivenSizes().insert(key_, dialog_->size());
        return false;
    }

private:
    void Place()
    {
        QWidget* owner = dialog_->parentWidget() ? dialog_->parentWidget()->window() : nullptr;
        QScreen* screen = owner ? owner->screen() : dialog_->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kLargestPreview);
        // The frame the window manager adds, as far as it is known yet.
        const QSize frame = dialog_->frameGeometry().size() - dialog_->geometry().size();
        QSize size = GivenSizes().value(key_, preferred_.boundedTo(kLargestPreview));
        size = size.boundedTo(room.size() - frame).expandedTo(dialog_->minimumSizeHint());
        dialog_->resize(size);
        placedAt_ = dialog_->size();
        const QRect over = owner ? owner->frameGeometry() : room;
        QRect placed(QPoint(0, 0), dialog_->size() + frame);
        placed.moveCenter(over.center());
        // Inside the screen: the top left corner wins over the bottom right,
        // so the title bar can always be reached.
        placed.moveRight(std::min(placed.right(), room.right()));
        placed.moveBottom(std::min(placed.bottom(), room.bottom()));
        placed.moveLeft(std::max(placed.left(), room.left()));
        placed.moveTop(std::max(placed.top(), room.top()));
        dialog_->move(placed.topLeft());
    }

    QDialog* dialog_;
    QByteArray key_;
    QSize preferred_;
    QSize placedAt_;
};

class KeyboardTicks final : public QObject {
public:
    KeyboardTicks(QTableView* view, int column) : QObject(view), view_(view), column_(column)
    {
        view->installEventFilter(this);
        view->setTabKeyNavigation(false);
        view->setFocusPolicy(Qt::StrongFocus);
        // A model planned again is reset: the cursor stays on the row it was
        // on, so that ticking row after row goes on where it was.
        QObject::connect(view->model(), &QAbstractItemModel::modelAboutToBeReset, this,
                         [this] { row_ = std::max(view_->currentIndex().row(), 0); });
        QObject::connect(view->model(), &QAbstractItemModel::modelReset, this, [this] { Start(); });
        QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, this, [this] { Start(); });
        Start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != view_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Space && key->key() != Qt::Key_Select) || key->modifiers() != Qt::NoModifier)
            return false;
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid())
            return false;
        const QModelIndex tick = current.siblingAtColumn(column_);
        const Qt::ItemFlags flags = tick.flags();
        if ((flags & Qt::ItemIsUserCheckable) && (flags & Qt::ItemIsEnabled)) {
            const bool ticked = tick.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            view_->model()->setData(tick, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        return true;
    }

private:
    void Start()
    {
        QAbstractItemModel* model = view_->model();
        if (!model || view_->currentIndex().isValid() || model->rowCount() == 0)
            return;
        const int row = std::min(row_, model->rowCount() - 1);
        view_->selectionModel()->setCurrentIndex(model->index(row, column_), QItemSelectionModel::NoUpdate);
    }

    QTableView* view_;
    int column_;
    int row_ = 0;
};

} // namespace

PreviewFooter AddPreviewFooter(QDialog* dialog, QBoxLayout* layout)
{
    auto* effect = new QLabel(dialog);
    effect->setWordWrap(true);
    effect->setTextFormat(Qt::PlainText);
    layout->addWidget(effect);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    return {effect, ok};
}

void OfferGuidePage(QDialog* dialog, const char* page)
{
    QObject::connect(new QShortcut(QKeySequence::HelpContents, dialog), &QShortcut::activated, dialog,
                     [dialog, page = QString::fromLatin1(page)] {
                         auto* guide = dialog->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
                         if (!guide)
                             guide = new HelpWindow(dialog);
                         guide->ShowPage(page);
                     });
}

void PlacePreview(QDialog* dialog, const char* key, QSize preferred)
{
    new PreviewPlacement(dialog, key, preferred);
}

void TickByKeyboard(QTableView* view, int column)
{
    new KeyboardTicks(view, column);
}

} // namespace korvex
