// Makes the user guide's pictures: Korvex on the demo images, driven through
// its menus as a user drives it, each window or dialog the guide explains
// captured as drawn. scripts/screenshot.sh runs it into docs/guide/pictures;
// CTest runs it into a scratch folder, so that a change to the window that
// breaks a picture (a menu text renamed, a dialog gone) fails the suite.
//
// Usage: korvex_guide_pictures SOURCE_DIR OUT_DIR

#include "tests/ui/FakePlatform.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

using namespace korvex;
using korvex::testing::FakePlatform;

namespace {

[[noreturn]] void Fail(const QString& why)
{
    std::fprintf(stderr, "korvex_guide_pictures: %s\n", qPrintable(why));
    std::exit(1);
}

class Pictures {
public:
    Pictures(CKorvexDlg& window, FakePlatform& platform, QString source, QString out)
        : window_(window), platform_(platform), source_(std::move(source)), out_(std::move(out))
    {
    }

    QString Sample(const char* name) const { return source_ + QStringLiteral("/samples/") + QLatin1String(name); }

    void Open(const QString& path)
    {
        if (!window_.OpenImageFile(path))
            Fail(QStringLiteral("cannot open ") + path);
    }

    // Chooses the first tree node whose label holds `label`.
    void ChooseNode(const QString& label)
    {
        auto* tree = window_.findChild<QTreeWidget*>();
        const auto found = tree->findItems(label, Qt::MatchContains | Qt::MatchRecursive);
        if (found.isEmpty())
            Fail(QStringLiteral("no tree node ") + label);
        tree->setCurrentItem(found.front());
        QApplication::processEvents();
    }

    // Selects one row of the list, or none.
    void SelectRow(int row)
    {
        auto* list = window_.findChild<QTableView*>();
        list->setFocus();
        list->clearSelection();
        if (row >= 0)
            list->selectRow(row);
        QApplication::processEvents();
    }

    // The menu item at this path of the menu bar (texts without access keys).
    QAction* Item(const QStringList& path)
    {
        QList<QAction*> actions = window_.findChild<QMenuBar*>()->actions();
        QAction* found = nullptr;
        for (const QString& step : path) {
            found = nullptr;
            for (QAction* action : actions)
                if (QString(action->text()).remove(QLatin1Char('&')) == step)
                    found = action;
            if (found == nullptr)
                Fail(QStringLiteral("no menu item ") + path.join(QStringLiteral(" > ")));
            if (found->menu() != nullptr)
                actions = found->menu()->actions();
        }
        return found;
    }

    void Run(const QStringList& path) { Item(path)->trigger(); }

    // Saves the main window as drawn.
    void Window(const char* name)
    {
        QApplication::processEvents();
        Save(window_.grab().toImage(), name);
    }

    // Runs `open`, which shows a modal dialog; `prepare` fills the dialog in
    // as a user would; the dialog is captured as drawn, then cancelled.
    void Dialog(const char* name, const std::function<void()>& open,
                const std::function<void(QDialog&)>& prepare = {})
    {
        bool captured = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || captured)
                return;
            captured = true;
            if (prepare)
                prepare(*dialog);
            QApplication::processEvents();
            Save(dialog->grab().toImage(), name);
            dialog->reject();
        });
        poll.start();
        open();
        poll.stop();
        if (!captured)
            Fail(QStringLiteral("no dialog for ") + QLatin1String(name));
    }

private:
    void Save(const QImage& image, const char* name)
    {
        const QString path = out_ + QLatin1Char('/') + QLatin1String(name);
        if (!image.save(path, "PNG", 9))
            Fail(QStringLiteral("cannot write ") + path);
        std::printf("wrote %s\n", qPrintable(path));
    }

    CKorvexDlg& window_;
    FakePlatform& platform_;
    QString source_;
    QString out_;
};

} // namespace

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3)
        Fail(QStringLiteral("usage: korvex_guide_pictures SOURCE_DIR OUT_DIR"));
    QDir().mkpath(arguments[2]);
    CKorvexDlg window(app.state(), platform);
    window.OnInitDialog();
    window.show();
    Pictures take(window, platform, arguments[1], arguments[2]);

    take.Open(take.Sample("korvex-demo.bin"));
    take.ChooseNode(QStringLiteral("AllPrograms"));
    take.Window("main-window.png");

    take.SelectRow(1);
    take.Dialog("program-editor.png", [&] { window.OnListDblClk(); });

    take.Dialog("clean-up.png", [&] { take.Run({QStringLiteral("Tools"), QStringLiteral("Clean up\u2026")}); });

    take.SelectRow(-1);
    take.Dialog("rename.png", [&] { take.Run({QStringLiteral("Edit"), QStringLiteral("Rename\u2026")}); },
                [](QDialog& dialog) {
                    const auto fields = dialog.findChildren<QLineEdit*>();
                    if (fields.size() < 2)
                        Fail(QStringLiteral("the rename dialog has no find and replace fields"));
                    fields[0]->setText(QStringLiteral("^Rai "));
                    fields[1]->setText(QStringLiteral("RAI "));
                    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
                        if (box->text() == QStringLiteral("Regular expression"))
                            box->setChecked(true);
                });

    // Debian's table of Hot Bird, from dtv-scan-tables.
    take.ChooseNode(QStringLiteral("Hotbird"));
    platform.openAnswers.push_back(QStringLiteral("/usr/share/dvb/dvb-s/Hotbird-13.0E"));
    take.Dialog("update-transponders.png",
                [&] { take.Run({QStringLiteral("Tools"), QStringLiteral("Update transponders\u2026")}); });

    // The demo sorted by name, as a new scan might list it; the demo is the
    // list arranged before.
    take.ChooseNode(QStringLiteral("AllPrograms"));
    take.Run({QStringLiteral("Edit"), QStringLiteral("Sort"), QStringLiteral("By name")});
    platform.openAnswers.push_back(take.Sample("korvex-demo.bin"));
    take.Dialog("apply-earlier-list.png",
                [&] { take.Run({QStringLiteral("Edit"), QStringLiteral("Apply an earlier list\u2026")}); });

    // The sorted demo, one program locked, compared with the demo.
    take.SelectRow(2);
    take.Run({QStringLiteral("Edit"), QStringLiteral("Lock")});
    take.SelectRow(-1);
    platform.openAnswers.push_back(take.Sample("korvex-demo.bin"));
    take.Run({QStringLiteral("File"), QStringLiteral("Compare with\u2026")});
    take.Window("compare.png");
    take.Run({QStringLiteral("File"), QStringLiteral("End comparison")});

    take.Open(take.Sample("korvex-demo-gbk.bin"));
    take.ChooseNode(QStringLiteral("AllPrograms"));
    take.Window("names.png");

    if (!platform.messages.empty())
        Fail(QStringLiteral("Korvex said: ") + platform.messages.front().text);
    return 0;
}
