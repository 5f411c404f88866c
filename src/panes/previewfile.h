#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;
class XmlDocument;

// The file the "Browse" page shows: a copy of the document that belongs to the program alone.
// It stands beside the document as a hidden file of a unique name, so that the stylesheet and
// other relative references resolve from the document's folder as they do for the document
// itself. A document without a folder, or whose folder takes no new file, is copied into a
// private folder of the program's; there the stylesheet's location is made absolute, so that it
// still resolves from the document's folder. The file is deleted with this object. Nothing here
// changes the process's current directory.
class CPreviewFile
{
public:
    CPreviewFile();
    ~CPreviewFile();
    CPreviewFile(const CPreviewFile &) = delete;
    CPreviewFile &operator=(const CPreviewFile &) = delete;

    // Writes `dom` for the document at `documentPath` (empty for a document never saved).
    // Throws CComError when the copy cannot be written.
    void Write(const XmlDocument &dom, const QString &documentPath);
    // The file last written; empty before the first Write.
    QString Path() const { return m_path; }
    void Remove();

    // `bytes` with the location of every stylesheet instruction before the root element made
    // absolute against `folder`. Text in an encoding other than an ASCII superset is returned
    // as it is.
    static QByteArray WithAbsoluteStylesheets(const QByteArray &bytes, const QString &folder);

private:
    bool Place(const QString &folder);

    QString m_path;
    // The folder the copy stands in, and whether that is the document's own.
    QString m_folder;
    bool m_besideDocument = false;
    std::unique_ptr<QTemporaryDir> m_privateDir;
};
