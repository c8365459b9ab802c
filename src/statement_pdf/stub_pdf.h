#pragma once

#include "payroll/payroll_draft.h"

#include <QByteArray>
#include <QStringList>

namespace StubPDF {

// The complete PDF of one pay statement. Throws PayrollError. Safe to call from
// several threads at once; a QGuiApplication must exist (fonts need it).
QByteArray make(const PayrollDraft &draft);

// The characters of the draft's texts that no installed font can draw, each once, in the
// order they first appear: the statement shows them as empty boxes. Needs a
// QGuiApplication, as make() does.
QStringList missingCharacters(const PayrollDraft &draft);

class Composer;

} // namespace StubPDF
