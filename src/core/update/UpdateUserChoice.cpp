#include "update/UpdateUserChoice.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(UpdateUserChoice choice)
{
    switch (choice) {
    case UpdateUserChoice::Install: return QStringLiteral("install");
    case UpdateUserChoice::Dismiss: return QStringLiteral("dismiss");
    case UpdateUserChoice::Skip: return QStringLiteral("skip");
    }
    return {};
}

std::optional<UpdateUserChoice> updateUserChoiceFromString(QStringView text)
{
    return enumFromString(allUpdateUserChoices, text);
}

} // namespace verandel
