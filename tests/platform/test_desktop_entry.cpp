#include "platform/desktop_entry.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDesktopEntry : public QObject {
    Q_OBJECT
private slots:
    void expandExec_data();
    void expandExec();
    void readEntry();
    void pdfApplicationsComeFirst();
};

void TestDesktopEntry::expandExec_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("args");
    const QString file = QStringLiteral("/tmp/a b/Corvane_X.pdf");
    const QString url = QStringLiteral("file:///tmp/a%20b/Corvane_X.pdf");
    QTest::newRow("file") << "viewer %f" << QStringList{"viewer", file};
    QTest::newRow("files") << "viewer --new %F" << QStringList{"viewer", "--new", file};
    QTest::newRow("url") << "viewer %U" << QStringList{"viewer", url};
    QTest::newRow("quoted program")
        << "\"/opt/My Viewer/bin/view\" %f" << QStringList{"/opt/My Viewer/bin/view", file};
    QTest::newRow("escapes in quotes")
        << "sh -c \"echo \\\"\\$1\\\"\" %f" << QStringList{"sh", "-c", "echo \"$1\"", file};
    QTest::newRow("percent") << "viewer --zoom=100%% %f"
                             << QStringList{"viewer", "--zoom=100%", file};
    QTest::newRow("name and icon")
        << "viewer %i --title=%c %f"
        << QStringList{"viewer", "--icon", "viewer-icon", "--title=Viewer", file};
    QTest::newRow("deprecated codes dropped") << "viewer %d %n %f" << QStringList{"viewer", file};
    QTest::newRow("no file code") << "viewer" << QStringList{"viewer", file};
    QTest::newRow("unclosed quote") << "\"viewer %f" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestDesktopEntry::expandExec() {
    QFETCH(QString, exec);
    QFETCH(QStringList, args);
    platform::Application app{QStringLiteral("viewer.desktop"), QStringLiteral("Viewer"), exec,
                              QStringLiteral("viewer-icon"), true};
    QCOMPARE(platform::expandExec(exec, QStringLiteral("/tmp/a b/Corvane_X.pdf"), app), args);
}

void TestDesktopEntry::readEntry() {
    QTemporaryDir dir;
    const auto write = [&](const char *name, const char *text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    };
    const QString good = write(
        "viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nName[zh_CN]=查看器\n"
                          "Exec=viewer %U\nIcon=viewer\nMimeType=image/png;application/pdf;\n"
                          "[Desktop Action New]\nName=Other\nExec=other\n");
    const auto app =
        platform::readDesktopEntry(good, QStringLiteral("viewer.desktop"), QStringLiteral("zh_CN"));
    QVERIFY(app);
    QCOMPARE(app->name, QStringLiteral("查看器"));
    QCOMPARE(app->exec, QStringLiteral("viewer %U")); // not the action's Exec
    QVERIFY(app->opensPdf);
    QCOMPARE(platform::readDesktopEntry(good, {}, QStringLiteral("fr_FR"))->name,
             QStringLiteral("Viewer"));
    for (const char *hidden :
         {"[Desktop Entry]\nType=Application\nName=X\nExec=x\nNoDisplay=true\n",
          "[Desktop Entry]\nType=Link\nName=X\nURL=http://x\n",
          "[Desktop Entry]\nType=Application\nName=X\n"})
        QVERIFY(!platform::readDesktopEntry(write("x.desktop", hidden), {}, {}));
}

void TestDesktopEntry::pdfApplicationsComeFirst() {
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("applications"));
    const auto write = [&](const char *name, const char *body) {
        QFile f(home.filePath(QStringLiteral("applications/") + QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(body);
    };
    write("a-editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Aardvark Editor\nExec=edit %f\n");
    write("z-reader.desktop", "[Desktop Entry]\nType=Application\nName=Zebra Reader\nExec=read "
                              "%f\nMimeType=application/pdf;\n");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(home.filePath(QStringLiteral("none"))));
    const QList<platform::Application> apps = platform::installedApplications();
    QCOMPARE(apps.size(), 2);
    QCOMPARE(apps[0].name, QStringLiteral("Zebra Reader"));
    QCOMPARE(apps[1].name, QStringLiteral("Aardvark Editor"));
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "test_desktop_entry.moc"
