#include "bluetooth/BluezTypes.h"

#include <QDBusMetaType>

namespace verandel::Bluez {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<InterfaceMap>();
        qDBusRegisterMetaType<ManagedObjects>();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace verandel::Bluez
