#include "statement_pdf/font_embedding.h"

#include "statement_pdf/big_endian.h"

#include <QMutexLocker>

#include <hb-subset.h>

#include <algorithm>

namespace StubPDF {

namespace {

using namespace BigEndian;

// The tables a PDF reader or the subsetter may want. Layout tables (GSUB, GPOS, GDEF)
// are left out: the document carries glyphs already shaped. Variation tables too: the
// embedded face is the default instance, the one the font's plain tables describe.
constexpr const char *faceTables[] = {"head", "hhea", "hmtx", "maxp", "name", "OS/2",
                                      "post", "cmap", "glyf", "loca", "cvt ", "fpgm",
                                      "prep", "gasp", "CFF ", "VORG", "vhea", "vmtx"};

hb_tag_t tagOf(const char *tag) {
    return HB_TAG(tag[0], tag[1], tag[2], tag[3]);
}

// A byte of a CFF table; 0 past its end.
int byteAt(const QByteArray &b, qsizetype at) {
    return at >= 0 && at < b.size() ? uchar(b[at]) : 0;
}

QByteArray fromBlob(hb_blob_t *blob) {
    unsigned int length = 0;
    const char *data = hb_blob_get_data(blob, &length);
    QByteArray bytes(data, qsizetype(length));
    hb_blob_destroy(blob);
    return bytes;
}

// The PostScript name (name id 6), ASCII letters and digits as PDF names take them.
QByteArray postScriptName(const QByteArray &name) {
    const quint16 count = u16(name, 2), storage = u16(name, 4);
    for (quint16 r = 0; r < count; ++r) {
        const qsizetype at = 6 + 12 * qsizetype(r);
        if (u16(name, at + 6) != 6) continue;
        const quint16 platform = u16(name, at);
        const QByteArray text = name.mid(storage + u16(name, at + 10), u16(name, at + 8));
        QByteArray ascii;
        const bool wide = platform == 0 || platform == 3;
        for (qsizetype i = wide ? 1 : 0; i < text.size(); i += wide ? 2 : 1) {
            const char c = text[i];
            if (c > 0x20 && c < 0x7F && !QByteArray("()<>[]{}/%#").contains(c)) ascii.append(c);
        }
        if (!ascii.isEmpty()) return ascii;
    }
    return {};
}

FaceMetrics readMetrics(const QRawFont &font) {
    FaceMetrics m;
    const QByteArray head = font.fontTable("head"), hhea = font.fontTable("hhea"),
                     os2 = font.fontTable("OS/2"), post = font.fontTable("post");
    const qreal perUnit = 1000.0 / std::max<int>(16, u16(head, 18));
    for (int i = 0; i < 4; ++i)
        m.boundingBox[i] = s16(head, 36 + 2 * i) * perUnit;
    m.ascent = s16(hhea, 4) * perUnit;
    m.descent = s16(hhea, 6) * perUnit;
    if (!m.ascent && os2.size() >= 72) {
        m.ascent = s16(os2, 68) * perUnit;
        m.descent = s16(os2, 70) * perUnit;
    }
    m.capHeight = os2.size() >= 90 && u16(os2, 0) >= 2 ? s16(os2, 88) * perUnit : m.ascent;
    // A usual estimate of the vertical stem from the weight class: 400 gives about 80.
    const qreal weight = os2.size() >= 6 ? u16(os2, 4) : 400;
    m.stemV = 10 + (weight / 65) * (weight / 65);
    m.italicAngle = s16(post, 4) + u16(post, 6) / 65536.0;
    m.fixedPitch = u32(post, 12) != 0;
    m.postScriptName = postScriptName(font.fontTable("name"));
    if (m.postScriptName.isEmpty()) {
        QByteArray fallback;
        for (QChar c : font.familyName() + u'-' + font.styleName())
            if (c.isLetterOrNumber() && c.unicode() < 0x7F) fallback.append(char(c.unicode()));
        m.postScriptName = fallback.isEmpty() ? QByteArrayLiteral("Font") : fallback;
    }
    return m;
}

// Reads a CFF INDEX at `at`: the offsets of its items relative to the file, and where it
// ends. Nothing when it runs off the data.
struct CffIndex {
    QList<qsizetype> starts; // count + 1 of them
    qsizetype end = -1;
};
CffIndex readIndex(const QByteArray &cff, qsizetype at) {
    CffIndex index;
    const quint16 count = u16(cff, at);
    if (count == 0) {
        index.end = at + 2;
        return index;
    }
    const int offSize = byteAt(cff, at + 2);
    if (offSize < 1 || offSize > 4) return index;
    const qsizetype data = at + 3 + (qsizetype(count) + 1) * offSize - 1;
    for (qsizetype i = 0; i <= count; ++i) {
        quint32 offset = 0;
        for (int k = 0; k < offSize; ++k)
            offset = (offset << 8) | byteAt(cff, at + 3 + i * offSize + k);
        index.starts.append(data + offset);
    }
    index.end = index.starts.last();
    if (index.end > cff.size()) index = {};
    return index;
}

} // namespace

QList<quint32> cffGlyphCids(const QByteArray &cff) {
    const CffIndex names = readIndex(cff, cff.isEmpty() ? 0 : uchar(cff[2]));
    if (names.end < 0) return {};
    const CffIndex top = readIndex(cff, names.end);
    if (top.starts.size() < 2) return {};
    // The top dictionary's operators that matter: ROS (12 30) makes the font CID-keyed,
    // charset (15) and CharStrings (17) give the glyphs' CIDs and their number.
    bool cidKeyed = false;
    qint64 charset = 0, charStrings = 0;
    QList<qint64> operands;
    for (qsizetype at = top.starts[0]; at < top.starts[1];) {
        const int b = uchar(cff[at]);
        if (b <= 21) {
            const int op = b == 12 ? 1200 + byteAt(cff, at + 1) : b;
            at += b == 12 ? 2 : 1;
            if (op == 1230) cidKeyed = true;
            if (op == 15 && !operands.isEmpty()) charset = operands.last();
            if (op == 17 && !operands.isEmpty()) charStrings = operands.last();
            operands.clear();
        } else if (b == 28) {
            operands.append(s16(cff, at + 1));
            at += 3;
        } else if (b == 29) {
            operands.append(qint32(u32(cff, at + 1)));
            at += 5;
        } else if (b == 30) { // a real number: skipped to its end nibble
            operands.append(0);
            for (++at; at < top.starts[1]; ++at)
                if ((uchar(cff[at]) & 0x0F) == 0x0F || (uchar(cff[at]) & 0xF0) == 0xF0) break;
            ++at;
        } else if (b >= 32 && b <= 246) {
            operands.append(b - 139);
            at += 1;
        } else if (b >= 247 && b <= 250) {
            operands.append((b - 247) * 256 + byteAt(cff, at + 1) + 108);
            at += 2;
        } else if (b >= 251 && b <= 254) {
            operands.append(-(b - 251) * 256 - byteAt(cff, at + 1) - 108);
            at += 2;
        } else {
            at += 1;
        }
    }
    if (!cidKeyed || charset <= 2 || charStrings <= 0) return {};
    const qsizetype glyphCount = u16(cff, charStrings);
    QList<quint32> cids = {0};
    const int format = byteAt(cff, charset);
    qsizetype at = charset + 1;
    while (cids.size() < glyphCount && at < cff.size()) {
        if (format == 0) {
            cids.append(u16(cff, at));
            at += 2;
            continue;
        }
        const quint32 first = u16(cff, at);
        const quint32 left = format == 1 ? byteAt(cff, at + 2) : u16(cff, at + 2);
        at += format == 1 ? 3 : 4;
        for (quint32 c = 0; c <= left && cids.size() < glyphCount; ++c)
            cids.append(first + c);
        if (format != 1 && format != 2) break;
    }
    return cids;
}

QByteArray sfntFromTables(const QRawFont &font) {
    QList<std::pair<QByteArray, QByteArray>> tables;
    for (const char *tag : faceTables) {
        QByteArray table = font.fontTable(tag);
        if (!table.isEmpty()) tables.append({QByteArray(tag, 4), table});
    }
    std::sort(tables.begin(), tables.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    const quint16 count = quint16(tables.size());
    quint16 power = 1, log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    const bool cff =
        std::any_of(tables.begin(), tables.end(), [](const auto &t) { return t.first == "CFF "; });
    QByteArray file(12 + 16 * qsizetype(count), '\0');
    put32(file, 0, cff ? 0x4F54544F : 0x00010000); // "OTTO" or TrueType
    put16(file, 4, count);
    put16(file, 6, quint16(power * 16));
    put16(file, 8, log);
    put16(file, 10, quint16(count * 16 - power * 16));
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const qsizetype entry = 12 + 16 * i;
        file.replace(entry, 4, tables[i].first);
        // Checksums stay 0: nothing that reads this file checks them, and summing a large
        // face's tables costs more than the subset itself.
        put32(file, entry + 8, quint32(file.size()));
        put32(file, entry + 12, quint32(tables[i].second.size()));
        file += tables[i].second;
        while (file.size() % 4)
            file.append('\0');
    }
    return file;
}

// A face as HarfBuzz subsets it, prepared once: preparing a large face (a CJK font's
// tens of thousands of glyphs) costs far more than cutting a subset from it.
struct FontCache::Face {
    hb_face_t *face = nullptr;
    bool cff = false;
    FaceMetrics metrics;
    ~Face() { hb_face_destroy(face); }
};

FontCache &FontCache::shared() {
    static FontCache cache;
    return cache;
}

QByteArray FontCache::faceKey(const QRawFont &font) {
    // The head table tells two fonts of the same name apart (revision, checksum, dates).
    return font.familyName().toUtf8() + '|' + font.styleName().toUtf8() + '|' +
           QByteArray::number(int(font.weight())) + '|' + QByteArray::number(int(font.style())) +
           '|' + font.fontTable("head").left(54);
}

std::shared_ptr<FontCache::Face> FontCache::face(const QRawFont &font) {
    const QByteArray key = faceKey(font);
    {
        const QMutexLocker locked(&m_mutex);
        if (auto it = m_faces.constFind(key); it != m_faces.constEnd()) return *it;
    }
    auto made = std::make_shared<Face>();
    const QByteArray file = sfntFromTables(font);
    hb_blob_t *blob = hb_blob_create(file.constData(), unsigned(file.size()),
                                     HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
    made->face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
    made->cff = !font.fontTable("CFF ").isEmpty();
    made->metrics = readMetrics(font);
    const QMutexLocker locked(&m_mutex);
    if (m_faces.size() >= 16) m_faces.clear(); // documents in use hold theirs
    return *m_faces.insert(key, made);
}

FaceMetrics FontCache::metrics(const QRawFont &font) {
    return face(font)->metrics;
}

std::shared_ptr<const FontProgram> FontCache::program(const QRawFont &font,
                                                      const QList<quint32> &glyphs) {
    const QByteArray key =
        faceKey(font) + QByteArray(reinterpret_cast<const char *>(glyphs.constData()),
                                   glyphs.size() * qsizetype(sizeof(quint32)));
    {
        const QMutexLocker locked(&m_mutex);
        if (auto it = m_programs.constFind(key); it != m_programs.constEnd()) return *it;
    }
    const std::shared_ptr<Face> source = face(font);
    auto made = std::make_shared<FontProgram>();
    made->outlines = source->cff ? FontProgram::Outlines::cff : FontProgram::Outlines::trueType;

    QByteArray file;
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    hb_set_t *keep = hb_subset_input_glyph_set(input);
    hb_set_add(keep, 0); // the missing-glyph box
    for (quint32 g : glyphs)
        hb_set_add(keep, g);
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING);
    hb_set_t *drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char *tag : {"GSUB", "GPOS", "GDEF", "name", "cmap", "post", "OS/2"})
        hb_set_add(drop, tagOf(tag));
    hb_subset_plan_t *plan = hb_subset_plan_create_or_fail(source->face, input);
    hb_subset_input_destroy(input);
    hb_face_t *cut = plan ? hb_subset_plan_execute_or_fail(plan) : nullptr;
    if (cut) {
        const hb_map_t *newIds = hb_subset_plan_old_to_new_glyph_mapping(plan);
        made->subset = true;
        file = source->cff ? fromBlob(hb_face_reference_table(cut, tagOf("CFF ")))
                           : fromBlob(hb_face_reference_blob(cut));
        for (quint32 g : glyphs)
            made->glyphs.append(hb_map_get(newIds, g));
        hb_face_destroy(cut);
    } else {
        // Embedding the whole face is larger but still right.
        file = source->cff ? font.fontTable("CFF ") : sfntFromTables(font);
        made->glyphs = glyphs;
    }
    hb_subset_plan_destroy(plan);
    if (source->cff) {
        // A CID-keyed CFF finds its glyphs by CID, through its charset.
        const QList<quint32> cids = cffGlyphCids(file);
        if (!cids.isEmpty())
            for (quint32 &g : made->glyphs)
                g = cids.value(g);
    }
    // Made once and kept, the font file takes the best compression.
    made->fileSize = file.size();
    made->deflated = qCompress(file, 9).mid(4);

    const QMutexLocker locked(&m_mutex);
    if (m_programs.size() >= 64) m_programs.clear();
    return *m_programs.insert(key, made);
}

} // namespace StubPDF

namespace StubPDF {

QList<QByteArray> FontCache::kept(const QByteArray &key,
                                  const std::function<QList<QByteArray>()> &make) {
    {
        const QMutexLocker locked(&m_mutex);
        if (auto it = m_kept.constFind(key); it != m_kept.constEnd()) return *it;
    }
    QList<QByteArray> made = make();
    const QMutexLocker locked(&m_mutex);
    if (m_kept.size() >= 1024) m_kept.clear();
    m_kept.insert(key, made);
    return made;
}

} // namespace StubPDF
