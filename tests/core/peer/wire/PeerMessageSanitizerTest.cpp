#include "peer/wire/PeerMessageSanitizer.h"

#include "foundation/LogText.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace verandel;

namespace {

const QUuid kSanitizedRecipient = QUuid::fromString(QStringLiteral("b2c3d4e5-0000-4000-8000-000000000001"));

struct TransactionIdCase
{
    const char *label;
    QString transactionId;
    bool accepted;
};

const TransactionIdCase kTransactionIdCases[] = {
    {"lower case", QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b"), true},
    {"upper case", QStringLiteral("6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B"), true},
    {"mixed case", QStringLiteral("6f1C2b3A-4d5E-4f60-8A9b-0c1D2e3F4a5B"), true},
    {"empty", QString(), false},
    {"plain word", QStringLiteral("tx"), false},
    {"bidi override and bell", QStringLiteral("6f1c\u202e\u0007x"), false},
    {"uuid with a control character inside", QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5") + QChar(0x07),
     false},
    {"uuid with a right-to-left mark inside", QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5") + QChar(0x200F),
     false},
    {"braces", QStringLiteral("{6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b}"), false},
    {"without hyphens", QStringLiteral("6f1c2b3a4d5e4f608a9b0c1d2e3f4a5b"), false},
    {"one character more", QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b0"), false},
    {"a letter past f", QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5g"), false},
    {"blank around it", QStringLiteral(" 6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b"), false},
};

TransferDeviceDescriptor keyboardDescriptor()
{
    return TransferDeviceDescriptor(QStringLiteral("A4-83-E7-11-22-33"),
                                    QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a01"));
}

} // namespace

// A transaction id is a UUID in either letter case or the command is dropped, for both commands that
// carry one; an accepted id is kept as it came (the event built from it lower-cases it), and the
// refusal shows the id escaped.
TEST(PeerMessageSanitizerTest, TransactionIdsMustBeUuids)
{
    for (const TransactionIdCase &row : kTransactionIdCases) {
        SCOPED_TRACE(row.label);
        // The initialisers lower-case the id; decoding keeps it as sent, so set it as a decoder would.
        SendTransferCommand transfer(kSanitizedRecipient, QString());
        transfer.transactionId = row.transactionId;
        DevicesReadyForPairingCommand ready(kSanitizedRecipient, QString(), {keyboardDescriptor()});
        ready.transactionId = row.transactionId;

        const std::optional<QString> transferProblem = PeerMessageSanitizer::sanitize(transfer);
        const std::optional<QString> readyProblem = PeerMessageSanitizer::sanitize(ready);

        EXPECT_EQ(!transferProblem, row.accepted) << transferProblem.value_or(QString()).toStdString();
        EXPECT_EQ(!readyProblem, row.accepted) << readyProblem.value_or(QString()).toStdString();
        EXPECT_EQ(transfer.transactionId, row.transactionId);
        EXPECT_EQ(ready.transactionId, row.transactionId);
        if (row.accepted) {
            EXPECT_EQ(ready.deviceDescriptors.first().macAddress, QStringLiteral("a4:83:e7:11:22:33"));
            continue;
        }
        for (const std::optional<QString> &problem : {transferProblem, readyProblem}) {
            ASSERT_TRUE(problem.has_value());
            EXPECT_TRUE(problem->startsWith(QStringLiteral("transaction id \""))) << problem->toStdString();
            EXPECT_TRUE(problem->endsWith(QStringLiteral("\" is not a UUID"))) << problem->toStdString();
            EXPECT_TRUE(std::none_of(problem->cbegin(), problem->cend(), [](QChar c) {
                return isControlCharacter(c.unicode());
            })) << problem->toStdString();
        }
    }
}

TEST(PeerMessageSanitizerTest, RefusalsNameTheEscapedTransactionId)
{
    SendTransferCommand transfer(kSanitizedRecipient, QString());
    transfer.transactionId = QStringLiteral("6f1c\u0007x");
    EXPECT_EQ(PeerMessageSanitizer::sanitize(transfer),
              QStringLiteral("transaction id \"6f1c\\u0007x\" is not a UUID"));

    // The transaction is checked before the devices, whose own problems come after it.
    DevicesReadyForPairingCommand ready(kSanitizedRecipient, QString(),
                                        {TransferDeviceDescriptor(QStringLiteral("bad"), QStringLiteral("x"))});
    ready.transactionId = QStringLiteral("t");
    EXPECT_EQ(PeerMessageSanitizer::sanitize(ready), QStringLiteral("transaction id \"t\" is not a UUID"));
    ready.transactionId = QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b");
    EXPECT_EQ(PeerMessageSanitizer::sanitize(ready), QStringLiteral("invalid MAC address \"bad\""));
}
