#pragma once

class CWorkSpaceDoc;
class QWidget;

// The element tree's Properties command: shows the current node's XML and the identities of
// the node and of its parent in a modal "Properties" sheet. Nothing is applied, whichever button
// closes it; with no current node there is nothing to show and no sheet opens.
void ShowNodeProperties(CWorkSpaceDoc *document, QWidget *parent);
