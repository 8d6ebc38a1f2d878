#include "update/UpdateVersion.h"

#include <QStringList>

namespace verandel {

namespace {

constexpr qsizetype maxNumbers = 4;
// Nine digits always fit in 32 bits; longer numbers are no release anyone numbers by hand.
constexpr qsizetype maxDigits = 9;

} // namespace

std::optional<UpdateVersion> UpdateVersion::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() > maxNumbers) {
        return std::nullopt;
    }
    QList<quint32> numbers;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > maxDigits) {
            return std::nullopt;
        }
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return std::nullopt;
            }
        }
        numbers.append(part.toUInt());
    }
    return UpdateVersion(std::move(numbers));
}

QString UpdateVersion::toString() const
{
    QStringList parts;
    for (const quint32 number : m_numbers) {
        parts.append(QString::number(number));
    }
    return parts.join(QLatin1Char('.'));
}

std::strong_ordering UpdateVersion::operator<=>(const UpdateVersion &other) const
{
    const qsizetype count = std::max(m_numbers.size(), other.m_numbers.size());
    for (qsizetype index = 0; index < count; ++index) {
        const quint32 mine = m_numbers.value(index, 0);
        const quint32 theirs = other.m_numbers.value(index, 0);
        if (mine != theirs) {
            return mine <=> theirs;
        }
    }
    return std::strong_ordering::equal;
}

} // namespace verandel
