#include "notescodec.h"

#include "cp1252.h"
#include "notetable.h"

namespace {

const QChar kQuote = u'"';
const QChar kCurrency = QChar(0x00A4);  // ¤ stands for a double quote inside a note
const QChar kTilde = u'~';              // ~ stands for a line break inside a note

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Line breaks of a note text: CR LF, and a lone CR or LF counted as one too.
template <typename Fn>
void forEachLine(QStringView text, Fn &&fn)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineEnd(text[i]))
            continue;
        fn(text.sliced(start, i - start), true);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    fn(text.sliced(start), false);
}

QString encodeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    forEachLine(text, [&](QStringView line, bool broken) {
        out.append(line);
        if (broken)
            out.append(kTilde);
    });
    out.replace(kQuote, kCurrency);
    return out;
}

QString decodeText(QStringView field)
{
    QString out;
    out.reserve(field.size() + 8);
    for (QChar c : field) {
        if (c == kTilde)
            out.append(u"\r\n");
        else if (c == kCurrency)
            out.append(kQuote);
        else
            out.append(c);
    }
    if (!out.contains(u'\r') && !out.contains(u'\n'))
        return out;
    QString norm;
    norm.reserve(out.size());
    forEachLine(out, [&](QStringView line, bool broken) {
        norm.append(line);
        if (broken)
            norm.append(u"\r\n");
    });
    return norm;
}

// A field other than the text must not carry a double quote: it would end the field early.
QString plainField(const QString &cell)
{
    if (!cell.contains(kQuote))
        return cell;
    QString out = cell;
    return out.replace(kQuote, u'\'');
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
            out = m_s.mid(start, m_pos - start);
            out.remove(kQuote);
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
        ++m_pos;  // a lone CR or LF ends the line all the same
        m_exact = false;
        return true;
    }

    const QString &m_s;
    qsizetype m_pos = 0;
    bool m_exact = true;
};

}  // namespace

namespace notescodec {

QByteArray encode(const NoteTable &table)
{
    QString out;
    for (int r = 1; r < table.Rows(); ++r) {
        out.append(kQuote);
        out.append(plainField(table.TextMatrix(r, Col::Stamp)));
        out.append(u"\",\"");
        out.append(encodeText(table.TextMatrix(r, Col::Text)));
        out.append(u"\",\"");
        out.append(plainField(table.TextMatrix(r, Col::Alert)));
        out.append(u"\",\"");
        out.append(plainField(table.TextMatrix(r, Col::Alerted)));
        out.append(u"\"\r\n");
    }
    return cp1252::encode(out);
}

ReadResult decode(QByteArrayView bytes, NoteTable &table)
{
    const QString s = cp1252::decode(bytes);
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

}  // namespace notescodec
