#pragma once

#include "peer/dnssd/BrowserResult.h"

#include <optional>

namespace verandel {

// One change among a browser's results. An identical change carries no result.
class BrowserResultChange
{
public:
    static BrowserResultChange added(BrowserResult result) { return {Kind::Added, std::move(result)}; }
    static BrowserResultChange removed(BrowserResult result) { return {Kind::Removed, std::move(result)}; }
    // The new result of a changed service.
    static BrowserResultChange changed(BrowserResult result) { return {Kind::Changed, std::move(result)}; }
    static BrowserResultChange identical() { return {Kind::Identical, std::nullopt}; }

    bool isAdded() const { return m_kind == Kind::Added; }
    bool isRemoved() const { return m_kind == Kind::Removed; }
    bool isChanged() const { return m_kind == Kind::Changed; }
    bool isIdentical() const { return m_kind == Kind::Identical; }

    // Must not be asked of an identical change.
    const BrowserResult &result() const;

    bool operator==(const BrowserResultChange &) const = default;
    size_t hash(size_t seed) const;

private:
    enum class Kind { Added, Removed, Changed, Identical };

    BrowserResultChange(Kind kind, std::optional<BrowserResult> result)
        : m_kind(kind)
        , m_result(std::move(result))
    { }

    Kind m_kind;
    std::optional<BrowserResult> m_result;
};

inline size_t qHash(const BrowserResultChange &change, size_t seed = 0)
{
    return change.hash(seed);
}

} // namespace verandel
