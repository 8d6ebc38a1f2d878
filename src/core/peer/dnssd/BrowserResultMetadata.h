#pragma once

#include "peer/dnssd/TxtRecord.h"

#include <optional>

namespace verandel {

// What a browse result carries besides its endpoint: the service's TXT record, or nothing.
class BrowserResultMetadata
{
public:
    static BrowserResultMetadata bonjour(TxtRecord txtRecord) { return BrowserResultMetadata(std::move(txtRecord)); }
    static BrowserResultMetadata missing() { return BrowserResultMetadata(std::nullopt); }

    bool isBonjour() const { return m_txtRecord.has_value(); }
    // The TXT record of a bonjour result; none when missing.
    const std::optional<TxtRecord> &txtRecord() const { return m_txtRecord; }

    // For log lines: "bonjour(key=value, ...)" or "missing", control characters escaped.
    QString description() const;

    bool operator==(const BrowserResultMetadata &) const = default;

private:
    explicit BrowserResultMetadata(std::optional<TxtRecord> txtRecord)
        : m_txtRecord(std::move(txtRecord))
    { }

    std::optional<TxtRecord> m_txtRecord;
};

} // namespace verandel
