#include "linking/SecurityCode.h"

#include "foundation/JsonFields.h"

#include <QHashFunctions>
#include <QJsonObject>
#include <QRandomGenerator>

namespace verandel {

namespace {

const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");

// A uniform index below the alphabet size without modulo bias: the upper half of r * 36 is the
// index, and draws whose lower half falls below 2^64 mod 36 are drawn again.
qsizetype uniformIndex(const std::function<quint64()> &random64)
{
    const auto size = static_cast<unsigned __int128>(kAlphabet.size());
    const quint64 threshold = (0 - static_cast<quint64>(kAlphabet.size())) % static_cast<quint64>(kAlphabet.size());
    for (;;) {
        const unsigned __int128 product = static_cast<unsigned __int128>(random64()) * size;
        if (static_cast<quint64>(product) >= threshold) {
            return static_cast<qsizetype>(product >> 64);
        }
    }
}

} // namespace

QString SecurityCode::alphabet()
{
    return kAlphabet;
}

bool SecurityCode::isWellFormed(QStringView code)
{
    if (code.size() < minWellFormedLength || code.size() > maxWellFormedLength) {
        return false;
    }
    return std::all_of(code.begin(), code.end(), [](QChar c) { return kAlphabet.contains(c); });
}

SecurityCode::SecurityCode(QString code, QDateTime generatedAt)
    : m_code(std::move(code))
    , m_generatedAt(std::move(generatedAt))
{ }

SecurityCode::SecurityCode(QString code)
    : SecurityCode(std::move(code), QDateTime::currentDateTimeUtc())
{ }

SecurityCode SecurityCode::generateSecure(qsizetype length)
{
    return generateSecure(length, [] { return QRandomGenerator::system()->generate64(); });
}

SecurityCode SecurityCode::generateSecure(qsizetype length, const std::function<quint64()> &random64)
{
    QString code;
    code.reserve(std::max<qsizetype>(length, 0));
    for (qsizetype i = 0; i < length; ++i) {
        code.append(kAlphabet.at(uniformIndex(random64)));
    }
    return SecurityCode(std::move(code));
}

QString SecurityCode::displayCode() const
{
    if (m_code.size() == 6) {
        return m_code.left(3) + QLatin1Char('-') + m_code.right(3);
    }
    if (m_code.size() == 8) {
        return m_code.left(4) + QLatin1Char('-') + m_code.right(4);
    }
    return m_code;
}

QString SecurityCode::description() const
{
    return QStringLiteral("SecurityCode(") + displayCode() + QLatin1Char(')');
}

bool SecurityCode::matches(QStringView other) const
{
    return m_code.toUpper() == other.toString().toUpper();
}

QJsonValue SecurityCode::toJson() const
{
    return QJsonObject{{QStringLiteral("code"), m_code},
                       {QStringLiteral("generatedAt"), json::toIso8601(m_generatedAt)}};
}

SecurityCode SecurityCode::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("security code"));
    return SecurityCode(json::requireString(object, QStringLiteral("code")),
                        json::requireDate(object, QStringLiteral("generatedAt")));
}

size_t qHash(const SecurityCode &code, size_t seed)
{
    return qHashMulti(seed, code.code(), code.generatedAt());
}

} // namespace verandel
