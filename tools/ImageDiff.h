#pragma once
// The difference of two images (db/ImageDifference) written for people
// (aligned text, one change a line, a summary line last) and for scripts
// (JSON). Each name is read in its own image's charset.

#include "codepage/NameCharset.h"
#include "db/ImageDifference.h"

#include <QByteArray>

namespace korvex::cli {

// Both images' name charsets.
struct DiffCharsets {
    const NameCharset& before;
    const NameCharset& after;
};

QByteArray DiffText(const ImageDifference& difference, const DiffCharsets& names);
QByteArray DiffJson(const ImageDifference& difference, const DiffCharsets& names);

} // namespace korvex::cli
