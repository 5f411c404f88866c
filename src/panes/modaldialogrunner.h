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
