#pragma once
// Tools → "Update transponders…": the transponders of the satellite chosen in
// the tree brought up to date from a published scan table (a dvbv5 file, as
// /usr/share/dvb/dvb-s/ holds them, or a satellites.xml file), after a
// preview, as one step of the history.

#include <QString>

#include <cstdint>
#include <vector>

class QWidget;

namespace korvex {

class HistoryStep;
class OpenImage;
class Platform;
class ProgramState;
struct ScanTableSatellite;
struct ScanTable;
struct TransponderChange;

// Where Debian's dtv-scan-tables installs the tables of satellites.
inline const QString kScanTableFolder = QStringLiteral("/usr/share/dvb/dvb-s");
inline const QString kScanTableFilter =
    QStringLiteral("Scan tables|*.*|satellites.xml|*.xml||");

class TransponderUpdateCommand {
public:
    TransponderUpdateCommand(ProgramState& state, Platform& platform, OpenImage& document, HistoryStep& step,
                             QWidget* window);

    // Asks for the table (and, in a satellites.xml of several satellites,
    // which one), previews, and writes what is ticked on OK.
    void Run(std::uint16_t satIndex);
    // Writes these changes, made for the open image, as one history step;
    // the status line says how it went.
    void Apply(const std::vector<TransponderChange>& changes, std::uint16_t satIndex);

private:
    // The satellite of the table to use: the only one, or the one the user
    // picks (the one at the satellite's longitude offered first).
    const ScanTableSatellite* ChooseSatellite(const ScanTable& table, const QString& fileName,
                                              std::uint16_t longitude);

    ProgramState& state_;
    Platform& platform_;
    OpenImage& document_;
    HistoryStep& step_;
    QWidget* window_;
};

} // namespace korvex
