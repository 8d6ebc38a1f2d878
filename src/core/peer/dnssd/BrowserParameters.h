#pragma once

#include <QString>

namespace verandel {

// How a DNS-SD browser browses: the domain, empty for the default one ("local").
struct BrowserParameters
{
    QString domain;

    bool operator==(const BrowserParameters &) const = default;
};

} // namespace verandel
