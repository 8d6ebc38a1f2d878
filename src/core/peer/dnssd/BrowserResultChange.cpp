#include "peer/dnssd/BrowserResultChange.h"

#include <QHashFunctions>

namespace verandel {

const BrowserResult &BrowserResultChange::result() const
{
    Q_ASSERT_X(m_result.has_value(), "BrowserResultChange::result", "an identical change has no result");
    return *m_result;
}

size_t BrowserResultChange::hash(size_t seed) const
{
    return m_result ? qHashMulti(seed, int(m_kind), m_result->endpoint) : qHashMulti(seed, int(m_kind));
}

} // namespace verandel
