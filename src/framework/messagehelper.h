#pragma once

#include <QString>

#include <functional>

class CComError;

// Message box styles and answers, with the numbers callers have always used.
namespace MB {
constexpr unsigned Ok = 0x0;
constexpr unsigned OkCancel = 0x1;
constexpr unsigned YesNoCancel = 0x3;
constexpr unsigned YesNo = 0x4;
constexpr unsigned IconStop = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned IconInformation = 0x40;
constexpr unsigned ButtonMask = 0xF;
constexpr unsigned IconMask = 0xF0;
}

namespace IDAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
}

// Where message boxes go. The default shows a modal QMessageBox; tests install one that records
// each box and answers it without blocking.
using MessageSink = std::function<int(const QString &text, unsigned style)>;
MessageSink SetMessageSink(MessageSink sink); // returns the previous sink; an empty sink restores the default

// Shows `text` as is (plain text, never markup) and returns the answer.
int ShowMessageText(const QString &text, unsigned style);

// Shows string-table entry `stringId`, one blank and `extra` (often empty); returns the answer.
int ShowMessage(int stringId, const QString &extra, unsigned style);

// "headline\n\nerror text" with the information icon.
void ReportComError(const QString &headline, const CComError &error);
