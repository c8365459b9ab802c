#pragma once

#include <QtCore>

// The abbreviated month name as the statement writes dates (locale en_CA).
inline QString shortMonth(int month) {
    return QLocale(QStringLiteral("en_CA")).monthName(month, QLocale::ShortFormat);
}
