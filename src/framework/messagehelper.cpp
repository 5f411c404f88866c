#include "messagehelper.h"

#include "comerror.h"
#include "resources/stringtable.h"

#include <QApplication>
#include <QMessageBox>

namespace {

int showBox(const QString &text, unsigned style)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(LoadResString(57344));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (style & MB::IconMask) {
    case MB::IconStop: box.setIcon(QMessageBox::Critical); break;
    case MB::IconQuestion: box.setIcon(QMessageBox::Question); break;
    case MB::IconExclamation: box.setIcon(QMessageBox::Warning); break;
    case MB::IconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & MB::ButtonMask) {
    case MB::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB::YesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return IDAnswer::Cancel;
    case QMessageBox::Yes: return IDAnswer::Yes;
    case QMessageBox::No: return IDAnswer::No;
    default: return IDAnswer::Ok;
    }
}

MessageSink &currentSink()
{
    static MessageSink sink;
    return sink;
}

} // namespace

MessageSink SetMessageSink(MessageSink sink)
{
    MessageSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

int ShowMessageText(const QString &text, unsigned style)
{
    if (currentSink())
        return currentSink()(text, style);
    return showBox(text, style);
}

int ShowMessage(int stringId, const QString &extra, unsigned style)
{
    return ShowMessageText(LoadResString(stringId) + QLatin1Char(' ') + extra, style);
}

void ReportComError(const QString &headline, const CComError &error)
{
    ShowMessageText(QStringLiteral("%1\n\n%2").arg(headline, error.errorMessage()), MB::IconInformation);
}
