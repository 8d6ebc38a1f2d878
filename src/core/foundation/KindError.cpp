#include "foundation/KindError.h"

namespace verandel {

QString fillArguments(QStringView format, const QStringList &arguments)
{
    QString result;
    qsizetype copied = 0;
    for (qsizetype i = 0; i + 1 < format.size(); ++i) {
        const qsizetype index = format.at(i + 1).unicode() - u'1';
        if (format.at(i) != u'%' || index < 0 || index > 8 || index >= arguments.size()) {
            continue;
        }
        result.append(format.mid(copied, i - copied)).append(arguments.at(index));
        copied = i + 2;
        ++i;
    }
    return result.append(format.mid(copied));
}

} // namespace verandel
