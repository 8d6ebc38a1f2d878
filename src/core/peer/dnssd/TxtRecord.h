#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <optional>

namespace verandel {

// A DNS-SD TXT record (RFC 6763) as byte strings: what Avahi takes and gives as "aay", one
// "key=value" string per entry. Keys are printable ASCII without "=" and are matched without regard
// to ASCII letter case; the first occurrence of a key wins.
class TxtRecord
{
public:
    struct Entry
    {
        QByteArray key;
        // None for a key present without "=" (a boolean attribute).
        std::optional<QByteArray> value;

        bool operator==(const Entry &) const = default;
    };

    TxtRecord() = default;

    // Reads the strings of a received record: empty strings, strings starting with "=" and keys that
    // are not printable ASCII are skipped, later duplicates of a key are ignored.
    static TxtRecord fromStrings(const QList<QByteArray> &strings);
    // One "key=value" (or bare "key") string per entry, in the order the entries were set.
    QList<QByteArray> toStrings() const;

    // Sets or replaces the entry (keeping its position); false, and nothing changes, for a key that
    // RFC 6763 does not allow.
    bool set(const QByteArray &key, const QByteArray &value);
    void remove(QByteArrayView key);

    bool contains(QByteArrayView key) const;
    // The value of the key; none when the key is missing or has no value.
    std::optional<QByteArray> value(QByteArrayView key) const;

    const QList<Entry> &entries() const { return m_entries; }
    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    static bool isValidKey(QByteArrayView key);

    // Equal when they hold the same keys (letter case disregarded) with the same values, in any order.
    friend bool operator==(const TxtRecord &left, const TxtRecord &right);

private:
    qsizetype indexOf(QByteArrayView key) const;
    void reindex();

    QList<Entry> m_entries;
    // Position of each entry by its lower-case key: a received record can hold thousands of entries,
    // and a linear search per entry made reading one quadratic.
    QHash<QByteArray, qsizetype> m_index;
};

} // namespace verandel
