#pragma once

#include <functional>

class QDialog;

// Runs `dialog` modally and returns its result (QDialog::Accepted or Rejected). Every modal
// node dialog goes through here, so that tests can install a runner that drives the dialog
// with key and mouse events and answers without entering a nested event loop.
int RunModalDialog(QDialog &dialog);

using ModalDialogRunner = std::function<int(QDialog &dialog)>;
// Installs `runner`; an empty one restores exec(). Returns the runner installed before.
ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner);

// Installs a runner for as long as it lives (a test's scope), then puts the previous one back.
class ScopedModalDialogRunner
{
public:
    explicit ScopedModalDialogRunner(ModalDialogRunner runner) : m_previous(SetModalDialogRunner(std::move(runner))) {}
    ~ScopedModalDialogRunner() { SetModalDialogRunner(std::move(m_previous)); }
    ScopedModalDialogRunner(const ScopedModalDialogRunner &) = delete;
    ScopedModalDialogRunner &operator=(const ScopedModalDialogRunner &) = delete;

private:
    ModalDialogRunner m_previous;
};
