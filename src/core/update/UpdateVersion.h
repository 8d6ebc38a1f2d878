#pragma once

#include <QList>
#include <QString>

#include <compare>
#include <optional>

namespace verandel {

// A release version as the feed and the install folders write it: one to four decimal numbers joined
// by dots ("1", "1.2", "1.2.3", "1.2.3.4"). Compared number by number, a missing number counting as 0.
// Its text is safe as a folder name: digits and dots only, never "." or "..".
class UpdateVersion
{
public:
    static std::optional<UpdateVersion> parse(const QString &text);

    QString toString() const;

    std::strong_ordering operator<=>(const UpdateVersion &other) const;
    bool operator==(const UpdateVersion &other) const { return (*this <=> other) == 0; }

private:
    explicit UpdateVersion(QList<quint32> numbers)
        : m_numbers(std::move(numbers))
    { }

    QList<quint32> m_numbers;
};

} // namespace verandel
