#include "common/UrlOpener.h"

#include "foundation/LogText.h"
#include "update/UpdateUrlPolicy.h"

#include <QDesktopServices>

namespace verandel {

UrlOpener::UrlOpener(LoggerFactory &loggerFactory, Launcher launcher)
    : m_logger(loggerFactory.createLogger(QStringLiteral("UrlOpener")))
    , m_launcher(launcher ? std::move(launcher)
                          : Launcher([](const QUrl &url) { return QDesktopServices::openUrl(url); }))
{ }

bool UrlOpener::openExternal(const QUrl &url) const
{
    if (!UpdateUrlPolicy::isOpenableWebUrl(url)) {
        m_logger->warning(QStringLiteral("Refusing to open an address that is not an http or https URL: ")
                          + escapeControlCharacters(url.toString(QUrl::FullyEncoded).left(200)));
        return false;
    }
    return m_launcher(url);
}

bool UrlOpener::openLocalFile(const QString &path) const
{
    return m_launcher(QUrl::fromLocalFile(path));
}

} // namespace verandel
