#include "testtls.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QTemporaryDir>

TestCertificate TestCertificate::make()
{
    TestCertificate result;
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        result.error =
            QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAllStandardError());
        return result;
    }
    QFile certFile(cert);
    QFile keyFile(key);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("openssl wrote no certificate");
        return result;
    }
    result.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
    result.serverConfiguration = QSslConfiguration::defaultConfiguration();
    result.serverConfiguration.setLocalCertificate(result.certificate);
    result.serverConfiguration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem));
    result.serverConfiguration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return result;
}

void TestCertificate::trust() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);
}
