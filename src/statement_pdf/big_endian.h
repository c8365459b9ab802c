#pragma once

#include <QByteArray>

// Reading and writing the big-endian numbers of TrueType tables. Reads past the end
// give 0, so damaged fonts cannot make a read run off its table.
namespace StubPDF::BigEndian {

inline quint16 u16(const QByteArray &b, qsizetype at) {
    return at >= 0 && at + 2 <= b.size() ? quint16((uchar(b[at]) << 8) | uchar(b[at + 1])) : 0;
}
inline qint16 s16(const QByteArray &b, qsizetype at) {
    return qint16(u16(b, at));
}
inline quint32 u32(const QByteArray &b, qsizetype at) {
    return (quint32(u16(b, at)) << 16) | u16(b, at + 2);
}
inline void put16(QByteArray &b, qsizetype at, quint16 v) {
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}
inline void put32(QByteArray &b, qsizetype at, quint32 v) {
    put16(b, at, quint16(v >> 16));
    put16(b, at + 2, quint16(v));
}

// A table's checksum: the sum of its big-endian 32-bit words, the last one zero-padded.
inline quint32 checksum(const QByteArray &table) {
    quint32 sum = 0;
    for (qsizetype i = 0; i < table.size(); i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < table.size() ? uchar(table[i + k]) : 0);
        sum += word;
    }
    return sum;
}

} // namespace StubPDF::BigEndian
