#pragma once

#include <QCoreApplication>

namespace verandel::fuzz {

// The harnesses that run services need an application object; a fuzzer's process has none, the
// replay test's already has one.
inline void ensureApplication()
{
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "verandel_fuzz";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

} // namespace verandel::fuzz
