#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>

// A certificate for 127.0.0.1 and localhost made for the test at run time
// (openssl req -x509), and the test's trust in it.
struct TestCertificate
{
    QSslCertificate certificate;
    QSslConfiguration serverConfiguration;
    QString error; // empty when the certificate was made

    static TestCertificate make();
    // Adds the certificate to the CA set that new requests use, as a machine
    // whose administrator installed the site's CA would.
    void trust() const;
};
