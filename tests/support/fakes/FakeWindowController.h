#pragma once

#include "kit/WindowPresentation.h"

#include <QStringList>

#include <memory>

namespace verandel::test {

// One shared journal of what happened to windows and the application, in order.
using PresentationJournal = std::shared_ptr<QStringList>;

class FakePresentationApplication final : public WindowPresentationApplication
{
public:
    explicit FakePresentationApplication(PresentationJournal journal)
        : journal(std::move(journal))
    { }
    bool setActivationPolicy(ActivationPolicy policy) override
    {
        journal->append(policy == ActivationPolicy::Regular ? QStringLiteral("policy regular")
                                                            : QStringLiteral("policy accessory"));
        return true;
    }
    void activate(bool) override { journal->append(QStringLiteral("activate")); }

    PresentationJournal journal;
};

// A window controller whose window can be taken away; numbered in the journal by `number`.
class FakeWindowController final : public WindowPresentationControlling, public WindowPresenting
{
public:
    FakeWindowController(PresentationJournal journal, int number)
        : journal(std::move(journal))
        , number(number)
    { }
    WindowPresenting *presentedWindow() override { return hasWindow ? this : nullptr; }
    void showWindow() override { journal->append(QStringLiteral("show %1").arg(number)); }
    void makeKeyAndOrderFront() override { journal->append(QStringLiteral("front %1").arg(number)); }
    void close() override { journal->append(QStringLiteral("close %1").arg(number)); }

    PresentationJournal journal;
    int number;
    bool hasWindow = true;
};

} // namespace verandel::test
