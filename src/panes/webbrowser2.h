#pragma once

#include <QWebEngineView>

class QWebEngineProfile;

// The embedded browser of the "Browse" page. It shows local files only: every request for
// another scheme (the network above all) is refused, pages run no script, and nothing a page
// does leaves a trace on disk (cookies, cache and storage live in memory). Silent, the browser
// shows no dialogs of a page's own (script alerts, prompts, file choosers, new windows).
class CWebBrowser2 : public QWebEngineView
{
    Q_OBJECT

public:
    explicit CWebBrowser2(QWidget *parent = nullptr);
    ~CWebBrowser2() override;

    // Loads `location`: a local path, or a file: URL. The browser loads it in the background
    // and the call returns at once.
    void Navigate(const QString &location);
    void SetSilent(bool silent);
    bool GetSilent() const { return m_silent; }

    // The one profile every preview uses, made on first use.
    static QWebEngineProfile *PreviewProfile();

private:
    bool m_silent = false;
};
