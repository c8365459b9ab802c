#include "statement_pdf/fonts.h"

#include <QFontDatabase>
#include <QPaintDevice>
#include <QStringList>

#include <mutex>

namespace StubPDF {

namespace {

QString loadFamily() {
    QString family;
    for (const char *file : {":/corvane/fonts/LiberationSans-Regular.ttf",
                             ":/corvane/fonts/LiberationSans-Bold.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) family = families.first();
    }
    return family.isEmpty() ? QStringLiteral("Liberation Sans") : family;
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
