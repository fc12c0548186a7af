#pragma once
// Writing new names into many program records as one change of the image.
//
// A name is 12 bytes of the record (bytes 14..25): the name itself, then one
// zero byte when it is shorter; the bytes behind that zero are left as the box
// keeps them (StoreNameBytes). Renaming writes those 12 bytes and nothing
// else: no other record byte, no directory entry. Encoding the names is the
// caller's work (the charset is not known here): each new name arrives as the
// bytes to store.
//
// Every record is asked of the write guard first; one that may not be written
// refuses the whole change with its reason, and nothing is written. The names
// are then written in one guarded write, so that the guard checks the image
// once, whatever the number of programs.

#include "db/Arrange.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <span>
#include <string>

namespace korvex {

// The new name of one program: the bytes to store, at most 12.
struct ProgramRename {
    ProgramEntry program;
    std::string name;
};

// Why a rename names no program, or names one too long, for people.
inline constexpr std::string_view kNoSuchProgramText = "There is no such program to rename.";
inline constexpr std::string_view kNameTooLongText = "A new name takes more than 12 bytes.";
inline constexpr std::string_view kOneRecordTwoNamesText =
    "Two programs renamed differently are one record; a record takes one name.";

// The held program of an entry, or nothing when that entry was not held.
const ProgRecord* HeldProgram(const ChannelDatabase& db, const ProgramEntry& entry);

// Writes each program's new name into its record. Refused, writing nothing,
// when any program is read-only, is not held, or has a name over 12 bytes.
ChangeOutcome RenamePrograms(FlashImage& image, const ChannelDatabase& db, std::span<const ProgramRename> renames);

} // namespace korvex
