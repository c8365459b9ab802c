#include "platform/desktop_entry.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <algorithm>

namespace platform {

namespace {

// Splits an Exec line into words, undoing the quoting rules of desktop entries.
std::optional<QStringList> splitExec(const QString &exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                word += exec.at(++i);
            } else {
                word += c;
            }
        } else if (c == u' ' || c == u'\t') {
            if (inWord) words.append(word);
            word.clear();
            inWord = false;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.append(word);
    return words;
}

QString localized(const QHash<QString, QString> &values, const QString &key,
                  const QString &language) {
    const QString region = language;                   // e.g. zh_CN
    const QString lang = language.section(u'_', 0, 0); // e.g. zh
    for (const QString &k : {key + u'[' + region + u']', key + u'[' + lang + u']', key})
        if (values.contains(k)) return values.value(k);
    return QString();
}

} // namespace

std::optional<Application> readDesktopEntry(const QString &path, const QString &id,
                                            const QString &language) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    QHash<QString, QString> values;
    bool inEntry = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inEntry && eq > 0) values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    const auto yes = [&](const char *key) {
        return values.value(QString::fromLatin1(key)) == QStringLiteral("true");
    };
    if (values.value(QStringLiteral("Type")) != QStringLiteral("Application") || yes("NoDisplay") ||
        yes("Hidden"))
        return std::nullopt;
    Application app;
    app.id = id;
    app.name = localized(values, QStringLiteral("Name"), language);
    app.exec = values.value(QStringLiteral("Exec"));
    app.icon = values.value(QStringLiteral("Icon"));
    app.opensPdf = values.value(QStringLiteral("MimeType"))
                       .split(u';')
                       .contains(QStringLiteral("application/pdf"));
    if (app.name.isEmpty() || app.exec.isEmpty()) return std::nullopt;
    return app;
}

QList<Application> installedApplications() {
    const QString language = QLocale().name();
    QList<Application> apps;
    QSet<QString> seen; // an id found earlier in the search path hides later ones
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QDir dir(folder);
        for (const QString &name :
             dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) {
            if (seen.contains(name)) continue;
            seen.insert(name);
            if (auto app = readDesktopEntry(dir.filePath(name), name, language)) apps.append(*app);
        }
    }
    std::stable_sort(apps.begin(), apps.end(), [](const Application &a, const Application &b) {
        if (a.opensPdf != b.opensPdf) return a.opensPdf;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return apps;
}

QStringList expandExec(const QString &exec, const QString &file, const Application &application,
                       const QString &entryPath) {
    const auto words = splitExec(exec);
    if (!words || words->isEmpty()) return {};
    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    QStringList args;
    bool fileGiven = false;
    for (const QString &word : *words) {
        if (word == QStringLiteral("%f") || word == QStringLiteral("%F")) {
            args.append(file);
            fileGiven = true;
            continue;
        }
        if (word == QStringLiteral("%u") || word == QStringLiteral("%U")) {
            args.append(url);
            fileGiven = true;
            continue;
        }
        if (word == QStringLiteral("%i")) {
            if (!application.icon.isEmpty()) args << QStringLiteral("--icon") << application.icon;
            continue;
        }
        QString out;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) != u'%' || i + 1 >= word.size()) {
                out += word.at(i);
                continue;
            }
            const QChar code = word.at(++i);
            if (code == u'%')
                out += u'%';
            else if (code == u'c')
                out += application.name;
            else if (code == u'k')
                out += entryPath;
            else if (code == u'f' || code == u'F') {
                out += file;
                fileGiven = true;
            } else if (code == u'u' || code == u'U') {
                out += url;
                fileGiven = true;
            }
            // %d %D %n %N %v %m and unknown codes are dropped.
        }
        if (!out.isEmpty() || word.isEmpty()) args.append(out);
    }
    if (!fileGiven) args.append(file); // an entry without a file code still gets the file
    return args;
}

} // namespace platform
