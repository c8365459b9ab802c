#pragma once

#include "payroll/payroll_draft.h"

#include <QString>

// The current statement leaving the application as a file: each request validates
// the draft, renders it and writes it into a fresh folder below a private root that
// only this user can enter. What earlier runs left there is removed at start-up, unless
// another instance is still running.
struct PDFSharePayload {
    PayrollDraft draft;

    // $XDG_RUNTIME_DIR/CorvaneSharedPDFs when that runtime folder is the user's own
    // (mode 0700), otherwise <temp>/CorvaneSharedPDFs-<uid>.
    static QString temporaryRoot();

    // Empties the root (creating it when absent) and marks it as used by this instance
    // until the process ends. While another instance uses it, nothing is removed.
    // Failures are only printed to stderr; a root that is not a private folder of this
    // user is left alone.
    static void clearPreviousSessionFiles();

    // Validates, renders and writes the draft; returns the absolute file path.
    // Throws PayrollError (validation, rendering) or FileError.
    static QString prepareFile(const PayrollDraft &draft);
    // The same, encrypted with `password` unless it is empty. The unencrypted bytes are
    // never written.
    static QString prepareFile(const PayrollDraft &draft, const QString &password);

    QString prepareFile() const { return prepareFile(draft); }
    QString suggestedFileName() const { return draft.filename() + QStringLiteral(".pdf"); }
};
