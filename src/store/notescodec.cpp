#include "notescodec.h"

#include "cp1252.h"
#include "notetable.h"

#include <algorithm>
#include <cstring>

namespace {

const QChar kQuote = u'"';

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The bytes of one cell, at most one per UTF-16 unit: a double quote becomes `quote` and, in a
// note text (`breaks`), each line break becomes "~".
char *putField(char *d, QStringView cell, char quote, bool breaks)
{
    const qsizetype n = cell.size();
    const char16_t *s = cell.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'"') {
            *d++ = quote;
        } else if (breaks && (c == u'\r' || c == u'\n')) {
            *d++ = '~';
            if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n')
                ++i;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            *d++ = cp1252::encodeChar(QChar::surrogateToUcs4(c, s[i + 1]));
            ++i;
        } else {
            *d++ = cp1252::encodeChar(c);
        }
    }
    return d;
}

char *put(char *d, QLatin1StringView text)
{
    std::memcpy(d, text.data(), size_t(text.size()));
    return d + text.size();
}

// A note text as the file holds it back to the table's: "~" is a line break and "¤" a double
// quote; any raw line break (CR LF, lone CR, lone LF) is one CR LF too.
QString decodeText(const QString &field)
{
    const qsizetype n = field.size();
    const char16_t *s = reinterpret_cast<const char16_t *>(field.constData());
    qsizetype breaks = 0;
    bool plain = true;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'~' || c == u'\r' || c == u'\n')
            ++breaks;
        if (c == u'~' || c == 0x00A4 || c == u'\r' || c == u'\n')
            plain = false;
    }
    if (plain)
        return field;
    QString out(n + breaks, Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    char16_t *const begin = d;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'~' || c == u'\r' || c == u'\n') {
            *d++ = u'\r';
            *d++ = u'\n';
            if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n')
                ++i;
        } else {
            *d++ = c == 0x00A4 ? u'"' : c;
        }
    }
    out.truncate(d - begin);
    return out;
}

class Reader {
public:
    explicit Reader(const QString &s) : m_s(s) {}

    bool atEnd() const { return m_pos >= m_s.size(); }
    bool exact() const { return m_exact; }

    // Blank lines and blanks between records carry nothing.
    void skipToRecord()
    {
        const qsizetype from = m_pos;
        while (m_pos < m_s.size() && (isBlank(m_s[m_pos]) || isLineEnd(m_s[m_pos])))
            ++m_pos;
        if (m_pos != from)
            m_exact = false;
    }

    // One field; false when the input ends before the field is complete.
    bool field(QString &out, bool last)
    {
        const qsizetype n = m_s.size();
        const qsizetype blanks = m_pos;
        while (m_pos < n && isBlank(m_s[m_pos]))
            ++m_pos;
        if (m_pos != blanks)
            m_exact = false;
        // A file that ends where a field should begin was cut: an empty fourth field
        // there would turn "1" into "" and raise an alert a second time.
        if (m_pos >= n)
            return false;
        if (m_s[m_pos] == kQuote) {
            const qsizetype close = m_s.indexOf(kQuote, m_pos + 1);
            if (close < 0)
                return false;
            out = m_s.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            const qsizetype after = m_pos;
            while (m_pos < n && m_s[m_pos] != u',' && !isLineEnd(m_s[m_pos]))
                ++m_pos;
            if (m_pos != after)
                m_exact = false;
        } else {
            m_exact = false;
            const qsizetype start = m_pos;
            while (m_pos < n && m_s[m_pos] != u',' && !isLineEnd(m_s[m_pos]))
                ++m_pos;
            out = m_s.mid(start, m_pos - start); // a double quote inside is kept
        }
        return terminator(last);
    }

private:
    bool terminator(bool last)
    {
        const qsizetype n = m_s.size();
        if (m_pos >= n) {
            // Only the record's last field may end with the input.
            m_exact = false;
            return last;
        }
        if (m_s[m_pos] == u',') {
            ++m_pos;
            if (last)
                m_exact = false;
            return true;
        }
        if (m_s[m_pos] == u'\r' && m_pos + 1 < n && m_s[m_pos + 1] == u'\n') {
            m_pos += 2;
            if (!last)
                m_exact = false;
            return true;
        }
        ++m_pos; // a lone CR or LF ends the line all the same
        m_exact = false;
        return true;
    }

    const QString &m_s;
    qsizetype m_pos = 0;
    bool m_exact = true;
};

} // namespace

namespace notescodec {

QByteArray encode(const NoteTable &table)
{
    // Written straight into bytes of the final size: at most one byte per character, plus
    // the quotes, commas and CR LF of each record.
    qsizetype size = 0;
    for (int r = 1; r < table.Rows(); ++r)
        size += 13 + table.TextMatrix(r, Col::Stamp).size() + table.TextMatrix(r, Col::Text).size() +
                table.TextMatrix(r, Col::Alert).size() + table.TextMatrix(r, Col::Alerted).size();
    QByteArray out(size, Qt::Uninitialized);
    char *const begin = out.data();
    char *d = begin;
    for (int r = 1; r < table.Rows(); ++r) {
        // A field other than the text must not carry a double quote: it would end the field early.
        d = put(d, QLatin1StringView("\""));
        d = putField(d, table.TextMatrix(r, Col::Stamp), '\'', false);
        d = put(d, QLatin1StringView("\",\""));
        d = putField(d, table.TextMatrix(r, Col::Text), '\xA4', true);
        d = put(d, QLatin1StringView("\",\""));
        d = putField(d, table.TextMatrix(r, Col::Alert), '\'', false);
        d = put(d, QLatin1StringView("\",\""));
        d = putField(d, table.TextMatrix(r, Col::Alerted), '\'', false);
        d = put(d, QLatin1StringView("\"\r\n"));
    }
    out.truncate(d - begin);
    return out;
}

ReadResult decode(QByteArrayView bytes, NoteTable &table)
{
    const QString s = cp1252::decode(bytes);
    // Each record ends a line: room for them all at once rather than growing row by row.
    table.reserve(table.Rows() + int(std::min<qsizetype>(bytes.count('\n'), 1 << 24)));
    Reader in(s);
    ReadResult result;
    QString f[4];
    for (;;) {
        in.skipToRecord();
        if (in.atEnd())
            break;
        bool complete = true;
        for (int i = 0; i < 4 && complete; ++i)
            complete = in.field(f[i], i == 3);
        if (!complete) {
            result.exact = false;
            result.cut = true;
            break;
        }
        // A raw line break inside a note text is written back as "~".
        if (f[1].contains(u'\r') || f[1].contains(u'\n'))
            result.exact = false;
        ++result.records;
        if (result.records != 1)
            table.AddItem();
        const int row = result.records;
        table.setTextMatrix(row, Col::Stamp, f[0]);
        table.setTextMatrix(row, Col::Text, decodeText(f[1]));
        table.setTextMatrix(row, Col::Alert, f[2]);
        table.setTextMatrix(row, Col::Slot, QString());
        table.setTextMatrix(row, Col::Alerted, f[3]);
    }
    // With no record the table keeps its placeholder row, which is written as a record.
    result.exact = result.exact && in.exact() && result.records > 0;
    return result;
}

} // namespace notescodec
