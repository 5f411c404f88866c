#pragma once

// The measurements behind the figures, made by name for the registry in figures.cpp.

#include "figures.h"

#include <memory>

// libxml2 and QScintilla on their own: the baselines.
std::unique_ptr<Measurement> NewLibxmlParse();
std::unique_ptr<Measurement> NewLibxmlStreamingParse();
std::unique_ptr<Measurement> NewLibxmlParseAndRebuild();
std::unique_ptr<Measurement> NewLibxmlSave();
std::unique_ptr<Measurement> NewLibxmlSaveSynced();
std::unique_ptr<Measurement> NewLibxmlSerialize();
std::unique_ptr<Measurement> NewBareScintillaText();

// The document without a window.
std::unique_ptr<Measurement> NewOpenDocument();
std::unique_ptr<Measurement> NewSaveDocument();
std::unique_ptr<Measurement> NewPrintLayout();
std::unique_ptr<Measurement> NewLoadPlain();
std::unique_ptr<Measurement> NewLoadRecorded();
std::unique_ptr<Measurement> NewSaveEdited();

// The document in its window.
std::unique_ptr<Measurement> NewOpenShown();
std::unique_ptr<Measurement> NewSelectElement();
std::unique_ptr<Measurement> NewRenameElement();
std::unique_ptr<Measurement> NewNewChild();
std::unique_ptr<Measurement> NewDeleteElement();
std::unique_ptr<Measurement> NewCutPaste();
std::unique_ptr<Measurement> NewUndoDelete();
std::unique_ptr<Measurement> NewRedoDelete();
std::unique_ptr<Measurement> NewShowSourceTab();
std::unique_ptr<Measurement> NewSourceCommit();
std::unique_ptr<Measurement> NewDescendRenameSave();
std::unique_ptr<Measurement> NewCloseShown();

// Find and validate.
std::unique_ptr<Measurement> NewLibxmlXPathFind();
std::unique_ptr<Measurement> NewLibxmlValidate();
std::unique_ptr<Measurement> NewFindText();
std::unique_ptr<Measurement> NewFindTextIgnoringCase();
std::unique_ptr<Measurement> NewFindXPath();
std::unique_ptr<Measurement> NewValidateDocument();
