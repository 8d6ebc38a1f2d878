#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "records/MacIdentifierServiceProtocol.h"

namespace verandel {

// This computer's identity in mock mode, so several instances can run on one machine: a random
// machine id kept in the identity file ("debug-identity.json"), and the installation id and advertised
// name in "advertised-mac-identity.json" beside it. A debug profile name marks the advertised name.
// Never fails: a file that cannot be read is replaced, one that cannot be written leaves the id
// transient for this run.
class DebugMacIdentifierService final : public MacIdentifierServiceProtocol
{
    Q_OBJECT

public:
    static const QString identityFileName;
    static const QString localIdentityFileName;

    // The identity file beside the debug context file.
    static QString identityFilePathBeside(const QString &contextPath);

    DebugMacIdentifierService(QString identityFilePath, LoggerFactory &loggerFactory,
                              std::optional<QString> debugProfileName, ClockPtr clock, QObject *parent = nullptr);

    QUuid currentMacId() const override { return m_currentMacId; }
    QString installationId() const override { return m_installationId; }
    std::optional<QString> advertisedName() const override { return m_advertisedName; }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const override;
    void setAdvertisedName(const std::optional<QString> &name) override;

    const QString &identityFilePath() const { return m_identityFilePath; }
    const QString &localIdentityFilePath() const { return m_localIdentityFilePath; }

private:
    struct LocalIdentityState
    {
        std::optional<QString> advertisedName;
        QString installationId;
    };

    QUuid loadOrCreateIdentity();
    QUuid createIdentityAfterLoadError(const QString &errorDescription);
    void saveIdentity(const QUuid &id);
    std::optional<LocalIdentityState> readLocalIdentityState();
    QString loadOrCreateInstallationId(const std::optional<LocalIdentityState> &state);
    void saveLocalIdentityState(const LocalIdentityState &state);

    LoggerPtr m_logger;
    ClockPtr m_clock;
    QString m_identityFilePath;
    std::optional<QString> m_debugProfileName;
    QString m_localIdentityFilePath;
    QUuid m_currentMacId;
    QString m_installationId;
    std::optional<QString> m_advertisedName;
};

} // namespace verandel
