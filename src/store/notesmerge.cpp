#include "notesmerge.h"

#include "notescodec.h"
#include "notetable.h"

#include <QHash>

namespace notesmerge {

namespace {

enum class Fate { Same, Changed, Removed };

// How each base record fares on one side: which record of that side it is, and whether that one
// is the same, changed, or there is none. Records of the side left unpaired were added there.
struct Pairing {
    QList<int> side; // per base record: its index on the side, or -1
    QList<Fate> fate;
    QList<int> base; // per side record: the base record it is, or -1
};

// Pairs, in file order, the records of `from` and `to` that `keyOf` says are one note and
// that are still free; a record that `named` refuses pairs with none this way.
template <typename KeyOf, typename Named>
void pairBy(const QList<Record> &from, const QList<Record> &to, Pairing &p, KeyOf keyOf, Named named)
{
    using Key = std::decay_t<decltype(keyOf(to[0]))>;
    QHash<Key, QList<int>> waiting; // free records of `to` by key, in order
    waiting.reserve(to.size());
    for (int i = int(to.size()) - 1; i >= 0; --i)
        if (p.base[i] < 0)
            if (named(to[i]))
                waiting[keyOf(to[i])].append(i);
    for (int b = 0; b < from.size(); ++b) {
        if (p.side[b] >= 0)
            continue;
        auto found = named(from[b]) ? waiting.find(keyOf(from[b])) : waiting.end();
        if (found == waiting.end() || found->isEmpty())
            continue;
        const int s = found->takeLast();
        p.side[b] = s;
        p.base[s] = b;
        p.fate[b] = from[b] == to[s] ? Fate::Same : Fate::Changed;
    }
}

Pairing pair(const QList<Record> &base, const QList<Record> &side)
{
    Pairing p{QList<int>(base.size(), -1), QList<Fate>(base.size(), Fate::Removed),
              QList<int>(side.size(), -1)};
    pairBy(
        base, side, p, [](const Record &r) -> const Record & { return r; },
        [](const Record &) { return true; });
    // A creation stamp names a note; a note with none (a blank row kept) is known by content only.
    pairBy(
        base, side, p, [](const Record &r) -> const QString & { return r[0]; },
        [](const Record &r) { return !r[0].isEmpty(); });
    return p;
}

// The base as the other side is known to have had it: a record written here that theirs holds
// was seen there, in place of the base's version of that note (same stamp) or beside them.
QList<Record> knownBase(const QList<Record> &base, const QList<Record> &theirs, const QSet<Record> &own)
{
    QList<int> seen;
    for (int i = 0; i < theirs.size(); ++i)
        if (own.contains(theirs[i]))
            seen.append(i);
    if (seen.isEmpty())
        return base;
    const QSet<Record> inBase(base.cbegin(), base.cend());
    QHash<QString, int> byStamp; // the first base record of each stamp
    for (int b = 0; b < base.size(); ++b)
        if (!base[b][0].isEmpty() && !byStamp.contains(base[b][0]))
            byStamp.insert(base[b][0], b);
    QList<Record> known = base;
    for (int i : seen) {
        const Record &r = theirs[i];
        if (inBase.contains(r))
            continue;
        if (const auto at = byStamp.find(r[0]); !r[0].isEmpty() && at != byStamp.end()) {
            known[*at] = r;
            byStamp.erase(at); // each base record stands for one note only
        } else {
            known.append(r);
        }
    }
    return known;
}

// The merged list in theirs's order, when it holds exactly theirs's records.
bool takeTheirsOrder(Result &result, const QList<Record> &ours, const QList<Record> &theirs)
{
    if (result.entries.size() != theirs.size())
        return false;
    QHash<Record, QList<int>> byRecord; // merged entries by record, in order
    byRecord.reserve(result.entries.size());
    for (int i = int(result.entries.size()) - 1; i >= 0; --i) {
        const Entry &e = result.entries[i];
        byRecord[e.content ? *e.content : ours[e.ours]].append(i);
    }
    QList<Entry> ordered;
    ordered.reserve(result.entries.size());
    for (const Record &r : theirs) {
        auto found = byRecord.find(r);
        if (found == byRecord.end() || found->isEmpty())
            return false;
        ordered.append(result.entries[found->takeLast()]);
    }
    result.entries = std::move(ordered);
    result.asTheirs = true;
    return true;
}

} // namespace

Result merge(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs,
             const Known &known)
{
    const QList<Record> baseKnown = knownBase(base, theirs, known.own);
    const Pairing o = pair(baseKnown, ours), t = pair(baseKnown, theirs);
    auto keep = [&](int oi) { return oi < known.keep.size() && known.keep[oi]; };
    Result result;
    // Ours gives the order; theirs's own notes go after the note they follow in theirs.
    QList<QList<Entry>> after(ours.size() + 1); // [0]: before every note of ours
    QList<int> anchor(theirs.size(), -1);       // theirs record -> the group it is in
    QHash<Record, QList<int>> oursAdded;        // added here, to meet the same added there
    for (int i = int(ours.size()) - 1; i >= 0; --i)
        if (o.base[i] < 0)
            oursAdded[ours[i]].append(i);
    QList<bool> kept(ours.size(), true);
    for (int b = 0; b < baseKnown.size(); ++b) {
        const int oi = o.side[b], ti = t.side[b];
        const Fate of = o.fate[b], tf = t.fate[b];
        if (oi >= 0) {
            if (ti >= 0)
                anchor[ti] = oi + 1;
            if (tf == Fate::Removed && of == Fate::Same && !keep(oi))
                kept[oi] = false;
            else if (tf == Fate::Removed && of == Fate::Changed)
                ++result.conflicts; // changed here, removed there: kept
            else if (tf == Fate::Changed && of == Fate::Changed && ours[oi] != theirs[ti]) {
                ++result.conflicts; // both versions, ours first
                after[oi + 1].append(Entry{-1, theirs[ti]});
            }
        } else if (tf == Fate::Changed) {
            ++result.conflicts; // removed here, changed there: theirs's version kept
            anchor[ti] = -2;    // placed as a note of theirs alone
        }
    }
    int group = 0;
    for (int ti = 0; ti < theirs.size(); ++ti) {
        if (anchor[ti] > 0) {
            group = anchor[ti];
            continue;
        }
        if (t.base[ti] >= 0 && anchor[ti] != -2)
            continue; // a note removed here, unchanged there
        if (t.base[ti] < 0) {
            // Added on both sides alike: one note.
            auto same = oursAdded.find(theirs[ti]);
            if (same != oursAdded.end() && !same->isEmpty()) {
                group = same->takeLast() + 1;
                continue;
            }
        }
        after[group].append(Entry{-1, theirs[ti]});
    }
    result.entries = after[0];
    for (int oi = 0; oi < ours.size(); ++oi) {
        if (kept[oi]) {
            const int b = o.base[oi];
            const bool taken = b >= 0 && o.fate[b] == Fate::Same && t.fate[b] == Fate::Changed;
            result.entries.append(Entry{oi, taken ? std::optional<Record>(theirs[t.side[b]]) : std::nullopt});
        }
        result.entries.append(after[oi + 1]);
    }
    if (known.takeOrder)
        takeTheirsOrder(result, ours, theirs);
    return result;
}

Result addUnknown(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs,
                  const QSet<Record> &own)
{
    // Merged over a base of theirs's records that are known here, theirs removes nothing and
    // changes nothing: what it adds is what is unknown.
    const QSet<Record> inBase(base.cbegin(), base.cend());
    QSet<Record> known = own;
    known.unite(inBase);
    QSet<QString> stamps;
    for (const Record &r : ours) {
        known.insert(r);
        stamps.insert(r[0]);
    }
    QList<Record> seen, rest, beside;
    for (const Record &r : theirs) {
        const bool isKnown = known.contains(r);
        if (isKnown)
            seen.append(r);
        if (!isKnown && !r[0].isEmpty() && stamps.contains(r[0]))
            beside.append(r); // another version of a note of ours
        else
            rest.append(r);
    }
    Result result = merge(seen, ours, rest, Known{{}, {}, false});
    QList<Entry> &entries = result.entries;
    for (const Record &r : std::as_const(beside)) {
        auto ofStamp = [&](qsizetype i, bool fromOurs) {
            const Entry &e = entries[i];
            return (e.ours >= 0) == fromOurs && (e.content ? *e.content : ours[e.ours])[0] == r[0];
        };
        qsizetype at = 0;
        while (at < entries.size() && !ofStamp(at, true))
            ++at;
        // Unchanged here since the base: the other side's change, taken. Changed here too: both
        // versions, ours first.
        if (at < entries.size() && !entries[at].content && inBase.contains(ours[entries[at].ours])) {
            entries[at].content = r;
            continue;
        }
        ++result.conflicts;
        if (at < entries.size())
            for (++at; at < entries.size() && ofStamp(at, false);)
                ++at;
        entries.insert(at, Entry{-1, r});
    }
    return result;
}

QList<Record> records(QByteArrayView bytes, bool *cut)
{
    NoteTable table;
    table.setUp();
    const notescodec::ReadResult read = notescodec::decode(bytes, table);
    if (cut)
        *cut = read.cut;
    return records(table);
}

QList<Record> records(const QList<NoteTable::Row5> &rows)
{
    QList<Record> list;
    list.reserve(rows.size() - 1);
    for (qsizetype r = 1; r < rows.size(); ++r)
        list.append(
            Record{rows[r][Col::Stamp], rows[r][Col::Text], rows[r][Col::Alert], rows[r][Col::Alerted]});
    // One blank record is what an empty list is written as: no note.
    if (list.size() == 1 && list[0] == Record{})
        list.clear();
    return list;
}

} // namespace notesmerge
