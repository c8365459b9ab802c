#pragma once

#include <QFont>
#include <QRawFont>

class QPaintDevice;

namespace StubPDF {

// The statement's "Helvetica" / "Helvetica-Bold": Liberation Sans, loaded from the
// bundled files so that line and page breaks never depend on the installed fonts.
// Characters it lacks (Chinese, emoji…) fall back to the system's faces.
//
// Text is laid out on a 7200-dpi device, a hundred units to the point: at 72 dpi the
// font engine snaps sizes to whole pixels, so 9.5 points would be measured as 10.
inline constexpr int deviceResolution = 7200;
inline constexpr qreal unitsPerPoint = deviceResolution / 72.0;

// `size` is in points; `device` measures at deviceResolution (MetricsDevice).
QFont statementFont(qreal size, bool bold, QPaintDevice *device);

} // namespace StubPDF

namespace StubPDF {

// Whether a glyph run's font has outlines or bitmaps to embed. Qt draws characters that
// no installed font has with a "box" engine that has neither, and no name either.
bool hasGlyphData(const QRawFont &font);

} // namespace StubPDF
