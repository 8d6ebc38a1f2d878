// The release maintainer's Ed25519 key and signatures, made with libsodium as the program checks them:
//   verandel-sign-update generate-key <secret-key-file>  writes a new secret key (base64, mode 0600; an
//                                                        existing file is never replaced) and prints its
//                                                        public key, for VERANDEL_UPDATE_PUBLIC_KEY
//   verandel-sign-update public-key <secret-key-file>    prints the public key of a secret key
//   verandel-sign-update sign <secret-key-file> <file>   prints the file's detached signature (base64),
//                                                        for the feed's sparkle:edSignature

#include <sodium.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

int usage()
{
    std::cerr << "usage: verandel-sign-update generate-key <secret-key-file>\n"
                 "       verandel-sign-update public-key <secret-key-file>\n"
                 "       verandel-sign-update sign <secret-key-file> <file>\n";
    return 2;
}

int failure(const std::string &text)
{
    std::cerr << "verandel-sign-update: " << text << '\n';
    return 1;
}

std::string base64(const Bytes &bytes)
{
    std::string text(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.size() - 1); // the terminating zero
    return text;
}

std::optional<std::string> readFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        return std::nullopt;
    }
    return content;
}

std::optional<Bytes> readSecretKey(const std::string &path)
{
    const std::optional<std::string> text = readFile(path);
    if (!text) {
        return std::nullopt;
    }
    Bytes key(crypto_sign_SECRETKEYBYTES);
    size_t length = 0;
    if (sodium_base642bin(key.data(), key.size(), text->data(), text->size(), " \t\r\n", &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
            != 0
        || length != key.size()) {
        return std::nullopt;
    }
    return key;
}

Bytes publicKeyOf(const Bytes &secretKey)
{
    Bytes publicKey(crypto_sign_PUBLICKEYBYTES);
    crypto_sign_ed25519_sk_to_pk(publicKey.data(), secretKey.data());
    return publicKey;
}

int generateKey(const std::string &path)
{
    Bytes publicKey(crypto_sign_PUBLICKEYBYTES);
    Bytes secretKey(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(publicKey.data(), secretKey.data());
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0) {
        return failure("cannot create " + path + " (it must not exist yet)");
    }
    const std::string text = base64(secretKey) + '\n';
    const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    sodium_memzero(secretKey.data(), secretKey.size());
    if (::close(descriptor) != 0 || !written) {
        ::unlink(path.c_str());
        return failure("cannot write " + path);
    }
    std::cout << base64(publicKey) << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (sodium_init() < 0) {
        return failure("libsodium cannot start");
    }
    if (arguments.size() == 2 && arguments[0] == "generate-key") {
        return generateKey(arguments[1]);
    }
    if (arguments.size() < 2 || (arguments[0] != "public-key" && arguments[0] != "sign")) {
        return usage();
    }
    const std::optional<Bytes> secretKey = readSecretKey(arguments[1]);
    if (!secretKey) {
        return failure(arguments[1] + " holds no secret key");
    }
    if (arguments[0] == "public-key" && arguments.size() == 2) {
        std::cout << base64(publicKeyOf(*secretKey)) << '\n';
        return 0;
    }
    if (arguments[0] != "sign" || arguments.size() != 3) {
        return usage();
    }
    const std::optional<std::string> data = readFile(arguments[2]);
    if (!data) {
        return failure("cannot read " + arguments[2]);
    }
    Bytes signature(crypto_sign_BYTES);
    crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char *>(data->data()), data->size(),
                         secretKey->data());
    std::cout << base64(signature) << '\n';
    return 0;
}
