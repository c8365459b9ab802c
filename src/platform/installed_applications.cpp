// Built with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "platform/installed_applications.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace platform {

namespace {

const char pdfType[] = "application/pdf";

Application describe(GAppInfo *info, bool opensPdf) {
    Application app;
    app.id = QString::fromUtf8(g_app_info_get_id(info));
    app.name = QString::fromUtf8(g_app_info_get_name(info));
    if (GIcon *icon = g_app_info_get_icon(info)) {
        gchar *text = g_icon_to_string(icon);
        app.icon = QString::fromUtf8(text);
        g_free(text);
    }
    app.opensPdf = opensPdf;
    return app;
}

bool shownHere(GAppInfo *info) {
    return !G_IS_DESKTOP_APP_INFO(info) ||
           g_desktop_app_info_get_show_in(G_DESKTOP_APP_INFO(info), nullptr);
}

// Appends each listed application not seen yet; `keep` decides which qualify.
template <typename Keep>
void take(GList *list, bool opensPdf, QSet<QString> &seen, QList<Application> &into, Keep keep) {
    for (GList *l = list; l; l = l->next) {
        auto *info = static_cast<GAppInfo *>(l->data);
        if (!g_app_info_get_id(info) || !keep(info)) continue;
        Application app = describe(info, opensPdf);
        if (seen.contains(app.id)) continue;
        seen.insert(app.id);
        into.append(app);
    }
    g_list_free_full(list, g_object_unref);
}

void sortByName(QList<Application> &apps, qsizetype from) {
    std::sort(apps.begin() + from, apps.end(), [](const Application &a, const Application &b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
}

} // namespace

QList<Application> installedApplications() {
    QList<Application> apps;
    QSet<QString> seen;
    GList *preferred = nullptr;
    if (GAppInfo *chosen = g_app_info_get_default_for_type(pdfType, FALSE))
        preferred = g_list_append(preferred, chosen);
    take(preferred, true, seen, apps, shownHere);
    take(g_app_info_get_recommended_for_type(pdfType), true, seen, apps, shownHere);
    const qsizetype rest = apps.size();
    take(g_app_info_get_all_for_type(pdfType), true, seen, apps, shownHere);
    sortByName(apps, rest);
    const qsizetype others = apps.size();
    take(g_app_info_get_all(), false, seen, apps, g_app_info_should_show);
    sortByName(apps, others);
    return apps;
}

bool launch(const QString &id, const QString &path) {
    GDesktopAppInfo *info = g_desktop_app_info_new(id.toUtf8().constData());
    if (!info) return false;
    GFile *file = g_file_new_for_path(QFile::encodeName(path).constData());
    GList *files = g_list_append(nullptr, file);
    GError *error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(info), files, nullptr, &error);
    if (error) g_error_free(error);
    g_list_free_full(files, g_object_unref);
    g_object_unref(info);
    return launched;
}

} // namespace platform
