#pragma once

#include "platform/freedesktop.h"

// Stands in for the desktop: answers dialogs as told and records every request.
struct RecordingDesktop : platform::Desktop {
    std::function<QString(const QString &)> onSave = [](const QString &) { return QString(); };
    std::optional<platform::PrintJob> printAnswer;
    bool confirmAnswer = true;
    int chooseAnswer = 0;
    platform::Outcome outcome; // how every service that answers later ends
    QStringList questions, saves, confirms, alerts, copied, mailed, shown, opened, printed;

    QString askSavePath(QWidget *, const QString &name) override {
        saves.append(name);
        return onSave(name);
    }
    bool confirm(QWidget *, const QString &title, const QString &message,
                 const QString &confirmText, bool destructive) override {
        confirms.append(title + u'|' + message + u'|' + confirmText +
                        (destructive ? "|destructive" : ""));
        return confirmAnswer;
    }
    void alert(QWidget *, const QString &title, const QString &message,
               const QString &button) override {
        alerts.append(title + u'|' + message + u'|' + button);
    }
    int choose(QWidget *, const QString &title, const QString &message,
               const QList<platform::Choice> &choices) override {
        QString asked = title + u'|' + message;
        for (const platform::Choice &c : choices)
            asked += u'|' + c.text +
                     (c.role == platform::Choice::cancel        ? "(cancel)"
                      : c.role == platform::Choice::destructive ? "(destructive)"
                                                                : "");
        questions.append(asked);
        return chooseAnswer;
    }
    std::optional<platform::PrintJob> askPrintJob(QWidget *, int pageCount) override {
        printed.append(QStringLiteral("dialog %1").arg(pageCount));
        return printAnswer;
    }
    void openWith(QWidget *, const QString &path, platform::Answer answer) override {
        opened.append(path);
        answer(outcome);
    }
    void mail(QWidget *, const QString &path, platform::Answer answer) override {
        mailed.append(path);
        answer(outcome);
    }
    void copyFile(const QString &path) override {
        copied.append(path);
        platform::FreedesktopDesktop().copyFile(path); // the real clipboard contents
    }
    void showInFolder(QWidget *, const QString &path, platform::Answer answer) override {
        shown.append(path);
        answer(outcome);
    }
    void print(QWidget *, const platform::PrintJob &job, const QByteArray &pdf, const QString &,
               platform::Answer answer) override {
        printed.append(job.printer + u'|' + QString::fromLatin1(pdf.left(5)));
        answer(outcome);
    }
};

// The real desktop, with the window's alerts written down instead of shown.
struct NotedAlerts : platform::FreedesktopDesktop {
    QStringList alerts;
    void alert(QWidget *, const QString &title, const QString &message, const QString &) override {
        alerts.append(title + u'|' + message);
    }
};
