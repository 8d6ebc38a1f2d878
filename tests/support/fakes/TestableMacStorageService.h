#pragma once

#include "foundation/StorageError.h"
#include "foundation/TestCoordinatorProtocol.h"
#include "records/ConnectedMacStorageServiceProtocol.h"

#include <QDateTime>

#include <variant>

namespace verandel::test {

// The linked computers in memory, in insertion order. Every call is recorded with its arguments,
// and each operation's outcome can be stubbed: a stubbed error is thrown (the call stays recorded),
// a stubbed value replaces the normal answer. Nothing touches a file.
class TestableMacStorageService final : public ConnectedMacStorageServiceProtocol
{
public:
    template <typename T>
    using Stub = std::optional<std::variant<T, StorageError>>;

    explicit TestableMacStorageService(TestCoordinatorPtr = nullptr) { }

    struct AddConnectedMacCall
    {
        ConnectedMacInput macInput;
    };
    struct UpdateConnectedMacCall
    {
        ConnectedMac connectedMac;
    };
    struct DeleteConnectedMacCall
    {
        QUuid id;
    };
    struct GetConnectedMacCall
    {
        QUuid id;
    };
    struct AddConnectedMacsCall
    {
        QList<ConnectedMacInput> macInputs;
    };
    struct DeleteConnectedMacsCall
    {
        QList<QUuid> ids;
    };
    struct LoadConnectedMacsCall
    { };
    struct SaveConnectedMacsCall
    {
        QList<ConnectedMac> macs;
    };

    // Calls, oldest first.
    QList<AddConnectedMacCall> addConnectedMacCalls;
    QList<UpdateConnectedMacCall> updateConnectedMacCalls;
    QList<DeleteConnectedMacCall> deleteConnectedMacCalls;
    int listConnectedMacsCalls = 0;
    QList<GetConnectedMacCall> getConnectedMacCalls;
    int getConnectedMacsCountCalls = 0;
    int hasConnectedMacsCalls = 0;
    QList<AddConnectedMacsCall> addConnectedMacsCalls;
    QList<DeleteConnectedMacsCall> deleteConnectedMacsCalls;
    QList<LoadConnectedMacsCall> loadConnectedMacsCalls;
    QList<SaveConnectedMacsCall> saveConnectedMacsCalls;

    Stub<ConnectedMac> stubbedAddConnectedMacResponse;
    Stub<bool> stubbedUpdateConnectedMacResponse;
    Stub<bool> stubbedDeleteConnectedMacResponse;
    Stub<QList<ConnectedMac>> stubbedListConnectedMacsResponse;
    Stub<std::optional<ConnectedMac>> stubbedGetConnectedMacResponse;
    Stub<int> stubbedGetConnectedMacsCountResponse;
    Stub<bool> stubbedHasConnectedMacsResponse;
    Stub<QList<ConnectedMac>> stubbedAddConnectedMacsResponse;
    Stub<int> stubbedDeleteConnectedMacsResponse;
    Stub<QList<ConnectedMac>> stubbedLoadConnectedMacsResponse;
    Stub<std::monostate> stubbedSaveConnectedMacsResponse;

    // The time stamp of records made by addConnectedMac.
    QDateTime now = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

    ConnectedMac addConnectedMac(const ConnectedMacInput &input) override
    {
        addConnectedMacCalls.append({input});
        if (const ConnectedMac *stubbed = answer(stubbedAddConnectedMacResponse)) {
            m_macs.append(*stubbed);
            return *stubbed;
        }
        const ConnectedMac mac = input.toConnectedMac(now);
        m_macs.append(mac);
        return mac;
    }

    void updateConnectedMac(const ConnectedMac &mac) override
    {
        updateConnectedMacCalls.append({mac});
        if (const bool *stubbed = answer(stubbedUpdateConnectedMacResponse)) {
            if (*stubbed) {
                if (const int index = indexOf(mac.id()); index < 0) {
                    m_macs.append(mac);
                } else {
                    m_macs[index] = mac;
                }
            }
            return;
        }
        const int index = indexOf(mac.id());
        if (index < 0) {
            throw StorageError::fileNotFound(QStringLiteral("Connected Mac with ID %1 not found")
                                                 .arg(mac.id().toString(QUuid::WithoutBraces).toUpper()));
        }
        m_macs[index] = mac;
    }

    void deleteConnectedMac(const QUuid &id) override
    {
        deleteConnectedMacCalls.append({id});
        if (const bool *stubbed = answer(stubbedDeleteConnectedMacResponse); stubbed && !*stubbed) {
            return;
        }
        removeIds({id});
    }

    QList<ConnectedMac> listConnectedMacs() override
    {
        ++listConnectedMacsCalls;
        if (const QList<ConnectedMac> *stubbed = answer(stubbedListConnectedMacsResponse)) {
            return *stubbed;
        }
        return m_macs;
    }

    std::optional<ConnectedMac> getConnectedMac(const QUuid &id) override
    {
        getConnectedMacCalls.append({id});
        if (const std::optional<ConnectedMac> *stubbed = answer(stubbedGetConnectedMacResponse)) {
            return *stubbed;
        }
        const int index = indexOf(id);
        return index < 0 ? std::nullopt : std::optional<ConnectedMac>(m_macs.at(index));
    }

    int getConnectedMacsCount()
    {
        ++getConnectedMacsCountCalls;
        if (const int *stubbed = answer(stubbedGetConnectedMacsCountResponse)) {
            return *stubbed;
        }
        return int(m_macs.size());
    }

    bool hasConnectedMacs()
    {
        ++hasConnectedMacsCalls;
        if (const bool *stubbed = answer(stubbedHasConnectedMacsResponse)) {
            return *stubbed;
        }
        return !m_macs.isEmpty();
    }

    QList<ConnectedMac> addConnectedMacs(const QList<ConnectedMacInput> &inputs)
    {
        addConnectedMacsCalls.append({inputs});
        if (const QList<ConnectedMac> *stubbed = answer(stubbedAddConnectedMacsResponse)) {
            m_macs.append(*stubbed);
            return *stubbed;
        }
        QList<ConnectedMac> added;
        for (const ConnectedMacInput &input : inputs) {
            added.append(addConnectedMac(input));
        }
        return added;
    }

    int deleteConnectedMacs(const QList<QUuid> &ids)
    {
        deleteConnectedMacsCalls.append({ids});
        if (const int *stubbed = answer(stubbedDeleteConnectedMacsResponse)) {
            if (*stubbed >= 1) {
                removeIds(ids);
            }
            return *stubbed;
        }
        return removeIds(ids);
    }

    QList<ConnectedMac> loadConnectedMacs()
    {
        loadConnectedMacsCalls.append(LoadConnectedMacsCall{});
        if (const QList<ConnectedMac> *stubbed = answer(stubbedLoadConnectedMacsResponse)) {
            return *stubbed;
        }
        return m_macs;
    }

    void saveConnectedMacs(const QList<ConnectedMac> &macs)
    {
        saveConnectedMacsCalls.append({macs});
        answer(stubbedSaveConnectedMacsResponse);
        m_macs = macs;
    }

    // Stored without recording a call.
    void addTestData(const QList<ConnectedMac> &macs) { m_macs.append(macs); }

    void reset() { *this = TestableMacStorageService(); }

    const QList<ConnectedMac> &connectedMacs() const { return m_macs; }

private:
    // The stubbed value, or null when nothing is stubbed; a stubbed error is thrown.
    template <typename T>
    const T *answer(const Stub<T> &stub) const
    {
        if (!stub) {
            return nullptr;
        }
        if (const StorageError *error = std::get_if<StorageError>(&*stub)) {
            throw *error;
        }
        return &std::get<T>(*stub);
    }

    int indexOf(const QUuid &id) const
    {
        for (int i = 0; i < m_macs.size(); ++i) {
            if (m_macs.at(i).id() == id) {
                return i;
            }
        }
        return -1;
    }

    int removeIds(const QList<QUuid> &ids)
    {
        const qsizetype before = m_macs.size();
        m_macs.removeIf([&](const ConnectedMac &mac) { return ids.contains(mac.id()); });
        return int(before - m_macs.size());
    }

    QList<ConnectedMac> m_macs;
};

} // namespace verandel::test
