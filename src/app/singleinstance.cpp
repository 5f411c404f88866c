#include "singleinstance.h"

#include "mainframe.h"
#include "treewrightapp.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QTimer>

const char CSingleInstance::ServiceName[] = "org.treewright.Treewright";
const char CSingleInstance::ObjectPath[] = "/org/treewright/Treewright";

namespace {
// A running program answers at once (it opens the files after answering); a program that does
// not answer within this time is taken to be hung, and the new start opens the files itself.
constexpr int HandOffTimeoutMs = 5000;
}

CSingleInstance::CSingleInstance(QObject *parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QLatin1String(ServiceName));
    bus.unregisterObject(QLatin1String(ObjectPath));
}

bool CSingleInstance::HandOff(const QStringList &files)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> running = bus.interface()->isServiceRegistered(QLatin1String(ServiceName));
    if (!running.isValid() || !running.value())
        return false;
    QStringList absolute;
    for (const QString &file : files)
        absolute.append(QFileInfo(file).absoluteFilePath());
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(ServiceName), QLatin1String(ObjectPath),
                                                       QLatin1String(ServiceName), QStringLiteral("Open"));
    call << absolute;
    const QDBusMessage reply = bus.call(call, QDBus::Block, HandOffTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool CSingleInstance::Listen(CTreewrightApp *app)
{
    m_app = app;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // The object is there before the name, so that no call finds the name without it.
    if (!bus.registerObject(QLatin1String(ObjectPath), this, QDBusConnection::ExportScriptableSlots))
        return false;
    if (!bus.registerService(QLatin1String(ServiceName))) {
        bus.unregisterObject(QLatin1String(ObjectPath));
        return false;
    }
    m_registered = true;
    return true;
}

void CSingleInstance::Open(const QStringList &files)
{
    QTimer::singleShot(0, this, [this, files] {
        if (!m_app || !m_app->MainFrame())
            return;
        for (const QString &file : files) {
            // A relative path would be read against this program's folder, not the caller's.
            if (QFileInfo(file).isAbsolute())
                m_app->OpenDocumentFile(file);
        }
        CMainFrame *frame = m_app->MainFrame();
        if (frame->isMinimized())
            frame->showNormal();
        frame->raise();
        frame->activateWindow();
    });
}
