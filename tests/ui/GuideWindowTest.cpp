// The user guide inside Korvex: Help → "user guide" and F1 open it beside the
// window, at the page for what the window shows; every page opens, every
// link between pages leads to a page and every picture is there; and every
// menu path the guide or the README names in bold (**Tools → Clean up…**)
// is a menu path of the window, with that text.

#include "tests/ui/FakePlatform.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/shell/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

#include <memory>

using namespace korvex;
using korvex::testing::FakePlatform;

namespace {

QStringList GuidePages() { return QDir(QStringLiteral(":/guide")).entryList({QStringLiteral("*.md")}, QDir::Files); }

// A menu text as the user reads it: without the access key's marker.
QString Shown(const QString& text) { return QString(text).remove(QLatin1Char('&')); }

// The action of `actions` whose text reads `text`.
QAction* ActionNamed(const QList<QAction*>& actions, const QString& text)
{
    for (QAction* action : actions)
        if (!action->isSeparator() && Shown(action->text()) == text)
            return action;
    return nullptr;
}

} // namespace

class GuideWindowTest : public QObject {
    Q_OBJECT
public:
    GuideWindowTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void theMenuOpensTheContentsBesideTheWindow();
    void f1OpensThePageForWhatTheWindowShows();
    void everyPageOpensAndEveryLinkAndPictureIsThere();
    void linksLeadToTheirPageAndBackReturns();
    void everyMenuPathNamedIsInTheMenus();

private:
    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
};

void GuideWindowTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    app_.state().database() = *std::make_unique<ChannelDatabase>();
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
}

void GuideWindowTest::cleanup()
{
    platform_.yesNoAnswers.push_back(true);
    dlg_.reset();
}

void GuideWindowTest::theMenuOpensTheContentsBesideTheWindow()
{
    QMenuBar* bar = dlg_->findChild<QMenuBar*>();
    QAction* help = ActionNamed(bar->actions(), QStringLiteral("Help"));
    QVERIFY(help != nullptr);
    QAction* guide = ActionNamed(help->menu()->actions(), QStringLiteral("user guide"));
    QVERIFY(guide != nullptr);
    guide->trigger();

    HelpWindow* window = dlg_->Help();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Page(), QStringLiteral("index.md"));
    QVERIFY(window->Browser()->toPlainText().contains(QStringLiteral("Korvex user guide")));
    // Not modal: the main window goes on taking commands beside it.
    QVERIFY(!window->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window->isWindow());
}

void GuideWindowTest::f1OpensThePageForWhatTheWindowShows()
{
    QTest::keyClick(dlg_.get(), Qt::Key_F1);
    QVERIFY(dlg_->Help() != nullptr);
    QCOMPARE(dlg_->Help()->Page(), QStringLiteral("opening-and-saving.md"));

    // The pages the window's states lead to: each exists.
    struct Case {
        bool open, comparing, programs;
        const char* page;
    };
    for (const Case& c : {Case{false, false, false, "opening-and-saving.md"}, Case{true, true, true, "comparing.md"},
                          Case{true, false, true, "arranging.md"}, Case{true, false, false, "editing.md"}}) {
        const QString page = GuidePageFor(c.open, c.comparing, c.programs);
        QCOMPARE(page, QString::fromLatin1(c.page));
        QVERIFY2(QFile::exists(QStringLiteral(":/guide/") + page), qPrintable(page));
    }
}

void GuideWindowTest::everyPageOpensAndEveryLinkAndPictureIsThere()
{
    const QStringList pages = GuidePages();
    QVERIFY(pages.contains(QStringLiteral("index.md")));
    HelpWindow window(dlg_.get());
    for (const QString& page : pages) {
        window.ShowPage(page);
        QCOMPARE(window.Page(), page);
        QTextDocument* document = window.Browser()->document();
        QVERIFY2(!document->toPlainText().trimmed().isEmpty(), qPrintable(page));
        const QUrl base = window.Browser()->source();
        int pictures = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (format.isImageFormat()) {
                    const QUrl picture = base.resolved(QUrl(format.toImageFormat().name()));
                    QVERIFY2(QFile::exists(QLatin1Char(':') + picture.path()),
                             qPrintable(page + QStringLiteral(": ") + picture.toString()));
                    ++pictures;
                }
                if (format.isAnchor() && !format.anchorHref().isEmpty()) {
                    const QUrl link = base.resolved(QUrl(format.anchorHref()));
                    if (link.scheme() != QStringLiteral("qrc"))
                        continue;  // a page of the web, opened by the desktop's browser
                    QVERIFY2(link.path().endsWith(QStringLiteral(".md")) && QFile::exists(QLatin1Char(':') + link.path()),
                             qPrintable(page + QStringLiteral(": ") + link.toString()));
                }
            }
        }
        // Every page but the command line's shows the window it explains.
        if (page != QStringLiteral("command-line.md"))
            QVERIFY2(pictures > 0, qPrintable(page));
    }
}

void GuideWindowTest::linksLeadToTheirPageAndBackReturns()
{
    dlg_->OnHelpUserGuide();
    QTextBrowser* browser = dlg_->Help()->Browser();
    // As a click on the link does: the link resolved against the page shown.
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("cleaning-up.md"))));
    QCOMPARE(dlg_->Help()->Page(), QStringLiteral("cleaning-up.md"));
    QVERIFY(browser->toPlainText().startsWith(QStringLiteral("Cleaning up")));
    QVERIFY(browser->isBackwardAvailable());
    browser->backward();
    QCOMPARE(dlg_->Help()->Page(), QStringLiteral("index.md"));
    QVERIFY(browser->isForwardAvailable());
}

void GuideWindowTest::everyMenuPathNamedIsInTheMenus()
{
    const QString source = QStringLiteral(KORVEX_SOURCE_DIR);
    QStringList files{source + QStringLiteral("/README.md")};
    for (const QString& page : GuidePages())
        files << source + QStringLiteral("/docs/guide/") + page;

    // **Menu → Item** and **Menu → Submenu → Item**, as the guide writes them.
    const QRegularExpression path(QStringLiteral("\\*\\*([^*\\n]+?(?: \u2192 [^*\\n]+?)+)\\*\\*"));
    QMenuBar* bar = dlg_->findChild<QMenuBar*>();
    int paths = 0;
    for (const QString& name : files) {
        QFile file(name);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = path.globalMatch(text); match.hasNext();) {
            const QString named = match.next().captured(1);
            const QStringList steps = named.split(QStringLiteral(" \u2192 "));
            QList<QAction*> actions = bar->actions();
            QAction* action = nullptr;
            for (const QString& step : steps) {
                action = ActionNamed(actions, step);
                QVERIFY2(action != nullptr, qPrintable(name + QStringLiteral(": no menu item for ") + named));
                if (action->menu() != nullptr)
                    actions = action->menu()->actions();
                else
                    actions.clear();
            }
            ++paths;
        }
    }
    QVERIFY(paths > 10);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    GuideWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "GuideWindowTest.moc"
