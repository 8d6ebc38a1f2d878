#include "update/Ed25519Signature.h"

#include <sodium.h>

namespace verandel::Ed25519Signature {

namespace {

std::optional<QByteArray> decoded(const QByteArray &base64, qsizetype expectedSize)
{
    const auto result = QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != expectedSize) {
        return std::nullopt;
    }
    return result.decoded;
}

} // namespace

bool isPublicKey(const QByteArray &publicKeyBase64)
{
    return decoded(publicKeyBase64, crypto_sign_PUBLICKEYBYTES).has_value();
}

bool verify(const QByteArray &data, const QByteArray &signatureBase64, const QByteArray &publicKeyBase64)
{
    if (sodium_init() < 0) {
        return false;
    }
    const std::optional<QByteArray> signature = decoded(signatureBase64, crypto_sign_BYTES);
    const std::optional<QByteArray> key = decoded(publicKeyBase64, crypto_sign_PUBLICKEYBYTES);
    if (!signature || !key) {
        return false;
    }
    // The detached check over the whole file: the streaming functions check a pre-hashed signature.
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature->constData()),
                                       reinterpret_cast<const unsigned char *>(data.constData()),
                                       static_cast<unsigned long long>(data.size()),
                                       reinterpret_cast<const unsigned char *>(key->constData()))
        == 0;
}

} // namespace verandel::Ed25519Signature
