#pragma once
// What the korvex-cli tests share: running the tool as a separate process the
// way a user's script runs it, small images from the image builder, and a
// temporary folder for the files a test writes.

#include "tests/support/ImageBuilder.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

class CliTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const Bytes& bytes) const;
    QString WriteText(const QString& name, const QByteArray& text) const;

    QTemporaryDir dir_;
};

} // namespace korvex::testing
