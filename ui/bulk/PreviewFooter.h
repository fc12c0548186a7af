#pragma once
// What every preview dialog shares: the foot (a sentence saying what OK will
// write, or why it cannot, then OK and Cancel, OK the default button), where
// the dialog opens and at what size, and tick boxes in a list that the
// keyboard reaches and toggles.

#include <QSize>

class QBoxLayout;
class QDialog;
class QLabel;
class QPushButton;
class QTableView;

namespace korvex {

struct PreviewFooter {
    QLabel* effect;
    QPushButton* ok;
};

// Adds the sentence and the buttons to the dialog's layout; OK accepts the
// dialog, Cancel rejects it, and Enter means OK.
PreviewFooter AddPreviewFooter(QDialog* dialog, QBoxLayout* layout);

// The largest size a preview opens at, so that it fits a 1024x700 screen
// with its frame and a panel: smaller still when the screen is.
inline constexpr QSize kLargestPreview{1000, 640};

// Each time it is shown, the dialog opens centred over its owner's window and
// inside the screen, at `preferred` (at most kLargestPreview); once the user
// has given it another size, at that size for the rest of the run. `key`
// names the dialog among the previews.
void PlacePreview(QDialog* dialog, const char* key, QSize preferred);

// F1 in the dialog opens the user guide at `page` (a file name of the guide,
// "cleaning-up.md") in a guide window of the dialog's own: the preview is
// modal, and would leave a guide window of the main window out of reach. It
// closes with the dialog.
void OfferGuidePage(QDialog* dialog, const char* page);

// The tick boxes in `column` of the view: arrows move between the rows and
// Space toggles the tick of the row the cursor is on, whichever cell of it
// is current; Tab leaves the list rather than walking its cells. The cursor
// starts on the first row.
void TickByKeyboard(QTableView* view, int column);

} // namespace korvex
