#pragma once

#include <QString>

namespace verandel {

// The state a DNS-SD browser reports through its state handler.
class BrowserState
{
public:
    enum class Kind { Setup, Ready, Failed, Cancelled };

    static BrowserState setup() { return BrowserState(Kind::Setup, {}); }
    static BrowserState ready() { return BrowserState(Kind::Ready, {}); }
    static BrowserState failed(QString errorDescription)
    {
        return BrowserState(Kind::Failed, std::move(errorDescription));
    }
    static BrowserState cancelled() { return BrowserState(Kind::Cancelled, {}); }

    Kind kind() const { return m_kind; }
    bool isFailed() const { return m_kind == Kind::Failed; }
    // The failure's own description; empty for the other states.
    const QString &errorDescription() const { return m_errorDescription; }

    bool operator==(const BrowserState &) const = default;

private:
    BrowserState(Kind kind, QString errorDescription)
        : m_kind(kind)
        , m_errorDescription(std::move(errorDescription))
    { }

    Kind m_kind;
    QString m_errorDescription;
};

} // namespace verandel
