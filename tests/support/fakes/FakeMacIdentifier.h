#pragma once

#include "records/MacIdentifierServiceProtocol.h"

namespace verandel::test {

// This computer's identity as fixed values; the advertised name can be changed.
class FakeMacIdentifier final : public MacIdentifierServiceProtocol
{
public:
    explicit FakeMacIdentifier(QUuid id, QString name = QStringLiteral("Node"))
        : macId(id)
        , name(std::move(name))
    { }
    QUuid macId;
    QString name;
    QString installation = QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    QString version = QStringLiteral("2.4.1");
    // Every name handed to setAdvertisedName, as given.
    QList<std::optional<QString>> setNameCalls;

    QUuid currentMacId() const override { return macId; }
    QString installationId() const override { return installation; }
    std::optional<QString> advertisedName() const override { return name; }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const override
    {
        return DiscoverableMac(macId, name, version, std::nullopt, installation, securityCode,
                               QDateTime::currentDateTimeUtc());
    }
    void setAdvertisedName(const std::optional<QString> &newName) override
    {
        setNameCalls.append(newName);
        if (newName) {
            name = *newName;
        }
    }
};

} // namespace verandel::test
