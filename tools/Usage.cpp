// The text of korvex-cli --help.

#include "tools/CliSupport.h"
#include "tools/Commands.h"

namespace korvex::cli {
namespace {

constexpr QLatin1StringView kUsage(
    "Usage:\n"
    "  korvex-cli info IMAGE [--charset NAME]\n"
    "  korvex-cli dump IMAGE [--charset NAME]\n"
    "  korvex-cli dump --csv sats|tps|tv|radio IMAGE [--charset NAME]\n"
    "  korvex-cli check IMAGE [--charset NAME]\n"
    "  korvex-cli set IMAGE --out FILE (--sat N | --tp N | --tv N | --radio N) FIELD=VALUE...\n"
    "                 [--charset NAME]\n"
    "\n"
    "Inspects, exports, checks and edits the channel list in a set-top box flash image.\n"
    "\n"
    "  info   layout, flash size, directory start and the number of records of each table\n"
    "  dump   the decoded database as JSON, or one table as CSV\n"
    "  check  what is wrong in the image, one finding a line\n"
    "  set    changes one record (N is its index in sats, tps, tvProgs or radioProgs)\n"
    "         and writes the image to FILE, which may be IMAGE itself\n"
    "\n"
    "Fields for set:\n"
    "  --sat    satName, longitude, lnbFreLow, lnbFreHigh, position, lnbType, lnbPower,\n"
    "           diseqc10, tone22K, diseqc12En, power012V\n"
    "  --tp     frequency, symbolRate, polarisation\n"
    "  --tv     progName, videoPid, audioPid, pcrPid, serviceId, track, unlocked, favBits\n"
    "  --radio  the same but videoPid, which the radio table does not keep\n"
    "Numbers are decimal and must fit their field; a name takes at most 12 bytes.\n"
    "\n"
    "Names are read and written in the image's name charset: --charset NAME, as\n"
    "iconv knows it (GBK, Big5, WINDOWS-1251, ISO-8859-1, UTF-8, ...); without it,\n"
    "the locale's charset, or under a UTF-8 locale the charset detected from the\n"
    "image's names when they are not UTF-8. info shows which and how it was chosen.\n"
    "\n"
    "Exit status: 0 done, 1 the image is not a channel image, 2 an error in the\n"
    "arguments, a file, a field or a value, 3 check found something wrong.\n");

} // namespace

CliResult Usage() { return Output(QByteArray(kUsage.data(), kUsage.size())); }

} // namespace korvex::cli
