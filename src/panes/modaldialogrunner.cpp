#include "modaldialogrunner.h"

#include <QDialog>

namespace {

ModalDialogRunner &installedRunner()
{
    static ModalDialogRunner runner;
    return runner;
}

} // namespace

int RunModalDialog(QDialog &dialog)
{
    if (const ModalDialogRunner &runner = installedRunner())
        return runner(dialog);
    return dialog.exec();
}

ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner)
{
    ModalDialogRunner previous = std::move(installedRunner());
    installedRunner() = std::move(runner);
    return previous;
}
