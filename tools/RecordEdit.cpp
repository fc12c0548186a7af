#include "tools/RecordEdit.h"

#include "codepage/Utf16Text.h"

#include <algorithm>
#include <span>

namespace korvex::cli {
namespace {

// One changeable field of a record type. `allowed` holds every bit the field
// can store; a value with any other bit set does not fit. A name field has no
// store function: it is written through NameOf.
template <typename Record>
struct EditableField {
    std::string_view name;
    std::uint32_t allowed = 0;
    void (*store)(Record&, std::uint32_t) = nullptr;

    bool IsName() const { return store == nullptr; }
};

template <typename Record>
using Field = EditableField<Record>;

constexpr std::uint32_t kBits1 = 0x1, kBits2 = 0x3, kBits3 = 0x7, kBits6 = 0x3F;
constexpr std::uint32_t kBits13 = 0x1FFF, kBits14 = 0x3FFF, kBits16 = 0xFFFF;
// The six favourite-group bits 1..6; bits 0 and 7 of favBits are always 0.
constexpr std::uint32_t kFavouriteBits = 0x7E;

// Bit-fields cannot be reached through member pointers, hence one small
// function per field.
constexpr Field<SatRecord> kSatFields[] = {
    {"satName"},
    {"longitude", kBits16, [](SatRecord& r, std::uint32_t v) { r.longitude = static_cast<std::uint16_t>(v); }},
    {"lnbFreLow", kBits16, [](SatRecord& r, std::uint32_t v) { r.lnbFreLow = static_cast<std::uint16_t>(v); }},
    {"lnbFreHigh", kBits16, [](SatRecord& r, std::uint32_t v) { r.lnbFreHigh = static_cast<std::uint16_t>(v); }},
    {"position", kBits6, [](SatRecord& r, std::uint32_t v) { r.position = v & kBits6; }},
    {"lnbType", kBits2, [](SatRecord& r, std::uint32_t v) { r.lnbType = v & kBits2; }},
    {"lnbPower", kBits2, [](SatRecord& r, std::uint32_t v) { r.lnbPower = v & kBits2; }},
    {"diseqc10", kBits3, [](SatRecord& r, std::uint32_t v) { r.diseqc10 = v & kBits3; }},
    {"tone22K", kBits1, [](SatRecord& r, std::uint32_t v) { r.tone22K = v & kBits1; }},
    {"diseqc12En", kBits1, [](SatRecord& r, std::uint32_t v) { r.diseqc12En = v & kBits1; }},
    {"power012V", kBits1, [](SatRecord& r, std::uint32_t v) { r.power012V = v & kBits1; }},
};

constexpr Field<TpRecord> kTpFields[] = {
    {"frequency", kBits14, [](TpRecord& r, std::uint32_t v) { r.frequency = v & kBits14; }},
    {"symbolRate", kBits16, [](TpRecord& r, std::uint32_t v) { r.symbolRate = static_cast<std::uint16_t>(v); }},
    {"polarisation", kBits2, [](TpRecord& r, std::uint32_t v) { r.polarisation = v & kBits2; }},
};

constexpr Field<ProgRecord> kProgFields[] = {
    {"progName"},
    {"videoPid", kBits13, [](ProgRecord& r, std::uint32_t v) { r.videoPid = v & kBits13; }},
    {"audioPid", kBits13, [](ProgRecord& r, std::uint32_t v) { r.audioPid = v & kBits13; }},
    {"pcrPid", kBits13, [](ProgRecord& r, std::uint32_t v) { r.pcrPid = v & kBits13; }},
    {"serviceId", kBits16, [](ProgRecord& r, std::uint32_t v) { r.serviceId = static_cast<std::uint16_t>(v); }},
    {"track", kBits2, [](ProgRecord& r, std::uint32_t v) { r.track = v & kBits2; }},
    {"unlocked", kBits1, [](ProgRecord& r, std::uint32_t v) { r.unlocked = static_cast<std::uint8_t>(v); }},
    {"favBits", kFavouriteBits, [](ProgRecord& r, std::uint32_t v) { r.favBits = static_cast<std::uint8_t>(v); }},
};

// The radio table stores no video PID: the loader reads every radio program's
// videoPid as 0, so a value set here could never be read back.
constexpr std::string_view kRadioWithout = "videoPid";

NameBytes& NameOf(SatRecord& sat) { return sat.satName; }
NameBytes& NameOf(ProgRecord& prog) { return prog.progName; }

template <typename Record>
const Field<Record>* FindField(std::span<const Field<Record>> fields, QStringView name)
{
    const auto it = std::find_if(fields.begin(), fields.end(),
                                 [&](const Field<Record>& f) { return name == QLatin1StringView(f.name); });
    return it == fields.end() ? nullptr : &*it;
}

QString RangeText(std::uint32_t allowed)
{
    if (allowed == kFavouriteBits)
        return QStringLiteral("bits 1 to 6 only: an even number from 0 to 126");
    return QStringLiteral("0 to %1").arg(allowed);
}

const char* KindText(RecordKind kind)
{
    switch (kind) {
    case RecordKind::Satellite: return "a satellite";
    case RecordKind::Transponder: return "a transponder";
    case RecordKind::TvProgram: return "a TV program";
    case RecordKind::RadioProgram: return "a radio program";
    }
    return "";
}

template <typename Record>
QStringList NamesOf(std::span<const Field<Record>> fields, RecordKind kind)
{
    QStringList names;
    for (const Field<Record>& f : fields)
        if (!(kind == RecordKind::RadioProgram && f.name == kRadioWithout))
            names << QLatin1StringView(f.name);
    return names;
}

template <typename Record>
QString ParseEdits(std::span<const Field<Record>> fields, RecordKind kind, const QStringList& assignments,
                   std::vector<FieldEdit>& edits)
{
    const auto quoted = [](const QString& text) { return QLatin1Char('\'') + text + QLatin1Char('\''); };
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return quoted(assignment) + QStringLiteral(": expected FIELD=VALUE");
        const QString name = assignment.left(equals);
        const QString value = assignment.mid(equals + 1);

        const Field<Record>* field = FindField(fields, name);
        if (!field || (kind == RecordKind::RadioProgram && field->name == kRadioWithout))
            return quoted(assignment) + QStringLiteral(": %1 has no field '%2'; its fields are %3")
                                            .arg(QLatin1StringView(KindText(kind)), name,
                                                 NamesOf(fields, kind).join(QStringLiteral(", ")));
        if (std::any_of(edits.begin(), edits.end(), [&](const FieldEdit& e) { return e.field == name; }))
            return quoted(assignment) + QStringLiteral(": '%1' is given more than once").arg(name);

        FieldEdit edit;
        edit.field = name;
        if (field->IsName()) {
            edit.isName = true;
            edit.nameText = value;  // encoded once the image's charset is known
        } else {
            const bool digitsOnly = !value.isEmpty() && std::all_of(value.begin(), value.end(), [](QChar c) {
                return c >= QLatin1Char('0') && c <= QLatin1Char('9');
            });
            if (!digitsOnly)
                return quoted(assignment) + QStringLiteral(": the value is not a number");
            bool inRange = false;
            const qulonglong number = value.toULongLong(&inRange);
            if (!inRange || (number & ~qulonglong{field->allowed}) != 0)
                return quoted(assignment) + QStringLiteral(": the value does not fit the field (%1)")
                                                .arg(RangeText(field->allowed));
            edit.number = static_cast<std::uint32_t>(number);
        }
        edits.push_back(std::move(edit));
    }
    return {};
}

template <typename Record>
void Apply(std::span<const Field<Record>> fields, Record& record, const std::vector<FieldEdit>& edits)
{
    for (const FieldEdit& edit : edits) {
        const Field<Record>* field = FindField(fields, edit.field);
        if (!field)
            continue;
        if constexpr (requires { NameOf(record); }) {
            if (field->IsName()) {
                StoreNameBytes(NameOf(record), edit.nameBytes);
                continue;
            }
        }
        field->store(record, edit.number);
    }
}

} // namespace

QString EncodeNames(std::vector<FieldEdit>& edits, const NameCharset& charset)
{
    for (FieldEdit& edit : edits) {
        if (!edit.isName)
            continue;
        // Whole characters only: one whose bytes would not all fit in the
        // 12-byte field ends the name.
        EncodedName name = charset.Encode(edit.nameText.toStdU16String(), kNameBytes);
        if (!name.unstorable.empty())
            return QStringLiteral("'%1=%2': the name charset %3 cannot store %4")
                .arg(edit.field, edit.nameText, QString::fromStdString(charset.Name()),
                     Utf16Text(name.unstorable));
        edit.nameBytes = std::move(name.bytes);
    }
    return {};
}

QString ParseFieldEdits(RecordKind kind, const QStringList& assignments, std::vector<FieldEdit>& edits)
{
    switch (kind) {
    case RecordKind::Satellite: return ParseEdits<SatRecord>(kSatFields, kind, assignments, edits);
    case RecordKind::Transponder: return ParseEdits<TpRecord>(kTpFields, kind, assignments, edits);
    case RecordKind::TvProgram:
    case RecordKind::RadioProgram: return ParseEdits<ProgRecord>(kProgFields, kind, assignments, edits);
    }
    return {};
}

void ApplyFieldEdits(SatRecord& sat, const std::vector<FieldEdit>& edits) { Apply<SatRecord>(kSatFields, sat, edits); }
void ApplyFieldEdits(TpRecord& tp, const std::vector<FieldEdit>& edits) { Apply<TpRecord>(kTpFields, tp, edits); }
void ApplyFieldEdits(ProgRecord& prog, const std::vector<FieldEdit>& edits) { Apply<ProgRecord>(kProgFields, prog, edits); }

} // namespace korvex::cli
