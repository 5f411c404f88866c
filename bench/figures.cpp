#include "figures.h"

#include "benchsupport.h"
#include "measurements.h"

#include "framework/messagehelper.h"

#include <QApplication>
#include <QLabel>
#include <QTreeView>
#include <QStandardPaths>

#include <libxml/parser.h>

namespace {

constexpr FigureKind Baseline = FigureKind::Baseline;
constexpr FigureKind Ratio = FigureKind::Ratio;
constexpr FigureKind Absolute = FigureKind::Absolute;

const char *const Instant = "< 30 ms, same at every size";

} // namespace

const std::vector<Figure> &AllFigures()
{
    static const std::vector<Figure> figures = {
        {"parse", "libxml2 parse", Baseline, "", "baseline", true, NewLibxmlParse},
        {"stream", "libxml2 streaming parse (no tree)", Baseline, "", "baseline", true, NewLibxmlStreamingParse},
        {"open", "open (CWorkSpaceDoc)", Ratio, "parse", "<= 1.3 x time and memory", true, NewOpenDocument},
        {"openshown", "open to a shown tree", Ratio, "parse", "<= 1.3 x time, <= 0.7 x memory", true, NewOpenShown},
        {"openstream", "open to a shown tree, against the stream", Ratio, "stream", "<= 2.0 x time", false, NewOpenShown},
        {"select", "select an element", Absolute, "", Instant, false, NewSelectElement},
        {"rename", "rename an element", Absolute, "", Instant, false, NewRenameElement},
        {"newchild", "new child", Absolute, "", Instant, false, NewNewChild},
        {"delete", "delete an element", Absolute, "", Instant, false, NewDeleteElement},
        {"cutpaste", "cut and paste an element", Absolute, "", Instant, false, NewCutPaste},
        {"undo", "undo a delete", Absolute, "", Instant, false, NewUndoDelete},
        {"redo", "redo a delete", Absolute, "", Instant, false, NewRedoDelete},
        {"close", "close a shown document", Absolute, "", "< 100 ms, same at every size", false, NewCloseShown},
        {"xmlsave", "libxml2 save", Baseline, "", "baseline", false, NewLibxmlSave},
        {"save", "save (CWorkSpaceDoc)", Ratio, "xmlsave", "<= 0.5 x time", false, NewSaveDocument},
        {"saveedited", "save after 100 scattered renames", Ratio, "xmlsave", "<= 1.3 x time", false, NewSaveEdited},
        {"loadplain", "DOM load without the source record", Baseline, "", "baseline", true, NewLoadPlain},
        {"loadrecord", "DOM load recording node positions", Ratio, "loadplain", "<= 1.1 x time and memory", true,
         NewLoadRecorded},
        {"xmlsavesync", "libxml2 save + fdatasync", Baseline, "", "baseline", false, NewLibxmlSaveSynced},
        {"savevssync", "save, against a durable libxml2 save", Ratio, "xmlsavesync", "for comparison", false,
         NewSaveDocument},
        {"scintilla", "QScintilla takes the text", Baseline, "", "baseline", false, NewBareScintillaText},
        {"sourcetab", "Source tab shown", Ratio, "scintilla", "<= 1.5 x time", false, NewShowSourceTab},
        {"reparse", "libxml2 parse + tree rebuild", Baseline, "", "baseline", false, NewLibxmlParseAndRebuild},
        {"commit", "source commit (same-size text)", Ratio, "reparse", "<= 1.5 x time", false, NewSourceCommit},
        {"serialize", "libxml2 serialisation", Baseline, "", "baseline", false, NewLibxmlSerialize},
        {"printlayout", "print layout (BeginPrinting)", Ratio, "serialize", "<= 1.5 x time", false, NewPrintLayout},
        {"descend", "open, expand to the bottom, rename, save", Absolute, "", "completes", false, NewDescendRenameSave},
        {"xpathfind", "libxml2 XPath for a text search", Baseline, "", "baseline", false, NewLibxmlXPathFind},
        {"find", "find text, match case", Ratio, "xpathfind", "<= 1.5 x time", false, NewFindText},
        {"findnocase", "find text, any case", Ratio, "xpathfind", "<= 1.5 x time", false, NewFindTextIgnoringCase},
        {"findxpath", "find by the same XPath", Ratio, "xpathfind", "<= 1.5 x time", false, NewFindXPath},
        {"xmlvalidate", "libxml2 XSD validation", Baseline, "", "baseline", false, NewLibxmlValidate},
        {"validate", "validate (copy, then XSD)", Ratio, "xmlvalidate", "for comparison", false, NewValidateDocument},
    };
    return figures;
}

const Figure *FindFigure(const std::string &id)
{
    for (const Figure &figure : AllFigures())
        if (figure.id == id)
            return &figure;
    return nullptr;
}

void PrepareChildProcess(const char *program)
{
    // The user's own settings (validation on load, say) must not change what is measured.
    QStandardPaths::setTestModeEnabled(true);
    static std::string name = program;
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char *argv[] = {name.data(), platformOption, platform, nullptr};
    static int argc = 3;
    static QApplication app(argc, argv);
    SetMessageSink([](const QString &text, unsigned) {
        RecordMessage(text);
        return IDAnswer::Ok;
    });
    xmlInitParser();
    // A document opens into a program whose main window is up: its fonts are loaded and its
    // widget style is made. A first window shown and painted here does that once, outside every
    // measurement, for the baselines too.
    {
        QWidget warm;
        auto *label = new QLabel(QStringLiteral("Treewright <b>warm-up</b>"), &warm);
        auto *tree = new QTreeView(&warm);
        (void)label;
        (void)tree;
        warm.resize(400, 300);
        warm.show();
        SettleEvents();
        warm.grab();
    }
    SettleEvents();
}
