#pragma once
// The foot every preview dialog shares: a sentence saying what OK will write
// (or why it cannot), then OK and Cancel.

class QBoxLayout;
class QDialog;
class QLabel;
class QPushButton;

namespace korvex {

struct PreviewFooter {
    QLabel* effect;
    QPushButton* ok;
};

// Adds the sentence and the buttons to the dialog's layout; OK accepts the
// dialog, Cancel rejects it.
PreviewFooter AddPreviewFooter(QDialog* dialog, QBoxLayout* layout);

} // namespace korvex
