// Hashes and signatures on OpenSSL's EVP interface (the POSIX backend).
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "app/hashing.h"
#include "net/base64.h"

namespace orv {

namespace {

std::string base64Of(const unsigned char* bytes, size_t n) {
    return base64Encode(ByteString(reinterpret_cast<const char*>(bytes), static_cast<uint32_t>(n))).toStdString();
}

// Never asks for a passphrase: an encrypted key is refused instead of
// waiting for someone at a terminal.
int noPassphrase(char*, int, int, void*) { return -1; }

}  // namespace

struct StreamHash::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const EVP_MD* method = nullptr;
    ~State() { EVP_MD_CTX_free(context); }
};

StreamHash::StreamHash(HashKind kind) : state_(std::make_unique<State>()) {
    state_->method = kind == HashKind::Sha256 ? EVP_sha256() : EVP_sha512();
    EVP_DigestInit_ex(state_->context, state_->method, nullptr);
}

StreamHash::~StreamHash() = default;

void StreamHash::add(std::string_view bytes) { EVP_DigestUpdate(state_->context, bytes.data(), bytes.size()); }

std::string StreamHash::finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(state_->context, digest, &length);
    EVP_DigestInit_ex(state_->context, state_->method, nullptr);
    return lowerHex(digest, length);
}

struct SigningKey::Key {
    EVP_PKEY* key = nullptr;
    ~Key() { EVP_PKEY_free(key); }
};

SigningKey::SigningKey() = default;
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::load(std::string_view pem, std::string& error) {
    key_.reset();
    BIO* in = BIO_new_mem_buf(pem.data(), static_cast<int>(std::min<size_t>(pem.size(), 1u << 20)));
    EVP_PKEY* key = in ? PEM_read_bio_PrivateKey(in, nullptr, noPassphrase, nullptr) : nullptr;
    BIO_free(in);
    ERR_clear_error();
    if (!key) {
        error = pem.find("-----BEGIN ") == std::string_view::npos ? "it holds no key in PEM form"
                : pem.find("ENCRYPTED") != std::string_view::npos
                    ? "the key is protected by a passphrase; write it without one (openssl pkey -in KEY -out PLAIN)"
                    : "it is not a private key OpenSSL can read";
        return false;
    }
    if (EVP_PKEY_get_id(key) != EVP_PKEY_ED25519) {
        EVP_PKEY_free(key);
        error = "it is not an Ed25519 key (openssl genpkey -algorithm ed25519 makes one)";
        return false;
    }
    key_ = std::make_unique<Key>();
    key_->key = key;
    return true;
}

bool SigningKey::sign(std::string_view bytes, std::string& base64, std::string& error) const {
    unsigned char signature[64];
    size_t length = sizeof signature;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool ok = key_ && context && EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key_->key) == 1 &&
                    EVP_DigestSign(context, signature, &length,
                                   reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1;
    EVP_MD_CTX_free(context);
    ERR_clear_error();
    if (!ok) {
        error = "signing failed";
        return false;
    }
    base64 = base64Of(signature, length);
    return true;
}

std::string SigningKey::publicKeyBase64() const {
    unsigned char raw[32];
    size_t length = sizeof raw;
    if (!key_ || EVP_PKEY_get_raw_public_key(key_->key, raw, &length) != 1) return "";
    return base64Of(raw, length);
}

}  // namespace orv
