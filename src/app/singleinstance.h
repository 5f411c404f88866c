#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class CTreewrightApp;

// One program per desktop session: the first to start owns a name on the session bus and opens
// the documents that later starts hand it, as desktop editors do. Without a session bus every
// start is a program of its own.
class CSingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.treewright.Treewright")

public:
    static const char ServiceName[];
    static const char ObjectPath[];

    explicit CSingleInstance(QObject *parent = nullptr);
    ~CSingleInstance() override;

    // Gives `files` (made absolute here, since the running program has another working folder)
    // to the program that owns the name. True when it took them; false when no program runs or
    // it did not answer, and this start should open them itself.
    static bool HandOff(const QStringList &files);

    // Takes the name for `app`, whose main window then receives handed documents. False when
    // there is no session bus or another program has the name.
    bool Listen(CTreewrightApp *app);

public Q_SLOTS:
    // Called over the bus: opens each absolute path in the main window and brings it forward.
    // Returns at once; the documents open once the call is answered, so that a message about a
    // file that does not open never keeps the caller waiting.
    Q_SCRIPTABLE void Open(const QStringList &files);

private:
    QPointer<CTreewrightApp> m_app;
    bool m_registered = false;
};
