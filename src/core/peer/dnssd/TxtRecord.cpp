#include "peer/dnssd/TxtRecord.h"

namespace verandel {

namespace {

QByteArray foldedKey(QByteArrayView key)
{
    // Keys are printable ASCII, so ASCII folding is all the matching needs.
    return key.toByteArray().toLower();
}

} // namespace

TxtRecord TxtRecord::fromStrings(const QList<QByteArray> &strings)
{
    TxtRecord record;
    for (const QByteArray &string : strings) {
        const qsizetype equals = string.indexOf('=');
        const QByteArray key = equals < 0 ? string : string.left(equals);
        if (!isValidKey(key) || record.contains(key)) {
            continue;
        }
        Entry entry{key, std::nullopt};
        if (equals >= 0) {
            entry.value = string.mid(equals + 1);
        }
        record.m_index.insert(foldedKey(key), record.m_entries.size());
        record.m_entries.append(std::move(entry));
    }
    return record;
}

QList<QByteArray> TxtRecord::toStrings() const
{
    QList<QByteArray> strings;
    strings.reserve(m_entries.size());
    for (const Entry &entry : m_entries) {
        strings.append(entry.value ? entry.key + '=' + *entry.value : entry.key);
    }
    return strings;
}

bool TxtRecord::set(const QByteArray &key, const QByteArray &value)
{
    if (!isValidKey(key)) {
        return false;
    }
    const qsizetype index = indexOf(key);
    if (index >= 0) {
        m_entries[index] = Entry{key, value};
    } else {
        m_index.insert(foldedKey(key), m_entries.size());
        m_entries.append(Entry{key, value});
    }
    return true;
}

void TxtRecord::remove(QByteArrayView key)
{
    const qsizetype index = indexOf(key);
    if (index >= 0) {
        m_entries.removeAt(index);
        reindex();
    }
}

bool TxtRecord::contains(QByteArrayView key) const
{
    return indexOf(key) >= 0;
}

std::optional<QByteArray> TxtRecord::value(QByteArrayView key) const
{
    const qsizetype index = indexOf(key);
    if (index < 0) {
        return std::nullopt;
    }
    return m_entries.at(index).value;
}

bool TxtRecord::isValidKey(QByteArrayView key)
{
    if (key.isEmpty()) {
        return false;
    }
    for (const char c : key) {
        if (c < 0x20 || c > 0x7E || c == '=') {
            return false;
        }
    }
    return true;
}

qsizetype TxtRecord::indexOf(QByteArrayView key) const
{
    return m_index.value(foldedKey(key), -1);
}

void TxtRecord::reindex()
{
    m_index.clear();
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        m_index.insert(foldedKey(m_entries.at(i).key), i);
    }
}

bool operator==(const TxtRecord &left, const TxtRecord &right)
{
    if (left.m_entries.size() != right.m_entries.size()) {
        return false;
    }
    for (const TxtRecord::Entry &entry : left.m_entries) {
        const qsizetype index = right.indexOf(entry.key);
        if (index < 0 || right.m_entries.at(index).value != entry.value) {
            return false;
        }
    }
    return true;
}

} // namespace verandel
