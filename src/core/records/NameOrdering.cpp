#include "records/NameOrdering.h"

#include <algorithm>

namespace verandel {

namespace {

// UTF-16 code units order surrogates (U+D800..U+DFFF) below U+E000..U+FFFF, while the scalar values
// they encode lie above; lifting surrogates over that range restores code-point order.
char16_t codePointOrderKey(char16_t unit)
{
    if (unit >= 0xD800) {
        return unit >= 0xE000 ? static_cast<char16_t>(unit - 0x800) : static_cast<char16_t>(unit + 0x2000);
    }
    return unit;
}

} // namespace

int compareNames(const QString &a, const QString &b)
{
    if (a == b) {
        return 0;
    }
    const QString left = a.normalized(QString::NormalizationForm_C);
    const QString right = b.normalized(QString::NormalizationForm_C);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t l = left.at(i).unicode();
        const char16_t r = right.at(i).unicode();
        if (l != r) {
            return codePointOrderKey(l) < codePointOrderKey(r) ? -1 : 1;
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    return left.size() < right.size() ? -1 : 1;
}

} // namespace verandel
