#pragma once
// What the korvex-cli tests share: running the tool as a separate process the
// way a user's script runs it, small images from the image builder, a
// temporary folder for the files a test writes, and the check of a run the
// tool must refuse.

#include "tests/support/ImageBuilder.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <ostream>
#include <string_view>

#include <gtest/gtest.h>

namespace korvex::testing {

struct Finished {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs korvex-cli under a UTF-8 locale, so that names with multibyte
// characters are converted the same way wherever the tests run.
Finished RunCli(const QStringList& arguments);

QByteArray ReadFile(const QString& path);
QByteArray AsByteArray(const Bytes& bytes);

// The JSON dump of an image; the run must succeed.
QJsonObject DumpOf(const QString& image);

// Two satellites, two transponders, two TV programs and one radio program
// that all refer to each other: an image with nothing to find fault with.
ImageBuilder SampleImage(int layoutKind = 2);

// Fifteen programs in each table whose names a spreadsheet would take for a
// number, a date, a percentage or a formula, or that CSV must quote, with
// every field and flag varied; and a sixteenth TV program whose name bytes
// go on behind its end.
ImageBuilder TrickyImage(int layoutKind);

// Chinese names as a box of that region stores them, in GBK.
Bytes GbkImage();

// The bytes with the signature cleared: a file that is no channel image.
Bytes NotAChannelImage(Bytes bytes);

// The image with one more TV entry, pointing past the end of any image: the
// entry cannot be loaded, so the TV table cannot be arranged.
BuiltImage WithTvEntryOutside(BuiltImage built);

// A run the tool must refuse: it exits with the code, prints nothing on
// standard output and one line on standard error, and writes nothing.
struct RefusedRun {
    const char* description;
    QStringList arguments;  // "{name}" stands for the file the test names `name`
    int exitCode;
    const char* message;    // a part of the one line on standard error

    friend void PrintTo(const RefusedRun& run, std::ostream* os) { *os << run.description; }
};

// The exit code, nothing on standard output, and one line on standard error
// that holds the message.
void ExpectRefused(const Finished& run, int exitCode, std::string_view message);

class CliTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const Bytes& bytes) const;
    QString WriteText(const QString& name, const QByteArray& text) const;

    // Runs `run` with each "{name}" replaced by files[name], and expects it
    // refused: besides ExpectRefused, no files["out"] is created and every
    // other file named is left as it was.
    void ExpectRefused(const RefusedRun& run, const std::map<QString, QString>& files) const;

    QTemporaryDir dir_;
};

} // namespace korvex::testing
