#include "webbrowser2.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// Local files and inline data only: a previewed document (or its stylesheet, which may come
// from anyone) never reaches the network.
bool isLocalScheme(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") || scheme == QLatin1String("about");
}

class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!isLocalScheme(info.requestUrl()))
            info.block(true);
    }
};

class PreviewWebPage : public QWebEnginePage
{
public:
    PreviewWebPage(QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent)
    {
        // A page asking for the camera, the location or the like is refused without a question.
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        // A link in the preview may lead to another local file, never out of the machine.
        return isLocalScheme(url);
    }
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        return {};
    }
    void javaScriptAlert(const QUrl &url, const QString &msg) override
    {
        if (!m_silent)
            QWebEnginePage::javaScriptAlert(url, msg);
    }
    bool javaScriptConfirm(const QUrl &url, const QString &msg) override
    {
        return !m_silent && QWebEnginePage::javaScriptConfirm(url, msg);
    }
    bool javaScriptPrompt(const QUrl &url, const QString &msg, const QString &value, QString *result) override
    {
        return !m_silent && QWebEnginePage::javaScriptPrompt(url, msg, value, result);
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &source) override
    {
        if (!m_silent)
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

public:
    bool m_silent = false;
};

} // namespace

QWebEngineProfile *CWebBrowser2::PreviewProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (profile)
        return profile;
    // Without a storage name the profile is off the record: nothing is written to the user's disk.
    profile = new QWebEngineProfile(QCoreApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    profile->setUrlRequestInterceptor(new LocalOnlyInterceptor(profile));

    QWebEngineSettings *settings = profile->settings();
    // A stylesheet is code from whoever wrote the document: its output runs no script at all,
    // so nothing in it can read local files or reach remote addresses.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // The document's stylesheet and pictures beside it are local files the preview must read.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    // A node dragged over the preview must not replace it by the dropped file.
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    return profile;
}

CWebBrowser2::CWebBrowser2(QWidget *parent)
    : QWebEngineView(parent)
{
    setPage(new PreviewWebPage(PreviewProfile(), this));
}

CWebBrowser2::~CWebBrowser2() = default;

void CWebBrowser2::Navigate(const QString &location)
{
    const QUrl url = location.contains(QLatin1String("://")) ? QUrl(location) : QUrl::fromLocalFile(QFileInfo(location).absoluteFilePath());
    load(url);
}

void CWebBrowser2::SetSilent(bool silent)
{
    m_silent = silent;
    static_cast<PreviewWebPage *>(page())->m_silent = silent;
}
