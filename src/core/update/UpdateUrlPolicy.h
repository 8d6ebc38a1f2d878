#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace verandel::UpdateUrlPolicy {

// The most redirects one fetch follows.
constexpr int maxRedirects = 5;

// An address that may be handed to the desktop to open: absolute http or https with a host.
bool isOpenableWebUrl(const QUrl &url);

// An address the updater may fetch from: https, or http to a loopback host (which tests use).
bool isFetchableUrl(const QUrl &url);

// Why the next hop of a redirect chain is refused, or nothing when it may be followed. `chain` holds
// every address requested so far, the first one first; `target` is where the last one redirects to
// (already resolved against it). Refused: a sixth redirect, an address that is not fetchable, a step
// down from https, plain http between anything but loopback addresses, and an address already in the
// chain. The texts are for the user.
std::optional<QString> redirectRefusal(const QList<QUrl> &chain, const QUrl &target);

} // namespace verandel::UpdateUrlPolicy
