#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The modeless Find or Replace dialog of the source editor. It only collects what to search for
// and how; the editor does the searching when the dialog signals one of its buttons. The dialog
// deletes itself when it is closed, so its owner keeps only a guarded pointer to it.
class CFindReplaceDlg : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Find, Replace };

    CFindReplaceDlg(Kind kind, QWidget *parent);

    Kind DialogKind() const { return m_kind; }
    QString FindText() const;
    QString ReplaceText() const;
    bool MatchCase() const;
    // The Replace dialog always searches down.
    bool SearchDown() const;

Q_SIGNALS:
    void findNext();
    void replace();
    void replaceAll();

private:
    void UpdateButtons();

    Kind m_kind;
    QLineEdit *m_findEdit;
    QLineEdit *m_replaceEdit = nullptr;
    QCheckBox *m_matchCase;
    QRadioButton *m_up = nullptr;
    QRadioButton *m_down = nullptr;
    QPushButton *m_findNextButton;
    QPushButton *m_replaceButton = nullptr;
    QPushButton *m_replaceAllButton = nullptr;
};
