#pragma once

#include <QUrl>

namespace verandel::UpdateUrlPolicy {

// An address that may be handed to the desktop to open: absolute http or https with a host.
bool isOpenableWebUrl(const QUrl &url);

// An address the updater may fetch from: https, or http to a loopback host (which tests use).
bool isFetchableUrl(const QUrl &url);

// A redirect the updater follows: to a fetchable address, and never from https down to http.
bool isFollowableRedirect(const QUrl &from, const QUrl &to);

} // namespace verandel::UpdateUrlPolicy
