#pragma once

#include "statement_pdf/pdf_writer.h"

#include <QGlyphRun>
#include <QList>
#include <QString>
#include <QTextLine>

namespace StubPDF {

// For each glyph run of a laid-out line (as line.glyphRuns() gives them), the clusters
// its glyphs make with the characters of `text` (the whole layout's text) they show.
// Characters the line shows no glyph for (the space a line breaks at) go with the
// cluster before them, so that words of wrapped lines do not run together.
QList<QList<GlyphCluster>> glyphClusters(const QTextLine &line, const QList<QGlyphRun> &runs,
                                         const QString &text);

} // namespace StubPDF
