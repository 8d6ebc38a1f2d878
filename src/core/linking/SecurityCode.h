#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <functional>

namespace verandel {

// The short code a computer shows and advertises while it is in Discovery Mode, so that the user can
// compare the codes on both screens before accepting a link. Codes are ordered newest first.
class SecurityCode
{
public:
    static constexpr qsizetype defaultLength = 6;
    // What a peer may advertise or send as a code; anything else counts as no code.
    static constexpr qsizetype minWellFormedLength = 6;
    static constexpr qsizetype maxWellFormedLength = 8;

    // A to Z, then 0 to 9: 36 symbols.
    static QString alphabet();
    // Six to eight symbols of the alphabet.
    static bool isWellFormed(QStringView code);

    SecurityCode(QString code, QDateTime generatedAt);
    // Made now, by the system clock.
    explicit SecurityCode(QString code);

    // Each symbol drawn uniformly from the operating system's secure random source.
    static SecurityCode generateSecure(qsizetype length = defaultLength);
    // The same with the 64-bit draws taken from the given source.
    static SecurityCode generateSecure(qsizetype length, const std::function<quint64()> &random64);

    const QString &code() const { return m_code; }
    const QDateTime &generatedAt() const { return m_generatedAt; }

    // "ABC-123" for six symbols, "ABCD-1234" for eight, else the code unchanged.
    QString displayCode() const;
    // "SecurityCode(ABC-123)".
    QString description() const;
    // Equal after both are upper-cased.
    bool matches(QStringView other) const;
    bool matches(const SecurityCode &other) const { return matches(other.m_code); }

    QJsonValue toJson() const;
    static SecurityCode fromJson(const QJsonValue &json);

    bool operator==(const SecurityCode &) const = default;
    // The later code is the lesser, so ascending order puts the newest first; the symbols do not count.
    friend bool operator<(const SecurityCode &a, const SecurityCode &b) { return a.m_generatedAt > b.m_generatedAt; }
    friend bool operator>(const SecurityCode &a, const SecurityCode &b) { return b < a; }
    friend bool operator<=(const SecurityCode &a, const SecurityCode &b) { return !(b < a); }
    friend bool operator>=(const SecurityCode &a, const SecurityCode &b) { return !(a < b); }

private:
    QString m_code;
    QDateTime m_generatedAt;
};

size_t qHash(const SecurityCode &code, size_t seed = 0);

} // namespace verandel
