#include "tests/tools/CliFixtures.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>

namespace korvex::testing {

Finished RunCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KORVEX_CLI_PATH), arguments);
    Finished run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray AsByteArray(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QJsonObject DumpOf(const QString& image)
{
    const Finished run = RunCli({QStringLiteral("dump"), image});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out).object();
}

ImageBuilder SampleImage(int layoutKind)
{
    ImageBuilder builder(layoutKind);
    builder.AddSat({.satId = 1, .longitude = 192, .lnbFreLow = 9750, .lnbFreHigh = 10600, .power012V = 0,
                    .tone22K = 1, .diseqc10 = 2, .diseqc12En = 1, .lnbType = 2, .lnbPower = 1, .position = 5,
                    // Bytes behind the terminating zero belong to no name, but are kept.
                    .satName = {'A', 's', 't', 'r', 'a', 0, 'X', 'Y', 'Z', 0, 0, 0}});
    builder.AddSat({.satId = 2, .longitude = 130, .lnbType = 1, .satName = Name("Hot,\"Bird\"")});
    builder.AddTp({.tpId = 10, .satId = 1, .opaque2 = 2, .frequency = 12000, .polarisation = 1,
                   .symbolRate = 27500});
    builder.AddTp({.tpId = 11, .satId = 2, .frequency = 11000, .symbolRate = 22000});
    // In Movies and News: their bits (1 and 4) are 0.
    builder.AddTv({.satId = 1, .tpId = 10, .serviceId = 100, .pcrPid = 8190, .scramble = 1, .track = 2,
                   .opaque13 = 77, .videoPid = 200, .audioPid = 201, .progName = Name("Das Erste"),
                   .unlocked = 1, .favBits = 0x6C});
    builder.AddTv({.satId = 2, .tpId = 11, .serviceId = 101, .videoPid = 300, .audioPid = 301,
                   .progName = Name("ZDF"), .favBits = 0x7E});
    // The radio table keeps no video PID, but its record bytes may hold one.
    builder.AddRadio({.satId = 2, .tpId = 11, .serviceId = 400, .videoPid = 0x1ABC, .audioPid = 401,
                      .progName = Name("Radio 1"), .unlocked = 1, .favBits = 0x7C});
    return builder;
}

Bytes GbkImage()
{
    ImageBuilder builder(1);
    const auto gbk = [](std::string_view bytes) {
        NameBytes name{};
        std::copy(bytes.begin(), bytes.end(), name.begin());
        return name;
    };
    builder.AddSat({.satId = 1, .lnbType = 2, .satName = gbk("\xD6\xD0\xD0\xC7\xC1\xF9\xBA\xC5")});  // 中星六号
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 3840});
    builder.AddTv({.satId = 1, .tpId = 10, .videoPid = 100,
                   .progName = gbk("\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8")});  // 中央电视台
    builder.AddTv({.satId = 1, .tpId = 10, .videoPid = 101,
                   .progName = gbk("\xBA\xFE\xC4\xCF\xCE\xC0\xCA\xD3")});  // 湖南卫视
    return builder.Build().bytes;
}

// Names a spreadsheet would take for a number, a date, a percentage or a
// formula, and names the CSV must quote; each kept by the box as 12 bytes.
ImageBuilder TrickyImage(int layoutKind)
{
    ImageBuilder builder(layoutKind);
    builder.AddSat({.satId = 1, .satName = Name("Astra")});
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 11000});
    const char* names[] = {"0012", "1E5", "+49", "=1+1", "-5", "@SUM(A1)", "3%", "1/2", "'80s", "", " lead",
                           "trail ", "a,b\"c", "Caf\xC3\xA9", "TWELVE BYTES"};
    std::uint16_t k = 0;
    for (const char* name : names) {
        ProgRecord prog{.satId = 1, .tpId = 10, .serviceId = static_cast<std::uint16_t>(100 + k),
                        .pcrPid = static_cast<std::uint16_t>(k), .scramble = static_cast<std::uint16_t>(k & 1),
                        .track = static_cast<std::uint16_t>(k % 4), .opaque13 = 5, .videoPid = 0,
                        .audioPid = static_cast<std::uint16_t>(200 + k), .progName = Name(name),
                        .unlocked = static_cast<std::uint8_t>(k & 1),
                        .favBits = static_cast<std::uint8_t>((k * 14) & 0x7E)};
        prog.tailWords = {0x01020304u + k, 0xA0B0C0D0u};
        prog.entryWord = (k % 3 == 0) ? 0x80000000u : 0;  // flag bit 7, kept
        builder.AddRadio(prog);
        prog.videoPid = static_cast<std::uint16_t>(300 + k);
        builder.AddTv(prog);
        ++k;
    }
    // Bytes behind the terminating zero are kept as they are.
    builder.AddTv({.satId = 1, .tpId = 10, .videoPid = 9, .progName = {'X', 0, 'y', 'z', 0, 0, 0, 0, 0, 0, 0, 0}});
    return builder;
}

Bytes NotAChannelImage(Bytes bytes)
{
    std::fill_n(bytes.begin(), 8, std::uint8_t{0});
    return bytes;
}

BuiltImage WithTvEntryOutside(BuiltImage built)
{
    const auto count = static_cast<std::uint32_t>(built.recordOffsets[2].size());
    PutHeader(built.bytes, built.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, count + 1);
    PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, count), 0x7F, 0xFFFFF0);
    return built;
}

void ExpectRefused(const Finished& run, int exitCode, std::string_view message)
{
    EXPECT_EQ(run.exitCode, exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.endsWith('\n') && run.err.count('\n') == 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QByteArrayView(message.data(), static_cast<qsizetype>(message.size()))))
        << run.err.toStdString();
}

void CliTest::ExpectRefused(const RefusedRun& run, const std::map<QString, QString>& files) const
{
    QStringList arguments = run.arguments;
    for (QString& argument : arguments)
        for (const auto& [name, path] : files)
            argument.replace(QLatin1Char('{') + name + QLatin1Char('}'), path);
    std::map<QString, QByteArray> before;
    for (const auto& [name, path] : files)
        if (name != u"out")
            before[name] = ReadFile(path);

    testing::ExpectRefused(RunCli(arguments), run.exitCode, run.message);
    if (const auto out = files.find(QStringLiteral("out")); out != files.end()) {
        EXPECT_FALSE(QFile::exists(out->second));
    }
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(ReadFile(files.at(name)), bytes) << name.toStdString() << " changed";
}

QString CliTest::Write(const QString& name, const Bytes& bytes) const
{
    return WriteText(name, AsByteArray(bytes));
}

QString CliTest::WriteText(const QString& name, const QByteArray& text) const
{
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
}

} // namespace korvex::testing
