#include "statement_pdf/fonts.h"

#include "statement_pdf/big_endian.h"
#include "statement_pdf/metrics_device.h"
#include "statement_pdf/stub_pdf.h"

#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QStringList>
#include <QTextLayout>

#include <mutex>

namespace StubPDF {

namespace {

const QString bundledFamily = QStringLiteral("Corvane Sans");

using namespace BigEndian;

// The font with its family called `family` in its name table, so that the font system
// can only ever give the bundled face for it: an installed "Liberation Sans" of another
// version would lay the statement out with other metrics. The new name table goes at
// the end of the file; the table directory points there.
QByteArray renamed(const QByteArray &font, const QString &family) {
    const quint16 tables = u16(font, 4);
    for (quint16 t = 0; t < tables; ++t) {
        const qsizetype entry = 12 + 16 * qsizetype(t);
        if (font.mid(entry, 4) != "name") continue;
        const QByteArray name = font.mid(u32(font, entry + 8), u32(font, entry + 12));
        const quint16 count = u16(name, 2), storage = u16(name, 4);
        QByteArray records = name.left(6), strings;
        for (quint16 r = 0; r < count; ++r) {
            const qsizetype at = 6 + 12 * qsizetype(r);
            QByteArray record = name.mid(at, 12);
            const quint16 platform = u16(name, at), id = u16(name, at + 6);
            QByteArray text = name.mid(storage + u16(name, at + 10), u16(name, at + 8));
            if (id == 1 || id == 16 || id == 4 || id == 6) {
                // Family names become `family`; the full and PostScript names keep the
                // weight they named.
                const bool bold =
                    text.contains("Bold") || text.contains(QByteArray("\0B\0o\0l\0d", 8));
                QString value = family;
                if (id == 4) value += bold ? QStringLiteral(" Bold") : QString();
                if (id == 6)
                    value = QString(family).remove(u' ') +
                            (bold ? QStringLiteral("-Bold") : QStringLiteral("-Regular"));
                if (platform == 3 || platform == 0) {
                    text.clear();
                    for (QChar c : value)
                        text.append(char(c.unicode() >> 8)).append(char(c.unicode()));
                } else {
                    text = value.toLatin1();
                }
            }
            put16(record, 8, quint16(text.size()));
            put16(record, 10, quint16(strings.size()));
            records += record;
            strings += text;
        }
        put16(records, 4, quint16(6 + 12 * count));
        QByteArray table = records + strings;
        QByteArray out = font;
        while (out.size() % 4)
            out.append('\0');
        put32(out, entry + 4, checksum(table));
        put32(out, entry + 8, quint32(out.size()));
        put32(out, entry + 12, quint32(table.size()));
        return out + table;
    }
    return font;
}

QString loadFamily() {
    for (const char *file : {":/corvane/fonts/LiberationSans-Regular.ttf",
                             ":/corvane/fonts/LiberationSans-Bold.ttf"}) {
        QFile bundled(QString::fromLatin1(file));
        if (!bundled.open(QIODevice::ReadOnly)) continue;
        QFontDatabase::addApplicationFontFromData(renamed(bundled.readAll(), bundledFamily));
    }
    return bundledFamily;
}

const QString &family() {
    static std::once_flag once;
    static QString name;
    std::call_once(once, [] { name = loadFamily(); });
    return name;
}

} // namespace

QFont statementFont(qreal size, bool bold, QPaintDevice *device) {
    QFont font(family());
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferNoHinting);
    QFont sized(font, device);
    sized.setPointSizeF(size);
    return sized;
}

} // namespace StubPDF

namespace StubPDF {

bool hasGlyphData(const QRawFont &font) {
    return font.isValid() && !font.fontTable("head").isEmpty();
}

QStringList missingCharacters(const PayrollDraft &draft) {
    QString texts = draft.employer + draft.employee + draft.payment + draft.currency + draft.notes;
    for (const Earning &e : draft.earnings)
        texts += e.label + e.hours;
    for (const Deduction &d : draft.deductions)
        texts += d.label;
    for (const Reimbursement &r : draft.reimbursements)
        texts += r.label;

    // Each character is asked about once a run: the answer only changes when fonts are
    // installed, and the review asks again on every edit.
    static thread_local QHash<char32_t, bool> drawable;
    static thread_local MetricsDevice device;
    QStringList missing;
    for (const char32_t c : texts.toUcs4()) {
        if (c < 0x80 || QChar::isSpace(c) || QChar::category(c) == QChar::Other_Control) continue;
        auto known = drawable.constFind(c);
        if (known == drawable.constEnd()) {
            const QString alone = QString::fromUcs4(&c, 1);
            QTextLayout layout(alone, statementFont(10, false, &device), &device);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            bool drawn = true;
            // A font without the character gives its glyph 0, the missing-glyph box.
            for (const QGlyphRun &run : layout.glyphRuns())
                drawn = drawn && hasGlyphData(run.rawFont()) && !run.glyphIndexes().contains(0);
            known = drawable.insert(c, drawn);
        }
        const QString text = QString::fromUcs4(&c, 1);
        if (!*known && !missing.contains(text)) missing.append(text);
    }
    return missing;
}

} // namespace StubPDF
