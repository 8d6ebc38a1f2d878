#pragma once

#include <QByteArray>

#include <optional>

namespace verandel::Ed25519Signature {

// Whether signatureBase64 is the detached Ed25519 signature of the whole of data under the public
// key (base64 of its 32 bytes). Anything malformed is false.
bool verify(const QByteArray &data, const QByteArray &signatureBase64, const QByteArray &publicKeyBase64);

// Whether the text is a well-formed public key (base64 of 32 bytes).
bool isPublicKey(const QByteArray &publicKeyBase64);

} // namespace verandel::Ed25519Signature
