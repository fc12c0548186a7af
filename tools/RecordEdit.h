#pragma once
// FIELD=VALUE changes to one satellite, transponder or program record, for
// the fields the editors change. Values are checked against the width of
// their field before anything is changed: a value that does not fit is
// refused, never wrapped.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::cli {

enum class RecordKind { Satellite, Transponder, TvProgram, RadioProgram };

struct FieldEdit {
    QString field;
    std::uint32_t number = 0;  // for a number field
    bool isName = false;
    QString nameText;          // for a name field: the name as given
    std::string nameBytes;     // for a name field: the name in the image's charset, at most 12 bytes
};

// Reads the assignments for a record kind into edits. Returns an empty string,
// or one line naming the argument and what is wrong with it.
QString ParseFieldEdits(RecordKind kind, const QStringList& assignments,
                        std::vector<FieldEdit>& edits);

// Encodes every name of edits into the image's name charset: at most 12
// bytes, whole characters only. Returns an empty string, or one line naming
// the argument and the characters the charset cannot store.
QString EncodeNames(std::vector<FieldEdit>& edits, const NameCharset& charset);

void ApplyFieldEdits(SatRecord& sat, const std::vector<FieldEdit>& edits);
void ApplyFieldEdits(TpRecord& tp, const std::vector<FieldEdit>& edits);
void ApplyFieldEdits(ProgRecord& prog, const std::vector<FieldEdit>& edits);

} // namespace korvex::cli
