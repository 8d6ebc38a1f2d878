#pragma once

#include "update/SparkleUpdateCheckError.h"
#include "update/UpdaterDelegateProtocol.h"

#include <QList>

namespace verandel::test {

// A feed the test names and a gate that refuses the kinds it lists, recording every question.
class FakeUpdaterDelegate final : public UpdaterDelegateProtocol
{
public:
    std::optional<QString> feedURL;
    QList<UpdateCheckKind> refusedKinds;
    QList<UpdateCheckKind> askedKinds;

    std::optional<QString> feedURLString() const override { return feedURL; }
    std::optional<UpdaterError> mayPerformUpdateCheck(UpdateCheckKind kind) override
    {
        askedKinds.append(kind);
        if (refusedKinds.contains(kind)) {
            return SparkleUpdateCheckError::automaticChecksDisabled();
        }
        return std::nullopt;
    }
};

} // namespace verandel::test
