#include "ui/shell/HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QKeySequence>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace korvex {

namespace {

QUrl PageUrl(const QString& page) { return QUrl(QStringLiteral("qrc:/guide/") + page); }

} // namespace

QString GuidePageFor(bool imageOpen, bool comparing, bool listsPrograms)
{
    if (comparing)
        return QStringLiteral("comparing.md");
    if (!imageOpen)
        return QStringLiteral("opening-and-saving.md");
    return listsPrograms ? QStringLiteral("arranging.md") : QStringLiteral("editing.md");
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), browser_(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Korvex user guide"));
    // The pages link to each other by relative paths; the browser resolves
    // them, and the pictures they show, against the page it shows.
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);

    auto* bar = new QToolBar(this);
    QAction* back = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    QAction* forward = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    bar->addAction(QStringLiteral("Contents"), this, [this] { browser_->setSource(PageUrl(kGuideContents)); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { FitPictures(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser_);
    resize(900, 680);
}

void HelpWindow::ShowPage(const QString& page)
{
    // Shown first, so that the page's pictures fit the width it is given.
    show();
    browser_->setSource(PageUrl(page), QTextDocument::MarkdownResource);
    raise();
    activateWindow();
}

void HelpWindow::FitPictures()
{
    QTextDocument* document = browser_->document();
    const qreal room = browser_->viewport()->width() - 2 * document->documentMargin();
    const QUrl base = browser_->source();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            const QVariant loaded =
                document->resource(QTextDocument::ImageResource, base.resolved(QUrl(picture.name())));
            const QSize size = loaded.canConvert<QImage>() ? loaded.value<QImage>().size() : loaded.value<QPixmap>().size();
            if (size.isEmpty() || size.width() <= room)
                continue;
            picture.setWidth(room);
            picture.setHeight(room * size.height() / size.width());
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
}

QString HelpWindow::Page() const { return QFileInfo(browser_->source().path()).fileName(); }

} // namespace korvex
