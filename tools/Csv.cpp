#include "tools/Csv.h"

#include <QStringDecoder>

#include <csv.h>

#include <memory>

namespace korvex::cli {
namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// The RFC keeps every character of a field, spaces included.
int NoSpaces(unsigned char) { return 0; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Collects libcsv's fields and records, and knows the line each record starts
// on. The text is fed one line at a time, so a record can only end at the end
// of a line: the record that is open when a line with text begins starts there.
class Reader {
public:
    Reader()
    {
        csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_space_func(&parser_, NoSpaces);
    }
    ~Reader() { csv_free(&parser_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    CsvText Read(QByteArrayView text)
    {
        qsizetype line = 0;
        qsizetype at = 0;
        while (at < text.size() && result_.error.isEmpty()) {
            const qsizetype end = LineEnd(text, at);
            const QByteArrayView chunk = text.sliced(at, end - at);
            ++line;
            if (!inRecord_ && !IsBlank(chunk)) {
                inRecord_ = true;
                recordLine_ = line;
            }
            line_ = line;
            if (csv_parse(&parser_, chunk.data(), static_cast<std::size_t>(chunk.size()), OnField, OnRecordEnd,
                          this) != static_cast<std::size_t>(chunk.size()) &&
                result_.error.isEmpty())
                Fail(csv_error(&parser_) == CSV_EPARSE
                         ? QStringLiteral("a double quote where the field's quoting does not allow one")
                         : QString::fromLatin1(csv_strerror(csv_error(&parser_))));
            at = end;
        }
        if (result_.error.isEmpty() && csv_fini(&parser_, OnField, OnRecordEnd, this) != 0)
            Fail(QStringLiteral("the text ends inside a quoted field"));
        if (result_.error.isEmpty() && csv_error(&parser_) == CSV_EPARSE)
            Fail(QStringLiteral("the text ends inside a quoted field"));
        return std::move(result_);
    }

private:
    // The end of the line that starts at `at`: behind its LF, CRLF or lone CR.
    static qsizetype LineEnd(QByteArrayView text, qsizetype at)
    {
        for (qsizetype i = at; i < text.size(); ++i) {
            if (text[i] == '\n')
                return i + 1;
            if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
                return i + 1;
        }
        return text.size();
    }

    static bool IsBlank(QByteArrayView chunk)
    {
        for (const char c : chunk)
            if (!IsLineEnd(c))
                return false;
        return true;
    }

    static void OnField(void* bytes, std::size_t length, void* data)
    {
        auto* reader = static_cast<Reader*>(data);
        if (!reader->result_.error.isEmpty())
            return;
        const QByteArrayView utf8(static_cast<const char*>(bytes), bytes ? static_cast<qsizetype>(length) : 0);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString field = decoder(utf8);
        if (decoder.hasError()) {
            reader->Fail(QStringLiteral("the field is not UTF-8 text"));
            return;
        }
        reader->fields_.append(std::move(field));
    }

    static void OnRecordEnd(int, void* data)
    {
        auto* reader = static_cast<Reader*>(data);
        if (!reader->result_.error.isEmpty())
            return;
        reader->result_.records.push_back({reader->recordLine_, std::move(reader->fields_)});
        reader->fields_ = {};
        reader->inRecord_ = false;
    }

    void Fail(const QString& why)
    {
        result_.error = QStringLiteral("line %1, column %2: %3").arg(line_).arg(fields_.size() + 1).arg(why);
    }

    csv_parser parser_{};
    CsvText result_;
    QStringList fields_;
    bool inRecord_ = false;
    qsizetype recordLine_ = 0;
    qsizetype line_ = 0;
};

bool MustBeQuoted(QByteArrayView field)
{
    for (const char c : field)
        if (c == ',' || c == '"' || IsLineEnd(c))
            return true;
    return false;
}

} // namespace

CsvText ReadCsv(QByteArrayView text)
{
    if (text.startsWith(kByteOrderMark))
        text = text.sliced(kByteOrderMark.size());
    return Reader().Read(text);
}

QByteArray CsvRecordText(const QStringList& fields)
{
    QByteArray text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += ',';
        const QByteArray field = fields[i].toUtf8();
        if (!MustBeQuoted(field)) {
            text += field;
            continue;
        }
        const auto length = static_cast<std::size_t>(field.size());
        const std::size_t needed = csv_write(nullptr, 0, field.constData(), length);
        QByteArray quoted(static_cast<qsizetype>(needed), Qt::Uninitialized);
        csv_write(quoted.data(), needed, field.constData(), length);
        text += quoted;
    }
    text += "\r\n";
    return text;
}

} // namespace korvex::cli
