#pragma once

#include "statement_pdf/fonts.h"

#include <QPaintDevice>

#include <climits>

namespace StubPDF {

// Where the statement's text is measured and laid out: a device of deviceResolution
// that nothing is painted on (the PDF is written by PdfWriter from the layout).
class MetricsDevice : public QPaintDevice {
public:
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return deviceResolution;
        case PdmWidth:
        case PdmHeight:
            return 1'000'000; // a whole page and more, in device units
        case PdmWidthMM:
        case PdmHeightMM:
            return 1'000'000 * 254 / (deviceResolution * 10);
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }
};

} // namespace StubPDF
