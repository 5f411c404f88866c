#pragma once

#include <QByteArray>
#include <QString>

// What a server presented that the client could not trust, kept from the last refused login so
// that the user can be asked about it on the user-interface thread.
struct CRemotePeer
{
    enum Kind { None, Certificate, NewHostKey, ChangedHostKey };
    Kind kind = None;
    QString subject;     // certificate only
    QString issuer;      // certificate only
    QString problem;     // why the certificate failed the check
    QByteArray sha256;   // of the certificate's DER bytes or of the SSH key blob
    QByteArray keyBlob;  // SSH key, as the server sent it
    QString keyType;     // "ssh-ed25519", ...
};
