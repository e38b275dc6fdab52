// Hashes and signatures of downloads: SHA-256 and SHA-512 over a stream of
// bytes, and Ed25519 signatures of a whole file with a key in PEM form.
// The platform's cryptography library does the work behind this header.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orv {

enum class HashKind { Sha256, Sha512 };

// One hash over bytes that arrive in pieces.
class StreamHash {
public:
    explicit StreamHash(HashKind kind);
    ~StreamHash();
    StreamHash(const StreamHash&) = delete;
    StreamHash& operator=(const StreamHash&) = delete;

    void add(std::string_view bytes);
    // The hash of everything added, in lower-case hexadecimal; the hash
    // then starts again from nothing. Empty when the system could not
    // compute it (its cryptography library missing or failing).
    std::string finish();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// An Ed25519 private key. Only the POSIX backend signs: Windows' own
// cryptography has no Ed25519, so there load() refuses every key.
class SigningKey {
public:
    SigningKey();
    ~SigningKey();
    SigningKey(SigningKey&&) noexcept;
    SigningKey& operator=(SigningKey&&) noexcept;

    // Reads a key in PEM form, as `openssl genpkey -algorithm ed25519`
    // writes it. False, with the reason in `error`, for anything else: no
    // PEM, another kind of key, a key protected by a passphrase (nothing
    // here asks for one).
    bool load(std::string_view pem, std::string& error);
    bool loaded() const { return key_ != nullptr; }

    // The Ed25519 signature of `bytes` in standard Base64 (88 characters),
    // as appcasts carry it. False, with the reason, when signing fails.
    bool sign(std::string_view bytes, std::string& base64, std::string& error) const;
    // The public key's 32 bytes in Base64, as updaters are given it.
    std::string publicKeyBase64() const;

    struct Key;

private:
    std::unique_ptr<Key> key_;
};

// Bytes in lower-case hexadecimal, as the backends give hashes.
std::string lowerHex(const unsigned char* bytes, size_t count);

}  // namespace orv
