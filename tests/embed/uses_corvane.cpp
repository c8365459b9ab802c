#include "statement_pdf/stub_pdf.h"

int main() {
    return StubPDF::make(PayrollDraft::sample()).startsWith("%PDF") ? 0 : 1;
}
