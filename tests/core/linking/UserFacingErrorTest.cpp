#include "foundation/UserFacingError.h"
#include "foundation/StorageError.h"
#include "linking/MacDiscoveryError.h"
#include "peer/dnssd/TransportError.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace verandel;

namespace {

const QUuid peer = QUuid::fromString(QStringLiteral("0A1B2C3D-0000-4000-8000-000000000001"));
const QString path = QStringLiteral("/home/user/.local/share/com.verandel.Verandel/connected-macs.json");

} // namespace

// Every error a window shows, in every case: its log text keeps the details, the user reads none.
TEST(UserFacingErrorTest, EveryErrorAWindowShowsHasAWordingWithoutIdsPathsOrMac)
{
    const QString detail = QStringLiteral("org.freedesktop.Avahi.CollisionError");
    const std::vector<std::exception_ptr> errors = {
        std::make_exception_ptr(TransportError::networkUnavailable()),
        std::make_exception_ptr(TransportError::permissionDenied()),
        std::make_exception_ptr(TransportError::serviceRegistrationFailed(detail)),
        std::make_exception_ptr(TransportError::browsingFailed(detail)),
        std::make_exception_ptr(TransportError::connectionFailed(peer, detail)),
        std::make_exception_ptr(TransportError::messageDeliveryFailed(peer, detail)),
        std::make_exception_ptr(TransportError::invalidServiceInfo()),
        std::make_exception_ptr(TransportError::transportNotSupported()),
        std::make_exception_ptr(TransportError::timeout()),
        std::make_exception_ptr(TransportError::unknown(detail)),
        std::make_exception_ptr(MacDiscoveryError::invalidState(QStringLiteral("Cannot start discovery in state: "
                                                                               "discovering"))),
        std::make_exception_ptr(MacDiscoveryError::invalidSecurityCode(detail)),
        std::make_exception_ptr(MacDiscoveryError::connectionFailed(detail)),
        std::make_exception_ptr(MacDiscoveryError::transportNotSupported()),
        std::make_exception_ptr(MacDiscoveryError::timeout()),
        std::make_exception_ptr(MacDiscoveryError::transportUnavailable()),
        std::make_exception_ptr(MacDiscoveryError::networkError()),
        std::make_exception_ptr(StorageError::fileNotFound(path)),
        std::make_exception_ptr(StorageError::permissionDenied(path)),
        std::make_exception_ptr(StorageError::corruptedData(path)),
        std::make_exception_ptr(StorageError::directoryCreationFailed(path)),
        std::make_exception_ptr(StorageError::jsonEncodingFailed(detail)),
        std::make_exception_ptr(StorageError::jsonDecodingFailed(detail)),
        std::make_exception_ptr(
            StorageError::invalidData(QStringLiteral("Connected Mac with ID %1 already exists").arg(peer.toString()))),
        std::make_exception_ptr(StorageError::unknownError(detail)),
        std::make_exception_ptr(StorageError::diskFull()),
        std::make_exception_ptr(StorageError::fileLockTimeout()),
        std::make_exception_ptr(StorageError::concurrentAccessViolation()),
        std::make_exception_ptr(StorageError::networkUnavailable()),
        // Errors made for the log alone get a general sentence.
        std::make_exception_ptr(std::runtime_error("QTcpSocket error 7 at 0x7ffd")),
        std::make_exception_ptr(42),
    };
    const QRegularExpression mac(QStringLiteral("\\bMacs?\\b"));
    for (const std::exception_ptr &error : errors) {
        const QString text = userDescription(error);
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains(mac));
        EXPECT_FALSE(text.contains(QStringLiteral("0A1B2C3D"), Qt::CaseInsensitive));
        EXPECT_FALSE(text.contains(QLatin1Char('/')));
        EXPECT_FALSE(text.contains(detail));
        EXPECT_TRUE(text.endsWith(QLatin1Char('.'))) << "a sentence of its own, after the window's prefix";
    }

    // The log keeps the details.
    EXPECT_EQ(TransportError::connectionFailed(peer, QStringLiteral("refused")).description(),
              QStringLiteral("Failed to connect to Mac 0A1B2C3D-0000-4000-8000-000000000001: refused"));
    EXPECT_EQ(userDescription(TransportError::connectionFailed(peer, QStringLiteral("refused"))),
              QStringLiteral("The other computer could not be reached."));
    // The discovery service words a refusal of the local network for the user itself.
    const QString refusal = QStringLiteral("Local Network access is required to enable Discovery Mode");
    EXPECT_EQ(userDescription(MacDiscoveryError::permissionDenied(refusal)), refusal);
}
