#pragma once

#include "payroll/payroll_draft.h"

#include <QByteArray>

namespace StubPDF {

// The complete PDF of one pay statement. Throws PayrollError. Safe to call from
// several threads at once; a QGuiApplication must exist (fonts need it).
QByteArray make(const PayrollDraft &draft);

class Composer;

} // namespace StubPDF
