#pragma once

#include "foundation/EnumText.h"
#include "foundation/UserFacingError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <exception>
#include <type_traits>

namespace verandel {

// `format` with each %1 … %9 replaced by that argument, in one pass: an argument's own % signs stay.
QString fillArguments(QStringView format, const QStringList &arguments);

// An error that is one case (`Kind`) of an enumeration with a payload its texts insert. `Cases`
// gives `Kind`, `Payload` (comparable), `descriptions`, a table of texts in which %1, %2… stand for
// the payload's arguments, and, for a payload other than one QString, `arguments(payload)`. A case
// class inherits the constructor (`using KindError::KindError;`); it stays protected, so only the
// class's own factories make one.
template <typename Cases>
class KindError : public std::exception
{
public:
    using Kind = typename Cases::Kind;
    using Payload = typename Cases::Payload;

    Kind kind() const { return m_kind; }
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const KindError &other) const { return m_kind == other.m_kind && m_payload == other.m_payload; }

protected:
    KindError()
        : KindError(Kind{}, Payload{})
    { }
    KindError(Kind kind, Payload payload)
        : m_kind(kind)
        , m_payload(std::move(payload))
        , m_what(description().toUtf8())
    { }

    const Payload &payload() const { return m_payload; }
    QString description() const { return text(Cases::descriptions); }

    // This case's text in another table of the same shape (a user's or a reason's wording).
    template <std::size_t Count>
    QString text(const std::array<EnumText<Kind>, Count> &table) const
    {
        return fillArguments(enumText(table, m_kind), arguments());
    }

private:
    QStringList arguments() const
    {
        if constexpr (std::is_same_v<Payload, QString>) {
            return {m_payload};
        } else {
            return Cases::arguments(m_payload);
        }
    }

    Kind m_kind;
    Payload m_payload;
    QByteArray m_what;
};

// A KindError a window may show: `Cases` also gives `userDescriptions`, the user's wording of each
// case in a table of the same shape.
template <typename Cases>
class UserFacingKindError : public KindError<Cases>, public UserFacingError
{
public:
    QString userDescription() const override { return this->text(Cases::userDescriptions); }

protected:
    using KindError<Cases>::KindError;
};

} // namespace verandel
