#pragma once

#include "foundation/LoggerFactory.h"

#include <QUrl>

#include <functional>
#include <memory>

namespace verandel {

// Opens addresses in the desktop's browser. An address that came from outside (a release's page from
// the update feed) opens only when it is an absolute http or https URL: a file:, a desktop-entry or a
// custom-scheme address from the network could start a program. Anything else is logged and ignored.
class UrlOpener
{
public:
    // Hands an address to the desktop; true when it was handed over.
    using Launcher = std::function<bool(const QUrl &)>;

    // The launcher defaults to QDesktopServices::openUrl.
    explicit UrlOpener(LoggerFactory &loggerFactory, Launcher launcher = {});

    // An address from outside data; false when refused or not handed over.
    bool openExternal(const QUrl &url) const;
    // A page this program ships (the privacy policy), by its file path.
    bool openLocalFile(const QString &path) const;

private:
    LoggerPtr m_logger;
    Launcher m_launcher;
};

using UrlOpenerPtr = std::shared_ptr<const UrlOpener>;

} // namespace verandel
