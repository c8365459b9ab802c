#include "statement_pdf/glyph_clusters.h"

#include <QHash>
#include <QSet>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace StubPDF {

namespace {

// A character the shaper draws as one glyph of its own, in the order of the text:
// no mark, no pair of surrogates, no script whose shaping reorders or joins.
bool standsAlone(QChar c) {
    if (c.isSurrogate() || c.isMark()) return false;
    switch (c.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return c.direction() != QChar::DirR && c.direction() != QChar::DirAL;
    case QChar::Script_Hangul: // syllables; jamo join
        return c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3;
    default:
        return false;
    }
}

// A glyph of the line told apart from every other: its index and where it stands.
QByteArray glyphKey(quint32 glyph, QPointF at) {
    return QByteArray::number(glyph) + ':' + QByteArray::number(std::llround(at.x() * 16)) + ':' +
           QByteArray::number(std::llround(at.y() * 16));
}

// What a reader should hear of characters that have no glyph: a space the line broke
// at, not the line break itself (the next line says that).
QString undrawn(QStringView text) {
    QString said;
    for (QChar c : text)
        if (c != QChar::LineSeparator) said.append(c);
    return said;
}

} // namespace

QList<QList<GlyphCluster>> glyphClusters(const QTextLine &line, const QList<QGlyphRun> &runs,
                                         const QString &text) {
    const qsizetype start = line.textStart();
    const QStringView shown = QStringView(text).mid(start, line.textLength());
    qsizetype glyphCount = 0;
    for (const QGlyphRun &run : runs)
        glyphCount += run.glyphIndexes().size();
    qsizetype trailing = 0;
    while (trailing < shown.size() && shown[shown.size() - 1 - trailing].isSpace())
        ++trailing;

    QList<QList<GlyphCluster>> clusters(runs.size());
    // Most lines: one glyph a character, left to right.
    if (std::all_of(shown.begin(), shown.end(), standsAlone) &&
        (glyphCount == shown.size() || glyphCount == shown.size() - trailing)) {
        qsizetype at = 0;
        for (qsizetype r = 0; r < runs.size(); ++r)
            for (qsizetype i = 0; i < runs[r].glyphIndexes().size(); ++i)
                clusters[r].append({1, shown.mid(at++, 1).toString()});
        const QString rest = undrawn(shown.mid(at));
        for (qsizetype r = runs.size() - 1; r >= 0 && !rest.isEmpty(); --r) {
            if (clusters[r].isEmpty()) continue;
            clusters[r].last().text += rest;
            clusters[r].last().drawn = false;
            break;
        }
        return clusters;
    }

    // Otherwise each character's glyphs, as the layout gives them for that character
    // alone; characters whose glyphs overlap (a syllable, a ligature) make one cluster.
    QHash<QByteArray, std::pair<qsizetype, qsizetype>> where;
    for (qsizetype r = 0; r < runs.size(); ++r) {
        const QList<quint32> ids = runs[r].glyphIndexes();
        const QList<QPointF> positions = runs[r].positions();
        for (qsizetype i = 0; i < ids.size(); ++i)
            where.insert(glyphKey(ids[i], positions.value(i)), {r, i});
    }
    struct Group {
        QString text;
        QSet<QByteArray> glyphs;
        bool drawn = true;
    };
    QList<Group> groups;
    QString before; // characters with no glyph before the first that has one
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, shown.toString());
    for (qsizetype from = 0; from < shown.size();) {
        qsizetype to = graphemes.toNextBoundary();
        if (to <= from) to = shown.size();
        QSet<QByteArray> glyphs;
        for (const QGlyphRun &run : line.glyphRuns(int(start + from), int(to - from))) {
            const QList<quint32> ids = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < ids.size(); ++i) {
                const QByteArray key = glyphKey(ids[i], positions.value(i));
                if (where.contains(key)) glyphs.insert(key);
            }
        }
        const QString piece = shown.mid(from, to - from).toString();
        if (glyphs.isEmpty() && groups.isEmpty()) {
            before += undrawn(piece);
        } else if (glyphs.isEmpty()) {
            groups.last().text += undrawn(piece);
            groups.last().drawn = false;
        } else if (!groups.isEmpty() && groups.last().glyphs.intersects(glyphs)) {
            groups.last().text += piece;
            groups.last().glyphs.unite(glyphs);
        } else {
            groups.append({before + piece, glyphs, before.isEmpty()});
            before.clear();
        }
        from = to;
    }

    // Each run's glyphs in order, cut where the group they belong to changes; a group's
    // text goes with its first piece.
    QList<QList<qsizetype>> owner(runs.size());
    for (qsizetype r = 0; r < runs.size(); ++r)
        owner[r] = QList<qsizetype>(runs[r].glyphIndexes().size(), -1);
    for (qsizetype g = 0; g < groups.size(); ++g)
        for (const QByteArray &key : std::as_const(groups[g].glyphs)) {
            const auto [r, i] = where.value(key);
            owner[r][i] = g;
        }
    QSet<qsizetype> said;
    for (qsizetype r = 0; r < runs.size(); ++r) {
        for (qsizetype i = 0; i < owner[r].size();) {
            qsizetype end = i + 1;
            while (end < owner[r].size() && owner[r][end] == owner[r][i])
                ++end;
            const qsizetype g = owner[r][i];
            GlyphCluster cluster{end - i, QString(), g < 0 || groups[g].drawn};
            if (g >= 0 && !said.contains(g)) {
                cluster.text = groups[g].text;
                said.insert(g);
            }
            clusters[r].append(cluster);
            i = end;
        }
    }
    return clusters;
}

} // namespace StubPDF
